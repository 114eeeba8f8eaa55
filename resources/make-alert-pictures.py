#!/usr/bin/env python3
"""Draws the pictures of the alert dialog and writes them as PNGs.

Usage: resources/make-alert-pictures.py resources/alert-picture.png resources/ok-glyph.png
The picture (65 x 84) is a person speaking, on a magenta key colour that the dialog's image
control makes transparent (the colour of the top-left pixel). The glyph (36 x 18) holds the
"OK" button's two 18 x 18 images, a green tick and its greyed disabled form, on an olive key
colour (the colour of the bottom-left pixel is the button's transparent one).
"""
import struct
import sys
import zlib


def write_png(path, pixels):
    h, w = len(pixels), len(pixels[0])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(v for c in row for v in c) for row in pixels)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


class Sheet:
    def __init__(self, w, h, key):
        self.w, self.h = w, h
        self.px = [[key for _ in range(w)] for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def shape(self, inside, fill, outline=None):
        """Fills the pixels whose centre is inside; outlines those with an outside neighbour."""
        mask = [[inside(x + 0.5, y + 0.5) for x in range(self.w)] for y in range(self.h)]
        for y in range(self.h):
            for x in range(self.w):
                if not mask[y][x]:
                    continue
                edge = any(not (0 <= x + dx < self.w and 0 <= y + dy < self.h and mask[y + dy][x + dx])
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                self.put(x, y, outline if (edge and outline) else fill)


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def picture():
    key = (255, 0, 255)
    ink = (48, 36, 30)
    skin = (246, 206, 168)
    hair = (120, 72, 40)
    navy = (28, 42, 90)
    s = Sheet(65, 84, key)
    # Shoulders and body: a rounded block under the head, in the logo's navy.
    def body(x, y):
        if y < 52 or y > 83.5:
            return False
        half = 12 + (y - 52) * 0.75 if y < 64 else 21
        return abs(x - 32.5) <= min(half, 30) and (y > 56 or ((x - 32.5) / 20) ** 2 + ((y - 60) / 8) ** 2 <= 1)
    s.shape(body, navy, ink)
    # A white collar opening in a V.
    s.shape(lambda x, y: 52 <= y <= 64 and abs(x - 32.5) <= (64 - y) * 0.55, (250, 250, 250), ink)
    # Neck, head and ears.
    s.shape(lambda x, y: 44 <= y <= 56 and abs(x - 32.5) <= 5, skin, ink)
    s.shape(ellipse(13.5, 30, 4, 5.5), skin, ink)
    s.shape(ellipse(51.5, 30, 4, 5.5), skin, ink)
    s.shape(ellipse(32.5, 29, 18, 20), skin, ink)
    # Hair over the top of the head.
    s.shape(lambda x, y: ellipse(32.5, 29, 18.5, 20.5)(x, y) and y < 22 - 4 * ((x - 32.5) / 18) ** 2 - 2 * (x > 32.5),
            hair, ink)
    # Eyes with a highlight, brows, cheeks and an open, speaking mouth.
    for ex in (25, 40):
        s.shape(ellipse(ex + 0.5, 28.5, 2.6, 3.4), ink)
        s.put(ex + 1, 27, (255, 255, 255))
        for dx in range(-2, 3):
            s.put(ex + dx, 23 - (1 if abs(dx) < 2 else 0), hair)
    s.shape(ellipse(20.5, 36, 3, 2), (244, 170, 150))
    s.shape(ellipse(44.5, 36, 3, 2), (244, 170, 150))
    s.shape(ellipse(32.5, 39, 5, 3.6), (150, 40, 40), ink)
    s.shape(ellipse(32.5, 41, 3, 1.4), (230, 110, 110))
    return s.px


def glyph():
    olive = (128, 128, 0)
    s = Sheet(36, 18, olive)
    tick = [(3, 9), (4, 10), (5, 11), (6, 12), (7, 13), (8, 12), (9, 11), (10, 10), (11, 9), (12, 8), (13, 7),
            (14, 6), (15, 5)]
    for x, y in tick:
        for dy in range(3):
            s.put(x, y - 1 + dy, (0, 128, 0))
        s.put(x, y - 2, (0, 200, 0))
    # The disabled image: the tick in grey with a white shadow down and to the right.
    for x, y in tick:
        for dy in range(3):
            s.put(18 + x + 1, y + dy, (255, 255, 255))
    for x, y in tick:
        for dy in range(3):
            s.put(18 + x, y - 1 + dy, (128, 128, 128))
    return s.px


write_png(sys.argv[1], picture())
write_png(sys.argv[2], glyph())
