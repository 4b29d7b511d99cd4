#!/usr/bin/env python3
"""Draws Tessaly's icons: a screen with a navy side bar sliding in from the
left edge (list rows on it) and an orange arrow. Writes app/res/tessaly.ico
(48, 32 and 16 pixels, 32-bit) and app/res/small.ico (16 pixels, 16 colours).
Run it again only to change the drawing; the .ico files are committed."""
import struct
import sys
from pathlib import Path

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

FRAME, SCREEN, BAR, ROW, ARROW = (64, 64, 64), (170, 220, 255), (0, 0, 128), (255, 255, 255), (255, 140, 0)


def colour_at(u, v):
    """Colour at the normalised point (u, v), or None for transparent."""
    if not (0.03 <= u <= 0.97 and 0.09 <= v <= 0.91):
        return None
    if u < 0.09 or u > 0.91 or v < 0.15 or v > 0.85:
        return FRAME
    if u < 0.42:  # the side bar
        for top in (0.22, 0.36, 0.50, 0.64):
            if top <= v < top + 0.07 and 0.15 <= u < 0.36:
                return ROW
        return BAR
    # an arrow pointing left, the way the bar came in
    if 0.50 <= u <= 0.86:
        half = (u - 0.50) * 1.3 if u < 0.66 else 0.07
        if abs(v - 0.5) <= half:
            return ARROW
    return SCREEN


def render(size):
    return [[colour_at((x + 0.5) / size, (y + 0.5) / size) for x in range(size)] for y in range(size)]


def and_mask(pixels, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def image_32bit(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(pixels):
        for c in row:
            body += bytes((0, 0, 0, 0)) if c is None else bytes((c[2], c[1], c[0], 255))
    return header + bytes(body) + and_mask(pixels, size)


def nearest_vga(c):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(VGA[i], c)))


def image_4bit(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in VGA)
    stride = ((size * 4 + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, c in enumerate(row):
            index = 0 if c is None else nearest_vga(c)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        body += line
    return header + palette + bytes(body) + and_mask(pixels, size)


def write_ico(path, images):
    """images: list of (size, colour count, bit count, data)."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for *_, data in images:
        out += data
    Path(path).write_bytes(out)


def main():
    res = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / 'app' / 'res')
    write_ico(res / 'tessaly.ico', [(s, 0, 32, image_32bit(s)) for s in (48, 32, 16)])
    write_ico(res / 'small.ico', [(16, 16, 4, image_4bit(16))])


if __name__ == '__main__':
    main()
