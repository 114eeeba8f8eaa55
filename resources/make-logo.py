#!/usr/bin/env python3
"""Draws the Pictova logo of the about panel (61 x 69 pixels) and writes it as a PNG.

Usage: resources/make-logo.py resources/pictova-logo.png
A framed landscape (sky, sun, two hills) above a pixel-font "P" on a dark blue card.
"""
import struct
import sys
import zlib

W, H = 61, 69
NAVY = (28, 42, 90)
FRAME = (236, 228, 205)
pixels = [[NAVY for _ in range(W)] for _ in range(H)]


def put(x, y, c):
    if 0 <= x < W and 0 <= y < H:
        pixels[y][x] = c


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# The picture: a 45 x 37 window with a 2-pixel light frame.
px, py, pw, ph = 8, 7, 45, 37
for y in range(py - 2, py + ph + 2):
    for x in range(px - 2, px + pw + 2):
        put(x, y, FRAME)
for y in range(ph):
    sky = mix((70, 130, 220), (250, 200, 150), y / (ph - 1))
    for x in range(pw):
        put(px + x, py + y, sky)
# The sun.
cx, cy, r = px + 31, py + 12, 6
for y in range(-r, r + 1):
    for x in range(-r, r + 1):
        if x * x + y * y <= r * r:
            put(cx + x, cy + y, (255, 214, 60))
# Two hills, the nearer one darker.
for x in range(pw):
    far = py + ph - 14 + int(6 * abs((x - 14) / 14.0) ** 1.5) if x < 28 else py + ph
    near = py + ph - 9 + int(((x - 30) / 10.0) ** 2) if x > 10 else py + ph
    for y in range(max(far, py), py + ph):
        put(px + x, y, (60, 140, 80))
    for y in range(max(near, py), py + ph):
        put(px + x, y, (30, 95, 55))

# A "P" in a 5 x 7 pixel font, drawn at twice the size under the picture.
P = ["1111.", "1...1", "1...1", "1111.", "1....", "1....", "1...."]
ox, oy = (W - 10) // 2, py + ph + 5
for j, row in enumerate(P):
    for i, bit in enumerate(row):
        if bit == "1":
            for dy in range(2):
                for dx in range(2):
                    put(ox + 2 * i + dx, oy + 2 * j + dy, (255, 255, 255))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


raw = b"".join(b"\0" + bytes(v for c in row for v in c) for row in pixels)
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
with open(sys.argv[1], "wb") as f:
    f.write(png)
