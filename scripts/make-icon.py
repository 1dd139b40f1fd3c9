#!/usr/bin/env python3
"""Draws the application icon (res/OrvexBackup.ico): a blue disk with a white
tooth outline, at 16, 32 and 48 pixels, as 32-bit images with alpha."""
import math
import struct
import sys


def pixel(size, x, y):
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    d = math.hypot(x - c, y - c)
    if d > r:
        return (0, 0, 0, 0)
    # Tooth: a rounded crown above two roots, in unit coordinates.
    u = (x - c) / r
    v = (y - c) / r
    crown = (u / 0.55) ** 2 + ((v + 0.15) / 0.45) ** 2 <= 1.0 and v < 0.15
    roots = 0.15 <= v <= 0.65 and (0.12 <= abs(u) <= 0.42 - (v - 0.15) * 0.3)
    if crown or roots:
        return (255, 255, 255, 255)
    edge = 1.0 if d < r - 1 else max(0.0, r - d + 1) / 2
    return (0x1e, 0x5a, 0xa8, int(255 * edge))


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            row += bytes((b, g, r, a))
        rows.append(row)
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_stride * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/OrvexBackup.ico")
