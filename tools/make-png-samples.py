#!/usr/bin/env python3
"""Writes the sample PNG files of tests/fuzz/seeds/png: the PNG header fuzz target's seeds, read by
the header reader's tests. Each is made here, byte by byte, so that every run gives the same files."""
import os
import struct
import sys
import zlib

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../tests/fuzz/seeds/png")


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def ihdr(width, height, depth, colour, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))


def png(header, idat, extra=b""):
    return b"\x89PNG\r\n\x1a\n" + header + extra + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def rows(width, height, pixel, interlace=False):
    """The filtered rows (filter 0) of the picture whose pixel (x, y) has the bytes pixel(x, y)."""
    if not interlace:
        return b"".join(b"\0" + b"".join(pixel(x, y) for x in range(width)) for y in range(height))
    data = b""
    for x0, y0, dx, dy in [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]:
        columns = range(x0, width, dx)
        if len(columns):
            data += b"".join(b"\0" + b"".join(pixel(x, y) for x in columns) for y in range(y0, height, dy))
    return data


def side_by_side(x, y):
    """A 64 x 32 side-by-side picture: gradients, the right half a little brighter."""
    return bytes([x * 4 % 256, y * 8 % 256, 200 if x >= 32 else 60])


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


rgb = png(ihdr(64, 32, 8, 2), zlib.compress(rows(64, 32, side_by_side), 9))
write("rgb.png", rgb)
# One bit a pixel: stripes of four pixels, the other way round on odd rows.
write("grey1.png", png(ihdr(64, 32, 1, 0), zlib.compress(
    b"".join(b"\0" + bytes([0xF0 if y % 2 else 0x0F] * 8) for y in range(32)), 9)))
# Two pixels a byte, 16 columns of each of the palette's colours in turn: white (but transparent), red,
# cyan, black.
palette = chunk(b"PLTE", bytes([255, 255, 255, 255, 0, 0, 0, 255, 255, 0, 0, 0])) + chunk(b"tRNS", bytes([0]))
write("palette.png", png(ihdr(64, 32, 4, 3), zlib.compress(
    b"".join(b"\0" + bytes([(x // 16) * 0x11 for x in range(0, 64, 2)]) for y in range(32)), 9), palette))
# 16 bits a sample, interlaced: red, green and blue x * 1024, y * 2048 and 40000, opacity 65535 - x * 512.
write("rgba16-interlaced.png", png(ihdr(64, 32, 16, 6, 1), zlib.compress(
    rows(64, 32, lambda x, y: struct.pack(">HHHH", x * 1024, y * 2048, 40000, 65535 - x * 512), True), 9)))
# A whole black 1920 x 1080 screen: as flat as a picture gets, close to deflate's limit, and sound.
write("black-screen.png", png(ihdr(1920, 1080, 8, 2), zlib.compress(bytes(1080 * (1 + 3 * 1920)), 9)))
# A black strip 16384 x 1, sound and within the bound.
write("strip.png", png(ihdr(16384, 1, 8, 2), zlib.compress(bytes(1 + 3 * 16384), 9)))
# rgb.png's coded data under headers that claim far more than it holds.
idat = zlib.compress(rows(64, 32, side_by_side), 9)
write("huge.png", png(ihdr(30000, 30000, 8, 2), idat))
write("sparse.png", png(ihdr(8000, 6000, 8, 2), idat))
write("oversized-wide.png", png(ihdr(16385, 1, 8, 2), zlib.compress(bytes(1 + 3 * 16385), 9)))
# rgb.png cut inside its coded data, and with one byte of it changed (its CRC no longer matches).
write("truncated.png", rgb[: len(rgb) - 40])
write("bad-crc.png", rgb[:60] + bytes([rgb[60] ^ 0x55]) + rgb[61:])
# rgb.png whose chunks and CRCs are sound but whose deflate stream starts with a block of the reserved
# type 3: only the decoder finds it damaged.
idat_bad = bytearray(idat)
idat_bad[2] = 0xFF
write("bad-deflate.png", png(ihdr(64, 32, 8, 2), bytes(idat_bad)))
