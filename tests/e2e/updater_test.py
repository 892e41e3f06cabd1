#!/usr/bin/env python3
"""The updater of norvane.exe under Wine. The client talks to a small proxy in front of the
reference server: it passes everything through (holding the package back a few seconds, so that
the main window exists when the download ends), or answers the manifest itself with a stale,
hostile or dangling one. A stand-in powershell.exe, found first because it sits in the client's
current folder, records the install command started at exit. The release is the real package
that tools/package.sh made of this build, published as the next version."""
import http.server
import os
import re
import shutil
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.request

import ui_test as ui
from ui_test import Id, MAIN, LOGIN, check, drv, wait_for

PROXY = 0  # the proxy's port, taken when it starts
WORK = os.path.join(ui.ROOT, 'build', 'e2e', 'updater')
STANDIN = os.path.join(ui.ROOT, 'build', 'windows', 'standin', 'powershell.exe')
# The prefix's public folder (Wine sets PUBLIC itself), as Linux and as Windows path.
PUBLIC = os.path.join(ui.PREFIX, 'drive_c', 'users', 'Public')
PUBLIC_WIN = 'C:\\users\\Public'
COMMAND_FILE = os.path.join(WORK, 'cwd', 'powershell-command.txt')
# The client's own version, as its build made it, and the versions the releases carry.
BUILT = re.search(r'#define NV_VERSION "([0-9.]+)"', open(os.path.join(
    ui.ROOT, 'build', 'windows', 'generated', 'base', 'version.h')).read()).group(1)
_major, _minor, _patch = map(int, BUILT.split('.'))
NEWER = '%d.%d.%d' % (_major, _minor, _patch + 1)
DANGLING = '%d.%d.%d' % (_major, _minor, _patch + 2)
PACKAGE = os.path.join(ui.ROOT, 'build', 'package', 'Norvane-%s.msix' % BUILT)
NOTICE = '新版本 %s 已下载就绪，关闭客户端后将自动安装' % NEWER


class Proxy(http.server.ThreadingHTTPServer):
    mode = 'forward'   # or 'stale', 'hostile', 'dangling'
    package_delay = 0.0
    requests = []


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, kind='application/json'):
        self.send_response(status)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def forward(self):
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length) if length else None
        req = urllib.request.Request('http://127.0.0.1:%d%s' % (ui.PORT, self.path), data=body,
                                     method=self.command)
        for k in ('Content-Type', 'Accept', 'Authorization'):
            if self.headers.get(k):
                req.add_header(k, self.headers[k])
        try:
            with urllib.request.urlopen(req, timeout=30) as r:
                self.answer(r.status, r.read(), r.headers.get('Content-Type', ''))
        except urllib.error.HTTPError as e:
            self.answer(e.code, e.read(), e.headers.get('Content-Type', ''))

    def handle_any(self):
        Proxy.requests.append(self.path)
        own = 'http://127.0.0.1:%d' % PROXY
        if self.path == '/releases/Norvane.json' and Proxy.mode != 'forward':
            version = {'stale': BUILT, 'hostile': NEWER + "' ; calc ; '",
                       'dangling': DANGLING}[Proxy.mode]
            body = ('{"version":"%s","package":"%s/releases/missing.msix"}' % (
                version.replace('"', '\\"'), own)).encode()
            return self.answer(200, body)
        if self.path.startswith('/releases/') and self.path.endswith('.msix'):
            time.sleep(Proxy.package_delay)
        self.forward()

    do_GET = do_POST = do_PUT = do_DELETE = handle_any


def run_lines():
    """The updater lines of the last run in app.log."""
    out = []
    for line in ui.log_text().splitlines():
        if 'start ====' in line:
            out = []
        elif 'updater:' in line:
            out.append(line.split('] ', 1)[1])
    return out


def start_client():
    return ui.Client(cwd=os.path.dirname(COMMAND_FILE))


def package_file(version=NEWER):
    return os.path.join(PUBLIC, 'Norvane-update-%s.msix' % version)


def reset():
    for path in (COMMAND_FILE, package_file(), package_file(DANGLING)):
        if os.path.exists(path):
            os.remove(path)
    Proxy.requests.clear()


