#!/usr/bin/env python3
"""Draws the Quillet application icon and writes it as res/quillet.ico.

The picture is a clipboard (a wooden board with a metal clip and a sheet of paper) crossed by a quill.
It is drawn from a few shapes at 16x16 and at 32x32, each pixel sampled 4x4 times so that edges are
smooth, and stored as two 32-bit images with alpha (plus the 1-bit mask older readers expect) in one
.ico file. Run it again after changing the drawing: python3 res/make-icon.py
"""
import os
import struct

SAMPLES = 4


def rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def near_segment(x, y, x0, y0, x1, y1, half_width):
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
    px, py = x0 + t * dx, y0 + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2


def feather(x, y):
    """The quill's vane: a lens between two arcs along the diagonal from lower left to upper right."""
    # Coordinates along (u) and across (v) the quill's axis, from (0.30, 0.86) to (0.96, 0.08).
    ax, ay, bx, by = 0.30, 0.86, 0.96, 0.08
    length = ((bx - ax) ** 2 + (by - ay) ** 2) ** 0.5
    ux, uy = (bx - ax) / length, (by - ay) / length
    u = ((x - ax) * ux + (y - ay) * uy) / length
    v = (x - ax) * -uy + (y - ay) * ux
    if not 0.18 <= u <= 1.0:
        return False
    width = 0.13 * (1.0 - ((u - 0.62) / 0.44) ** 2)
    return abs(v) <= max(width, 0.0)


# Shapes in a unit square, painted in this order; each is (test, RGBA).
SHAPES = [
    (lambda x, y: rounded_rect(x, y, 0.12, 0.10, 0.88, 0.97, 0.10), (150, 96, 48, 255)),     # board
    (lambda x, y: rounded_rect(x, y, 0.20, 0.20, 0.80, 0.90, 0.03), (252, 252, 246, 255)),   # paper
    (lambda x, y: near_segment(x, y, 0.28, 0.40, 0.62, 0.40, 0.025), (150, 160, 175, 255)),  # lines
    (lambda x, y: near_segment(x, y, 0.28, 0.55, 0.55, 0.55, 0.025), (150, 160, 175, 255)),
    (lambda x, y: near_segment(x, y, 0.28, 0.70, 0.45, 0.70, 0.025), (150, 160, 175, 255)),
    (lambda x, y: rounded_rect(x, y, 0.32, 0.03, 0.68, 0.20, 0.05), (120, 128, 140, 255)),   # clip
    (lambda x, y: rounded_rect(x, y, 0.42, 0.06, 0.58, 0.11, 0.02), (230, 232, 236, 255)),
    (feather, (40, 110, 200, 255)),                                                           # quill
    (lambda x, y: near_segment(x, y, 0.22, 0.95, 0.90, 0.15, 0.022), (20, 50, 110, 255)),     # shaft
]


def render(size):
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (col + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    colour = (0, 0, 0, 0)
                    for test, rgba in SHAPES:
                        if test(x, y):
                            colour = rgba
                    for i in range(4):
                        acc[i] += colour[i] * (colour[3] / 255.0 if i < 3 else 1.0)
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [round(acc[i] / n * 255.0 / alpha) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            line.append((*[min(255, c) for c in rgb], round(alpha)))
        pixels.append(line)
    return pixels


def dib(size, pixels):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for col, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[col // 8] |= 0x80 >> (col % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def main():
    images = [(size, dib(size, render(size))) for size in (16, 32)]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'quillet.ico')
    with open(path, 'wb') as f:
        f.write(out)
    print(path)


if __name__ == '__main__':
    main()
