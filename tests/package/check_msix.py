#!/usr/bin/env python3
"""Checks a Norvane MSIX package as Windows would read it, beyond what osslsigncode verifies:
every block of every file against the block map, the content types against the parts, and the
version of the manifest against the executable's version resource and the project's version.

    check_msix.py PACKAGE      exit 0 when it holds, else 1 with each fault on its own line
    check_msix.py --self-test PACKAGE
                               also checks that a copy with one wrong block hash is refused
"""
import base64
import hashlib
import io
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
BM = '{http://schemas.microsoft.com/appx/2010/blockmap}'
MF = '{http://schemas.microsoft.com/appx/manifest/foundation/windows10}'
CT = '{http://schemas.openxmlformats.org/package/2006/content-types}'
FOOTPRINT = {'[Content_Types].xml', 'AppxBlockMap.xml', 'AppxSignature.p7x',
             'AppxMetadata/CodeIntegrity.cat'}


def project_version():
    text = open(os.path.join(ROOT, 'CMakeLists.txt'), encoding='utf-8').read()
    return re.search(r'project\(Norvane VERSION ([0-9.]+)', text).group(1)


def fixed_file_version(exe):
    """FILEVERSION of the version resource, from VS_FIXEDFILEINFO (signature 0xFEEF04BD)."""
    at = exe.find(struct.pack('<I', 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls = struct.unpack('<II', exe[at + 8:at + 16])
    return '%d.%d.%d.%d' % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def faults(data):
    found = []
    z = zipfile.ZipFile(io.BytesIO(data))
    infos = {i.filename: i for i in z.infolist()}

    def raw(info):
        """The entry's stored bytes and its local header's size, read where the header says."""
        name_len, extra_len = struct.unpack('<HH', data[info.header_offset + 26:info.header_offset + 30])
        start = info.header_offset + 30 + name_len + extra_len
        return data[start:start + info.compress_size], 30 + name_len + extra_len

    # Content types: every part has one, by its extension or by its name.
    types = ET.fromstring(z.read('[Content_Types].xml'))
    defaults = {d.get('Extension').lower() for d in types.iter(CT + 'Default')}
    overrides = {o.get('PartName') for o in types.iter(CT + 'Override')}
    for name in infos:
        if name == '[Content_Types].xml':
            continue
        ext = name.rsplit('.', 1)[1].lower() if '.' in name.rsplit('/', 1)[-1] else ''
        if ext not in defaults and '/' + name not in overrides:
            found.append('no content type for %s' % name)

    # The block map: each file but the package's own parts, whole, block by block.
    mapped = set()
    for f in ET.fromstring(z.read('AppxBlockMap.xml')).iter(BM + 'File'):
        name = f.get('Name').replace('\\', '/')
        mapped.add(name)
        info = infos.get(name)
        if info is None:
            found.append('block map names %s, which the package does not hold' % name)
            continue
        stored, lfh = raw(info)
        body = z.read(name)
        if int(f.get('Size')) != len(body):
            found.append('%s: Size %s, holds %d bytes' % (name, f.get('Size'), len(body)))
        if int(f.get('LfhSize')) != lfh:
            found.append('%s: LfhSize %s, local header is %d bytes' % (name, f.get('LfhSize'), lfh))
        blocks = list(f.iter(BM + 'Block'))
        if len(blocks) != (len(body) + 65535) // 65536:
            found.append('%s: %d blocks for %d bytes' % (name, len(blocks), len(body)))
        for i, block in enumerate(blocks):
            chunk = body[i * 65536:(i + 1) * 65536]
            if base64.b64decode(block.get('Hash')) != hashlib.sha256(chunk).digest():
                found.append('%s: block %d hash differs' % (name, i))
            if info.compress_type == zipfile.ZIP_STORED and block.get('Size') is not None:
                found.append('%s: a stored block with a compressed Size' % name)
        if info.compress_type == zipfile.ZIP_STORED and stored != body:
            found.append('%s: stored bytes differ from the content' % name)
    for name in infos:
        if name not in mapped and name not in FOOTPRINT:
            found.append('%s is not in the block map' % name)
    if 'AppxSignature.p7x' not in infos:
        found.append('the package is not signed')

    # One version: the manifest, the executable's version resource, the project.
    identity = ET.fromstring(z.read('AppxManifest.xml')).find(MF + 'Identity')
    want = project_version() + '.0'
    if identity is None or identity.get('Version') != want:
        found.append('manifest version %s, project %s' % (
            None if identity is None else identity.get('Version'), want))
    resource = fixed_file_version(z.read('norvane.exe'))
    if resource != want:
        found.append('norvane.exe version resource %s, project %s' % (resource, want))
    return found


def sources_naming_the_version():
    """Product files other than CMakeLists.txt that spell out the project's version."""
    version = project_version()
    hits = []
    for folder, _, files in os.walk(ROOT):
        rel = os.path.relpath(folder, ROOT)
        if rel.split(os.sep)[0] in ('build', 'tests', '.git', 'docs', 'fuzz', 'bench'):
            continue
        for name in files:
            if name.endswith(('.cpp', '.h', '.rc', '.in', '.manifest')):
                path = os.path.join(folder, name)
                if re.search(r'(?<![0-9.])%s(?![0-9])' % re.escape(version),
                             open(path, encoding='utf-8', errors='replace').read()):
                    hits.append(os.path.relpath(path, ROOT))
    return hits


def main():
    args = sys.argv[1:]
    self_test = args[:1] == ['--self-test']
    data = open(args[-1], 'rb').read()
    found = faults(data)
    found += ['%s names the version itself; it comes from CMakeLists.txt' % p
              for p in sources_naming_the_version()]
    if self_test:
        # The same package with one block hash changed must be refused.
        src = zipfile.ZipFile(io.BytesIO(data))
        out = io.BytesIO()
        with zipfile.ZipFile(out, 'w', zipfile.ZIP_STORED) as dst:
            for info in src.infolist():
                body = src.read(info.filename)
                if info.filename == 'AppxBlockMap.xml':
                    body = re.sub(rb'Hash="[^"]+"', b'Hash="' + base64.b64encode(
                        hashlib.sha256(b'other').digest()) + b'"', body, count=1)
                dst.writestr(info, body)
        if not any('block 0 hash differs' in f for f in faults(out.getvalue())):
            found.append('a wrong block hash went unnoticed')
    for f in found:
        print('check_msix: ' + f)
    print('check_msix: %s %s' % (args[-1], 'refused' if found else 'holds'))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
