#!/usr/bin/env python3
"""Draws the application icon and writes resources/app.ico.

The icon is a dark rounded tile in the window colours with a green mouse pointer that clicks
(three short strokes at its tip). Every size is drawn from the same shapes at its own pixel
grid, with 8 x 8 samples per pixel for the small sizes, so that each one is sharp rather than a
scaled copy of a large one. The sizes 16, 20, 24, 32 and 48 are stored as 32-bit bitmaps with an
AND mask; 256 is stored as PNG, as Windows expects for that size.

Only the Python standard library is used. The generated app.ico is committed; run this again
after changing the drawing:

    python3 resources/make_icon.py [--out resources/app.ico]
"""

import argparse
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 48, 256)

# The colours of the program's look.
FACE = (35, 45, 63)
BORDER = (29, 40, 56)
FIELD = (58, 71, 88)
ACCENT = (108, 214, 51)

# Shapes in a unit square (x to the right, y down).
TILE_INSET = 0.04
TILE_RADIUS = 0.20
RIM = 0.045  # the lighter rim of the tile

# The pointer: the tip at the upper left, as a mouse pointer is drawn.
POINTER = [
    (0.42, 0.30),
    (0.42, 0.83),
    (0.54, 0.71),
    (0.63, 0.88),
    (0.72, 0.84),
    (0.63, 0.66),
    (0.80, 0.66),
]
# Three strokes around the tip: a click.
CLICK_STROKES = [
    ((0.33, 0.30), (0.20, 0.30)),
    ((0.355, 0.235), (0.27, 0.15)),
    ((0.42, 0.21), (0.42, 0.13)),
]
STROKE_WIDTH = 0.075


def inside_rounded_rect(x, y, inset, radius):
    lo, hi = inset, 1.0 - inset
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def inside_polygon(x, y, points):
    inside = False
    n = len(points)
    for i in range(n):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            t = (y - y1) / (y2 - y1)
            if x < x1 + t * (x2 - x1):
                inside = not inside
    return inside


def near_segment(x, y, a, b, half_width):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width


def polygon_bounds(points, margin=0.0):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs) - margin, min(ys) - margin, max(xs) + margin, max(ys) + margin


def sample_colour(x, y, size):
    """The colour (r, g, b, a) at one sample point of the unit square."""
    if not inside_rounded_rect(x, y, TILE_INSET, TILE_RADIUS):
        colour = None
    elif not inside_rounded_rect(x, y, TILE_INSET + RIM, TILE_RADIUS - RIM):
        colour = FIELD
    else:
        colour = FACE
    # The pointer gets a dark outline so that it stays apart from the strokes and the rim.
    outline = 1.6 / size + 0.012
    in_pointer = inside_polygon(x, y, POINTER)
    if in_pointer:
        colour = ACCENT
    elif colour is not None and any(
        near_segment(x, y, POINTER[i], POINTER[(i + 1) % len(POINTER)], outline)
        for i in range(len(POINTER))
    ):
        colour = BORDER
    # The strokes would blur into a smudge at the smallest size: two of them are left out.
    strokes = CLICK_STROKES if size >= 20 else CLICK_STROKES[:1]
    width = max(STROKE_WIDTH, 1.2 / size)
    for a, b in strokes:
        if near_segment(x, y, a, b, width / 2):
            colour = ACCENT
    if colour is None:
        return (0, 0, 0, 0)
    return colour + (255,)


def render(size):
    """Rows of (r, g, b, a), top row first, with premultiplied averaging of the samples."""
    samples = 8 if size <= 48 else 3
    step = 1.0 / (size * samples)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                y = (py * samples + sy + 0.5) * step
                for sx in range(samples):
                    x = (px * samples + sx + 0.5) * step
                    cr, cg, cb, ca = sample_colour(x, y, size)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            n = samples * samples
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(a / n)))
        rows.append(row)
    return rows


def png_bytes(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def dib_bytes(rows):
    """A 32-bit BGRA bitmap (bottom-up) with its AND mask, as an icon stores it."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(
        bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row
    )
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def ico_bytes(images):
    """images: (size, data) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + entries + b"".join(data for _, data in images)


def main(argv):
    parser = argparse.ArgumentParser(description="Writes the application icon.")
    default_out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "app.ico")
    parser.add_argument("--out", default=default_out)
    args = parser.parse_args(argv)
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_bytes(rows) if size >= 256 else dib_bytes(rows)))
    with open(args.out, "wb") as f:
        f.write(ico_bytes(images))
    print(f"wrote {args.out}: sizes {', '.join(str(s) for s in SIZES)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
