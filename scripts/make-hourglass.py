#!/usr/bin/env python3
"""Draws the waiting hourglass (res/Hourglass.ani): an animated cursor of ten
32x32 steps. In steps 0 to 7 the sand runs from the upper into the lower bulb;
in steps 8 and 9 the hourglass turns over (60 and 120 degrees), so that step 0
follows as the upright glass with a full upper bulb again."""
import math
import struct
import sys

SIZE = 32
STEPS = 10
SAMPLES = 4  # per pixel and axis
# The drawing reaches 17.2 units from its centre; scaled so that no corner is
# cut off while it turns.
SCALE = 0.9

PLATE = (120, 72, 32)
GLASS_EDGE = (40, 40, 40)
GLASS = (225, 240, 250)
SAND = (230, 180, 40)


def half_width(y):
    """Inner half width of the glass at height y (0 at the neck)."""
    return 1.2 + 6.3 * (abs(y) / 11.0) ** 0.6


def shape(x, y, drained, stream):
    """Colour at a point of the upright glass (centre 0,0, y downwards), or None.
    drained: share of the sand already in the lower bulb."""
    if 11 <= abs(y) <= 14 and abs(x) <= 10:
        return PLATE
    if abs(y) < 11 and 8.2 <= abs(x) <= 9.2:
        return PLATE
    if abs(y) >= 11:
        return None
    w = half_width(y)
    if abs(x) > w:
        return None
    if abs(x) > w - 1.2 or abs(y) > 10:
        return GLASS_EDGE
    if y < 0 and y >= -10 + 10 * drained:
        return SAND
    if y > 0:
        # The lower pile is higher in the middle.
        surface = 10 - 10 * drained + (1.5 * abs(x) / 7 if 0 < drained < 1 else 0)
        if y >= surface:
            return SAND
    if stream and abs(x) < 0.7:
        return SAND
    return GLASS


def step_pixels(step):
    """Rows of (r, g, b, a), top row first."""
    if step < 8:
        drained, angle, stream = step / 8.0, 0.0, step > 0
    else:
        drained, angle, stream = 1.0, math.radians(60 * (step - 7)), False
    cos_a, sin_a = math.cos(angle), math.sin(angle)
    centre = (SIZE - 1) / 2.0
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            hits = []
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    dx = px - centre + (sx + 0.5) / SAMPLES - 0.5
                    dy = py - centre + (sy + 0.5) / SAMPLES - 0.5
                    # Sample the upright glass at the point turned back by the angle.
                    ux = (cos_a * dx + sin_a * dy) / SCALE
                    uy = (-sin_a * dx + cos_a * dy) / SCALE
                    colour = shape(ux, uy, drained, stream)
                    if colour:
                        hits.append(colour)
            if 2 * len(hits) < SAMPLES * SAMPLES:
                row.append((0, 0, 0, 0))
            else:
                n = len(hits)
                row.append(tuple(sum(c[i] for c in hits) // n for i in range(3)) + (255,))
        rows.append(row)
    return rows


def cursor_file(rows):
    """One .cur file: a 32-bit image with its AND mask, hot spot in the middle."""
    xor = b""
    mask = b""
    for row in reversed(rows):  # bottom-up
        bits = 0
        for x, (r, g, b, a) in enumerate(row):
            xor += bytes((b, g, r, a))
            if a == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, SIZE // 2, SIZE // 2, len(image), 6 + 16)
    return directory + entry + image


def chunk(tag, data):
    return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def main(path):
    frames = b"".join(chunk(b"icon", cursor_file(step_pixels(s))) for s in range(STEPS))
    # cbSize, frames, steps, cx, cy, bit count, planes, jiffies per step, AF_ICON
    anih = struct.pack("<9I", 36, STEPS, STEPS, 0, 0, 0, 0, 8, 1)
    body = b"ACON" + chunk(b"anih", anih) + chunk(b"LIST", b"fram" + frames)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/Hourglass.ani")