def published_release_is_installed_at_exit(package):
    reset()
    Proxy.mode, Proxy.package_delay = 'forward', 8.0
    client = start_client()
    ui.sign_in('demo123', remember=False)
    drv('wait', MAIN, 30)
    wait_for(lambda: ui.status() == NOTICE, 'update notice in the status bar', 40)
    with open(package_file(), 'rb') as f:
        check(f.read() == package, 'package byte for byte')
    check(not os.path.exists(COMMAND_FILE), 'nothing started before exit')
    drv('close', MAIN)
    client.wait_exit()
    wait_for(lambda: os.path.exists(COMMAND_FILE), 'install command started', 20)
    path = PUBLIC_WIN + '\\Norvane-update-%s.msix' % NEWER
    with open(COMMAND_FILE, encoding='utf-8') as f:
        command = f.read().rstrip('\n')
    check(command == 'powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command '
          '"Start-Sleep -Seconds 2; try { Add-AppxPackage -Path \'%s\' } catch { exit 1 }"' % path,
          command)
    lines = run_lines()
    check(lines == ['updater: check start', 'updater: new version %s found, downloading' % NEWER,
                    'updater: downloaded ' + path, 'updater: exit-install spawned for ' + NEWER],
          lines)


def abandoned_login_still_installs(package):
    reset()
    Proxy.mode, Proxy.package_delay = 'forward', 0.0
    client = start_client()
    drv('wait', LOGIN, 30)
    wait_for(lambda: os.path.exists(package_file()) and
             any(l.startswith('updater: downloaded') for l in run_lines()), 'downloaded', 30)
    drv('close', LOGIN)
    client.wait_exit()
    wait_for(lambda: os.path.exists(COMMAND_FILE), 'install command at an abandoned login', 20)
    check(run_lines()[-1] == 'updater: exit-install spawned for ' + NEWER, run_lines())


def nothing_happens_for(mode, last_line):
    reset()
    Proxy.mode, Proxy.package_delay = mode, 0.0
    client = start_client()
    drv('wait', LOGIN, 30)
    wait_for(lambda: run_lines() and run_lines()[-1].startswith(last_line), mode + ' logged', 30)
    drv('close', LOGIN)
    client.wait_exit()
    time.sleep(3)
    check(not os.path.exists(COMMAND_FILE), mode + ': nothing started at exit')
    left = [f for f in os.listdir(PUBLIC) if f.startswith('Norvane-update-')]
    check(left == [], mode + ': no package in the public folder %s' % left)
    return [p for p in Proxy.requests if p.endswith('.msix')]


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(os.path.dirname(COMMAND_FILE))
    ui.WORK = WORK
    shutil.copy(STANDIN, os.path.dirname(COMMAND_FILE))
    data = os.path.join(WORK, 'data')
    if not os.path.exists(PACKAGE):
        raise AssertionError('no package %s: bash tools/package.sh makes it' % PACKAGE)
    with open(PACKAGE, 'rb') as f:
        package = f.read()
    global PROXY
    proxy = Proxy(('127.0.0.1', 0), ProxyHandler)
    PROXY = proxy.server_address[1]
    # The package link of the manifest names the proxy, which passes it on.
    server = ui.Server(data, extra=('--public-url', 'http://127.0.0.1:%d' % PROXY))
    ui.PORT = server.port
    subprocess.run([ui.SERVER, 'release', '--data', data, '--version', NEWER, '--package',
                    PACKAGE], check=True, capture_output=True)
    threading.Thread(target=proxy.serve_forever, daemon=True).start()
    ui.quiet(ui.WINE, 'cmd', '/c', 'exit', '0')
    ui.set_dpi(96)
    ui.fresh_config()
    with open(os.path.join(ui.app_dir(), 'config.ini'), 'wb') as f:
        f.write(('[app]\r\nserver=http://127.0.0.1:%d\r\n' % PROXY).encode('utf-16'))
    scenario = 'start'
    try:
        scenario = 'a published release is installed at exit'
        published_release_is_installed_at_exit(package)
        scenario = 'an abandoned login still installs'
        abandoned_login_still_installs(package)
        scenario = 'a stale manifest downloads nothing'
        fetched = nothing_happens_for('stale', 'updater: up to date (remote %s)' % BUILT)
        check(fetched == [], fetched)
        scenario = 'a missing package leaves no file'
        fetched = nothing_happens_for('dangling', 'updater: download failed')
        check(fetched == ['/releases/missing.msix'], fetched)
        scenario = 'a hostile manifest downloads and starts nothing'
        fetched = nothing_happens_for('hostile', 'updater: bad manifest (version text refused)')
        check(fetched == [], fetched)
    except AssertionError as e:
        raise AssertionError('%s: %s' % (scenario, e))
    finally:
        ui.Client.end_all()
        proxy.shutdown()
        server.stop()
        ui.quiet(ui.WINE, '--stop')
    print('%d checks passed' % ui.checks)


if __name__ == '__main__':
    try:
        main()
    except AssertionError as e:
        print('FAIL after %d checks: %s' % (ui.checks, e))
        sys.exit(1)
