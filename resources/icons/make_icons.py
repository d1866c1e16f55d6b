#!/usr/bin/env python3
"""Draws the 17 toolbar pictures (20 x 20, transparent background) and writes them as PNG files
beside this script, once at 20 x 20 and once at 40 x 40 (name@2x.png, which Qt takes on a screen
scaled above 1x): the larger one drawn again at its own pixels, so slopes and curves are finer and
lines two pixels wide rather than a blurred enlargement. Standard library only; run it again after
changing a picture."""
import os
import struct
import zlib

SIZE = 20
BLACK = (0, 0, 0, 255)
DARK = (64, 64, 64, 255)
GREY = (128, 128, 128, 255)
LIGHT = (200, 200, 200, 255)
WHITE = (255, 255, 255, 255)
BLUE = (0, 64, 192, 255)
SKY = (120, 170, 240, 255)
RED = (210, 30, 30, 255)
GREEN = (0, 160, 0, 255)
LIME = (0, 220, 0, 255)
YELLOW = (240, 200, 40, 255)
CYAN = (0, 190, 210, 255)

FONT = {  # 5 x 7 letters
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "?": ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
}


class Canvas:
    """Pictures are drawn in units of the 20 x 20 design; `scale` device pixels per unit."""

    def __init__(self, scale=1):
        self.s = scale
        self.n = SIZE * scale
        self.px = [[(0, 0, 0, 0)] * self.n for _ in range(self.n)]

    def put(self, x, y, c):  # one device pixel
        if 0 <= x < self.n and 0 <= y < self.n:
            self.px[y][x] = c

    def brush(self, x, y, c):  # a unit square at device pixel (x, y)
        for yy in range(y, y + self.s):
            for xx in range(x, x + self.s):
                self.put(xx, yy, c)

    def dot(self, x, y, c):
        self.brush(x * self.s, y * self.s, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        self.fine_line(x0 * self.s, y0 * self.s, x1 * self.s, y1 * self.s, c)

    def fine_line(self, x0, y0, x1, y1, c):  # device pixels, one unit wide
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.brush(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, points, c):
        for y in range(self.n):
            yc = (y + 0.5) / self.s
            xs = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(self.n):
                    if a <= (x + 0.5) / self.s <= b:
                        self.put(x, y, c)

    def disc(self, cx, cy, r, c, ring=None):
        for y in range(self.n):
            for x in range(self.n):
                d = (((x + 0.5) / self.s - cx) ** 2 + ((y + 0.5) / self.s - cy) ** 2) ** 0.5
                if d <= r:
                    self.put(x, y, ring if ring and d > r - 1.2 else c)

    def circle(self, cx, cy, r, c):
        for y in range(self.n):
            for x in range(self.n):
                d = (((x + 0.5) / self.s - cx) ** 2 + ((y + 0.5) / self.s - cy) ** 2) ** 0.5
                if r - 0.6 <= d <= r + 0.6:
                    self.put(x, y, c)

    def text(self, x, y, ch, c, scale=1):
        for row, bits in enumerate(FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    self.rect(x + col * scale, y + row * scale, x + col * scale + scale - 1,
                              y + row * scale + scale - 1, c)

    def wave(self, x0, x1, mid, amp, c):
        import math
        prev = None
        for x in range(x0 * self.s, x1 * self.s + 1):
            y = round((mid - amp * math.sin((x / self.s - x0) * 2 * math.pi / (x1 - x0))) * self.s)
            if prev is not None:
                self.fine_line(x - 1, prev, x, y, c)
            prev = y

    def png(self):
        raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.n, self.n, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def folder(c):
    c.polygon([(1, 5), (7, 5), (9, 7), (17, 7), (17, 17), (1, 17)], YELLOW)
    c.polygon([(1, 5), (7, 5), (9, 7), (17, 7), (17, 17), (1, 17)], YELLOW)
    c.frame(1, 7, 17, 17, DARK)
    c.line(1, 5, 7, 5, DARK)
    c.line(1, 5, 1, 7, DARK)
    c.line(7, 5, 9, 7, DARK)


def load_csv(c):
    folder(c)
    c.polygon([(12, 1), (19, 1), (19, 4), (15, 4), (15, 7), (12, 7)], GREEN)  # arrow into the folder
    c.polygon([(10, 6), (17, 6), (13.5, 11)], GREEN)


def save_waveform(c):
    c.rect(2, 2, 17, 17, BLUE)
    c.rect(5, 2, 14, 7, WHITE)
    c.rect(11, 3, 12, 6, BLUE)
    c.rect(4, 10, 15, 17, WHITE)
    c.wave(5, 14, 13.5, 2, GREEN)
    c.frame(2, 2, 17, 17, BLACK)


def printer(c):
    c.rect(5, 1, 14, 7, WHITE)
    c.frame(5, 1, 14, 7, DARK)
    c.rect(1, 7, 18, 14, LIGHT)
    c.frame(1, 7, 18, 14, DARK)
    c.rect(4, 12, 15, 18, WHITE)
    c.frame(4, 12, 15, 18, DARK)
    c.line(6, 15, 13, 15, GREY)
    c.dot(16, 9, GREEN)


def crosshair(c, colour):
    c.line(10, 1, 10, 18, colour)
    c.line(1, 10, 18, 10, colour)
    c.circle(10, 10, 5, colour)


def cross_cursor(c):
    crosshair(c, BLUE)


def clear_cursor(c):
    crosshair(c, GREY)
    c.line(3, 3, 16, 16, RED)
    c.line(4, 3, 17, 16, RED)
    c.line(16, 3, 3, 16, RED)
    c.line(17, 3, 4, 16, RED)


def reference(c):
    c.rect(1, 1, 18, 18, BLACK)
    c.wave(2, 17, 12, 4, CYAN)
    c.text(2, 2, "R", WHITE)


def fft(c):
    c.rect(1, 1, 18, 18, BLACK)
    for x, h in ((3, 14), (6, 6), (9, 10), (12, 4), (15, 7)):
        c.rect(x, 17 - h, x + 1, 17, LIME)


def record(c):
    c.disc(10, 10, 7.5, RED, ring=(140, 0, 0, 255))


def pass_fail(c):
    c.line(2, 10, 6, 15, GREEN)
    c.line(2, 11, 6, 16, GREEN)
    c.line(6, 15, 11, 4, GREEN)
    c.line(6, 16, 11, 5, GREEN)
    c.line(12, 11, 18, 17, RED)
    c.line(12, 12, 17, 17, RED)
    c.line(18, 11, 12, 17, RED)
    c.line(17, 11, 12, 16, RED)


def magnifier(c):
    c.disc(8, 8, 6.5, WHITE, ring=DARK)
    c.line(13, 13, 18, 18, DARK)
    c.line(13, 14, 17, 18, DARK)
    c.line(14, 13, 18, 17, DARK)


def zoom_out(c):
    magnifier(c)
    c.rect(5, 7, 11, 8, BLUE)


def zoom_in(c):
    magnifier(c)
    c.rect(5, 7, 11, 8, BLUE)
    c.rect(7, 5, 8, 11, BLUE)


def start(c):
    c.polygon([(4, 2), (17, 10), (4, 18)], GREEN)
    c.line(4, 2, 4, 17, (0, 110, 0, 255))


def stop(c):
    c.rect(3, 3, 16, 16, RED)
    c.frame(3, 3, 16, 16, (140, 0, 0, 255))


def autoset(c):
    c.rect(1, 1, 18, 18, BLACK)
    c.text(2, 2, "A", YELLOW)
    c.wave(2, 17, 13, 4, LIME)


def full_screen(c):
    c.frame(3, 3, 16, 16, DARK)
    for (x, y, dx, dy) in ((1, 1, 1, 1), (18, 1, -1, 1), (1, 18, 1, -1), (18, 18, -1, -1)):
        c.line(x, y, x + 4 * dx, y, BLUE)
        c.line(x, y, x, y + 4 * dy, BLUE)
        c.line(x, y, x + 4 * dx, y + 4 * dy, BLUE)
    c.rect(6, 6, 13, 13, SKY)


def sidebar(c):
    c.rect(1, 2, 18, 17, WHITE)
    c.rect(1, 2, 18, 4, BLUE)
    c.rect(13, 5, 17, 16, LIGHT)
    c.line(12, 5, 12, 16, DARK)
    c.frame(1, 2, 18, 17, DARK)
    for y in (7, 10, 13):
        c.line(14, y, 16, y, GREY)


def help_icon(c):
    c.disc(10, 10, 9, BLUE, ring=(0, 30, 120, 255))
    c.text(5, 3, "?", WHITE, 2)


ICONS = [
    ("load_csv", load_csv), ("save_waveform", save_waveform), ("print", printer),
    ("cross_cursor", cross_cursor), ("clear_cursor", clear_cursor), ("reference", reference),
    ("fft", fft), ("record", record), ("pass_fail", pass_fail), ("zoom_out", zoom_out),
    ("zoom_in", zoom_in), ("start", start), ("stop", stop), ("autoset", autoset),
    ("full_screen", full_screen), ("sidebar", sidebar), ("help", help_icon),
]

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in ICONS:
        for scale, suffix in ((1, ""), (2, "@2x")):
            canvas = Canvas(scale)
            draw(canvas)
            with open(os.path.join(here, name + suffix + ".png"), "wb") as f:
                f.write(canvas.png())
