#!/usr/bin/env python3
"""Draws the Norvane icon (a delivery note with a lit LED bulb on a blue tile) into res/norvane.ico.

The icon is committed; run this only to change it. Each size is drawn at 8x and averaged down,
then stored as a 32-bit BGRA bitmap entry with an AND mask.

    make_icon.py --png SIZE PATH    the same drawing as one SIZE x SIZE PNG (the package's logos,
                                    made by the Windows build)
"""
import math
import os
import struct
import sys
import zlib

SS = 8


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def shade(u, v):
    """Colour (r, g, b, a) at unit coordinates u, v in [0, 1)."""
    # Blue tile with a soft vertical gradient.
    if not inside_round_rect(u, v, 0.02, 0.02, 0.98, 0.98, 0.18):
        return (0, 0, 0, 0)
    top, bottom = (38, 110, 200), (20, 70, 150)
    col = tuple(int(top[i] + (bottom[i] - top[i]) * v) for i in range(3))
    # The delivery note: a white sheet, left of centre.
    if inside_round_rect(u, v, 0.16, 0.14, 0.66, 0.86, 0.04):
        col = (250, 250, 252)
        # Ruled lines of the item table.
        for ly in (0.32, 0.44, 0.56, 0.68):
            if abs(v - ly) < 0.025 and 0.24 < u < 0.58:
                col = (120, 150, 190)
        # Heading bar.
        if 0.19 < v < 0.24 and 0.24 < u < 0.50:
            col = (30, 90, 180)
    # The LED bulb: a warm yellow glass with a grey base, over the sheet's corner.
    dx, dy = u - 0.70, v - 0.52
    if dx * dx + dy * dy <= 0.20 ** 2:
        glow = 1.0 - math.sqrt(dx * dx + dy * dy) / 0.20
        col = (255, int(196 + 50 * glow), int(40 + 120 * glow))
    if 0.62 < u < 0.78 and 0.70 < v < 0.84:
        col = (150, 155, 165) if int((v - 0.70) / 0.035) % 2 == 0 else (110, 115, 125)
    return col + (255,)


def draw(size):
    px = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    u = (x + (sx + 0.5) / SS) / size
                    v = (y + (sy + 0.5) / SS) / size
                    r, g, b, a = shade(u, v)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a)))
        px.append(row)
    return px


def bmp_entry(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def png(size):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack(
            '>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b''.join(b'\0' + bytes(c for px in row for c in px) for row in draw(size))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    if sys.argv[1:2] == ['--png']:
        with open(sys.argv[3], 'wb') as f:
            f.write(png(int(sys.argv[2])))
        return
    sizes = [16, 24, 32, 48, 64]
    images = [bmp_entry(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out += b''.join(images)
    path = os.path.join(os.path.dirname(__file__), '..', 'res', 'norvane.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
