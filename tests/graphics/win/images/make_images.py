#!/usr/bin/env python3
"""Draws the test editor's images: a background, a knob strip, a two-frame
switch and an indicator strip, plus the odd resources the image tests load.
Run from this folder; the outputs are committed next to it."""
import math
import struct
import zlib


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(pixel(x, y))
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def background(x, y):
    return (x * 255 // 159, y * 255 // 99, (x * 3 + y * 5) & 0xFF, 255)


KNOB, KNOB_FRAMES = 24, 61


def knob(x, y):
    frame, fy = divmod(y, KNOB)
    dx, dy = x - 11.5, fy - 11.5
    r = math.hypot(dx, dy)
    if r >= 11.5:
        return (0, 0, 0, 0)
    angle = math.radians(-135 + 270 * frame / (KNOB_FRAMES - 1))
    # Distance from the pointer ray drawn from the centre.
    along = dx * math.sin(angle) - dy * math.cos(angle)
    across = abs(dx * math.cos(angle) + dy * math.sin(angle))
    alpha = 255 if r < 10 else 128
    if along > 0 and across < 1.2:
        return (255, 255, 255, alpha)
    return (frame * 4, 200 - frame * 3, 60 + frame * 2, alpha)


SWITCH_W, SWITCH_H = 32, 16


def switch(x, y):
    frame, fy = divmod(y, SWITCH_H)
    lit = (x >= 16) == (frame == 1)
    return (40, 220, 90, 255) if lit else (70, 70, 80, 255)


LED, LED_FRAMES = 12, 61


def led(x, y):
    frame, fy = divmod(y, LED)
    if math.hypot(x - 5.5, fy - 5.5) >= 5.5:
        return (0, 0, 0, 0)
    return (15 + frame * 4, 20 + frame, 10, 255)


write_png("BG.png", 160, 100, background)
write_png("KNOB.png", KNOB, KNOB * KNOB_FRAMES, knob)
write_png("SWITCH.png", SWITCH_W, SWITCH_H * 2, switch)
write_png("LED.png", LED, LED * LED_FRAMES, led)
write_png("SMALL.png", 3, 2, lambda x, y: (x * 100, y * 200, 7, 255 - x * 50))
with open("SEVEN.bin", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a")  # a signature cut one byte short
with open("JUNK.bin", "wb") as f:
    f.write(bytes((i * 37 + 11) & 0xFF for i in range(64)))
