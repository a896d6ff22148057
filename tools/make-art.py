#!/usr/bin/env python3
"""Draws the suite's icon and banner bitmaps (plain Python, no imaging library).

Usage: tools/make-art.py OUTDIR   writes OUTDIR/Zelto.ico and OUTDIR/Banner.bmp
       tools/make-art.py --test-pair OUTDIR   writes OUTDIR/Left.bmp and OUTDIR/Right.bmp
"""
import math
import struct
import sys


def glasses(size):
    """RGBA rows, top row first: a pair of shutter glasses, red left lens, cyan right lens."""
    rows = []
    s = size / 32.0
    lenses = [((9.5 * s, 16.5 * s), (255, 40, 40)), ((22.5 * s, 16.5 * s), (40, 220, 235))]
    radius, rim = 6.6 * s, 1.6 * s
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            colour = (0, 0, 0, 0)
            for (cx, cy), tint in lenses:
                d = math.hypot(px - cx, (py - cy) * 1.15)
                if d <= radius:
                    shade = 1.0 - 0.35 * (d / radius)
                    colour = tuple(int(c * shade) for c in tint) + (255,)
                elif d <= radius + rim:
                    colour = (30, 30, 40, 255)
            # bridge and temples
            if 14.5 * s <= px <= 17.5 * s and 13.5 * s <= py <= 15.5 * s:
                colour = (30, 30, 40, 255)
            if (px <= 3.2 * s or px >= 28.8 * s) and 11 * s <= py <= 12.8 * s:
                colour = (30, 30, 40, 255)
            row.append(colour)
        rows.append(row)
    return rows


def icon_image(size):
    rows = glasses(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def write_icon(path, sizes=(16, 32, 48)):
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


def write_banner(path, width=330, height=130):
    """A dark banner with a line code at its top edge and the glasses in the middle."""
    code = 'RGRGRGRGGGYGYGRG'
    colours = {'R': (255, 0, 0), 'G': (0, 255, 0), 'Y': (255, 255, 0)}
    art = glasses(96)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            t = y / height
            pixel = (int(20 + 30 * t), int(24 + 40 * t), int(60 + 90 * t))
            if y < len(code) and x < width - 1:
                pixel = colours[code[y]]
            ax, ay = x - (width - 96) // 2, y - 24
            if 0 <= ax < 96 and 0 <= ay < 96:
                r, g, b, a = art[ay][ax]
                if a:
                    pixel = (r, g, b)
            row.append(pixel)
        rows.append(row)
    write_bmp(path, rows)


# A 5x7 pixel font for the few letters the test pictures carry.
GLYPHS = {
    'L': ['X....', 'X....', 'X....', 'X....', 'X....', 'X....', 'XXXXX'],
    'R': ['XXXX.', 'X...X', 'X...X', 'XXXX.', 'X.X..', 'X..X.', 'X...X'],
}


def stereo_view(eye, width=640, height=480):
    """RGB rows of one view of a test scene: a grid in the screen plane, three discs in front of it
    (crossed disparity) and one behind it, and the eye's letter in a corner."""
    # (centre x, centre y, radius, colour, disparity in pixels; positive comes out of the screen)
    discs = [(180, 170, 60, (230, 60, 50), 24), (330, 300, 75, (60, 200, 80), 12),
             (470, 160, 55, (70, 110, 235), -10), (520, 360, 40, (240, 220, 60), 36)]
    shift = 0.5 if eye == 'L' else -0.5
    rows = []
    for y in range(height):
        t = y / height
        base = (int(30 + 40 * t), int(34 + 50 * t), int(70 + 100 * t))
        grid = (150, 150, 160)
        row = [grid if y % 40 == 0 or x % 40 == 0 else base for x in range(width)]
        for cx, cy, r, colour, disparity in discs:
            dy = y - cy
            if abs(dy) > r:
                continue
            half = int((r * r - dy * dy) ** 0.5)
            centre = cx + shift * disparity
            for x in range(max(0, int(centre - half)), min(width, int(centre + half) + 1)):
                shade = 1.0 - 0.4 * (((x - centre) ** 2 + dy * dy) / (r * r))
                row[x] = tuple(int(c * shade) for c in colour)
        rows.append(row)
    scale, left, top = 8, 24, 24
    for gy, line in enumerate(GLYPHS[eye]):
        for gx, bit in enumerate(line):
            if bit == 'X':
                for y in range(top + gy * scale, top + (gy + 1) * scale):
                    for x in range(left + gx * scale, left + (gx + 1) * scale):
                        rows[y][x] = (255, 255, 255)
    return rows


def write_bmp(path, rows):
    """A 24-bit bottom-up .bmp of RGB rows, top row first."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    body = bytearray()
    for row in reversed(rows):
        line = b''.join(bytes((b, g, r)) for (r, g, b) in row)
        body += line + b'\0' * (stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(body), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(head + info + bytes(body))


def write_test_pair(out):
    """The left and right test pictures that the installer puts beside the programs."""
    write_bmp(f'{out}/Left.bmp', stereo_view('L'))
    write_bmp(f'{out}/Right.bmp', stereo_view('R'))


if __name__ == '__main__':
    if len(sys.argv) > 2 and sys.argv[1] == '--test-pair':
        write_test_pair(sys.argv[2])
        sys.exit(0)
    out = sys.argv[1] if len(sys.argv) > 1 else '.'
    write_icon(f'{out}/Zelto.ico')
    write_banner(f'{out}/Banner.bmp')
