#!/usr/bin/env python3
"""Draws the start page's pictures into wwwroot/Files.

Plain shapes and block letters, written with the standard library only (PNG via zlib); the JPEG
pictures go through libjpeg's cjpeg (package libjpeg-turbo-progs). Run from anywhere:
    python3 scripts/make-pictures.py
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "wwwroot", "Files")

# 5 x 7 block letters.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = bytearray(bytes(colour) * (w * h))

    def rect(self, x0, y0, x1, y1, colour):
        x0, x1 = max(0, x0), min(self.w, x1)
        if x1 <= x0:
            return
        span = bytes(colour) * (x1 - x0)
        for y in range(max(0, y0), min(self.h, y1)):
            i = (y * self.w + x0) * 3
            self.px[i:i + len(span)] = span

    def vgradient(self, top, bottom):
        for y in range(self.h):
            t = y / max(1, self.h - 1)
            c = tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
            self.rect(0, y, self.w, y + 1, c)

    def disc(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            half = int((r * r - (y - cy) ** 2) ** 0.5)
            self.rect(cx - half, y, cx + half + 1, y + 1, colour)

    def text(self, x, y, s, scale, colour):
        for ch in s:
            g = GLYPHS[ch]
            for gy, line in enumerate(g):
                for gx, bit in enumerate(line):
                    if bit == "1":
                        self.rect(x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
            x += 6 * scale

    def text_centred(self, cx, y, s, scale, colour):
        width = (len(s) * 6 - 1) * scale
        self.text(cx - width // 2, y, s, scale, colour)

    def valve(self, cx, cy, size, body, dark, k=1):
        """A globe valve: actuator dome, stem, body with two flanges; k scales the fixed widths."""
        s = size
        self.rect(cx - s, cy - 2 * s, cx + s, cy - 2 * s + s // 2, dark)                         # actuator top
        self.rect(cx - s + 4 * k, cy - 2 * s + s // 2, cx + s - 4 * k, cy - s - s // 4, body)    # actuator
        self.rect(cx - 3 * k, cy - s - s // 4, cx + 3 * k, cy - s // 2, dark)                   # stem
        self.disc(cx, cy, s // 2 + 4 * k, body)                                                  # body
        self.rect(cx - 2 * s, cy - s // 4, cx + 2 * s, cy + s // 4, body)                        # pipe ends
        self.rect(cx - 2 * s, cy - s // 2, cx - 2 * s + 6 * k, cy + s // 2, dark)                # flanges
        self.rect(cx + 2 * s - 6 * k, cy - s // 2, cx + 2 * s, cy + s // 2, dark)

    def png(self, path):
        raw = b"".join(b"\x00" + bytes(self.px[y * self.w * 3:(y + 1) * self.w * 3]) for y in range(self.h))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
            f.write(chunk(b"IEND", b""))

    def jpeg(self, path, quality=90, sample=None):
        with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as tmp:
            tmp.write(b"P6 %d %d 255\n" % (self.w, self.h) + bytes(self.px))
        try:
            extra = ["-sample", sample] if sample else []
            subprocess.run(["cjpeg", "-quality", str(quality), "-optimize"] + extra + ["-outfile", path, tmp.name],
                           check=True)
        finally:
            os.remove(tmp.name)


NAVY, BLUE, WHITE, GREY = (18, 44, 86), (40, 96, 160), (255, 255, 255), (90, 98, 110)


def header():
    c = Canvas(1000, 207, NAVY)
    c.vgradient(NAVY, BLUE)
    c.text(40, 40, "ZENTOR", 10, WHITE)
    c.text(44, 130, "CONTROL VALVE SIZING", 3, (200, 220, 240))
    c.valve(820, 120, 40, (220, 228, 238), (150, 165, 185))
    c.jpeg(os.path.join(OUT, "ZentorHeaderImage.jpg"))


def footer():
    c = Canvas(1000, 30, GREY)
    c.text_centred(500, 8, "ZENTOR CONTROL VALVE SIZING", 2, WHITE)
    c.jpeg(os.path.join(OUT, "ZentorFooterImage2.jpg"))


def product(file_name, lines, colour):
    c = Canvas(172, 275, WHITE)
    dark = tuple(v * 2 // 3 for v in colour)
    c.rect(0, 0, 172, 275, dark)
    c.rect(3, 3, 169, 272, colour)
    y = 22
    for line in lines:
        scale = 3 if len(line) * 18 <= 160 else 2
        c.text_centred(86, y, line, scale, WHITE)
        y += 8 * scale + 6
    c.valve(86, 175, 28, (235, 240, 245), dark)
    c.png(os.path.join(OUT, file_name))


def help_desk():
    c = Canvas(69, 26, BLUE)
    c.rect(0, 0, 69, 1, NAVY)
    c.rect(0, 25, 69, 26, NAVY)
    c.text_centred(35, 10, "HELP DESK", 1, WHITE)
    c.png(os.path.join(OUT, "HelpDeskButton.png"))


def logo():
    c = Canvas(77, 40, WHITE)
    c.rect(2, 6, 30, 34, NAVY)
    c.text(9, 10, "Z", 3, WHITE)
    c.text(36, 17, "ZENTOR", 1, NAVY)
    c.png(os.path.join(OUT, "ZentorLogo.png"))


def main():
    os.makedirs(OUT, exist_ok=True)
    header()
    footer()
    product("VarnoxButtonNoLink.png", ["VARNOX"], (32, 84, 150))
    product("PurilaneButtonNoLink.png", ["PURILANE"], (36, 128, 84))
    product("PurilaneTQButtonNoLink.png", ["PURILANE", "TQ"], (28, 120, 128))
    product("LowFlowButtonNoLink.png", ["LOW FLOW"], (196, 110, 30))
    help_desk()
    logo()
    return 0


if __name__ == "__main__":
    sys.exit(main())
