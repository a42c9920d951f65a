#!/usr/bin/env python3
"""Draws the program's own images: the check-box strip (res/checkboxes.bmp) and the program
icon (res/quillsweep.ico). Both outputs are committed; run this again after changing a drawing.

The check-box strip is 60 x 15 pixels, four 15 x 15 images in check-state order: blank, empty box,
box with a black square, grey box with a black square. Pure white is the transparent colour of
the image list, so the inside of a box is drawn in a white that is one step off.

The icon is a rounded blue tile with a white quill above two sweep strokes, at 16, 24,
32, 48 and 256 pixels (the largest stored as PNG, the others as 32-bit bitmaps with masks).
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ---- check boxes ------------------------------------------------------------------------------

def checkbox_strip():
    w, h = 60, 15
    white, frame, inside, grey, black = (255, 255, 255), (80, 80, 80), (254, 254, 254), (192, 192, 192), (0, 0, 0)
    px = [[white] * w for _ in range(h)]

    def box(x0, fill, mark):
        # A 13 x 13 box with a one-pixel frame, one pixel in from the image's edges.
        for y in range(1, 14):
            for x in range(x0 + 1, x0 + 14):
                edge = y in (1, 13) or x in (x0 + 1, x0 + 13)
                px[y][x] = frame if edge else fill
        if mark:
            for y in range(4, 11):
                for x in range(x0 + 4, x0 + 11):
                    px[y][x] = black

    box(15, inside, False)
    box(30, inside, True)
    box(45, grey, True)
    return w, h, px


def write_bmp24(path, w, h, px):
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up
        line = bytearray()
        for x in range(w):
            r, g, b = px[y][x]
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


# ---- icon -------------------------------------------------------------------------------------

def coverage(size, inside, samples=4):
    """Anti-aliased coverage of a shape given as inside(u, v) over the unit square."""
    img = []
    for y in range(size):
        row = []
        for x in range(size):
            hit = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    hit += inside(u, v)
            row.append(hit / (samples * samples))
        img.append(row)
    return img


def rounded_tile(u, v):
    r, m = 0.18, 0.04
    x = min(max(u, m + r), 1 - m - r)
    y = min(max(v, m + r), 1 - m - r)
    return (u - x) ** 2 + (v - y) ** 2 <= r * r and m <= u <= 1 - m and m <= v <= 1 - m


def quill(u, v):
    # A feather along the diagonal from the upper right to the nib at the lower left: an
    # ellipse-like vane narrowing to a point, with a thin shaft.
    ax, ay, bx, by = 0.82, 0.14, 0.38, 0.58
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    t = ((u - ax) * dx + (v - ay) * dy) / (length * length)
    d = ((u - ax) * dy - (v - ay) * dx) / length  # signed distance from the axis
    if 0.0 <= t <= 1.0:
        width = 0.13 * math.sin(math.pi * min(t * 1.15, 1.0)) ** 0.8
        if -width * 0.55 <= d <= width:
            return True
    # shaft and nib
    if 0.95 <= t <= 1.22 and abs(d) <= 0.018 + 0.01 * (1.22 - t):
        return True
    return False


def strokes(u, v):
    # Two sweep strokes under the nib: capsules with round ends.
    for (x0, x1, y) in ((0.14, 0.40, 0.80), (0.14, 0.58, 0.87)):
        x = min(max(u, x0), x1)
        if (u - x) ** 2 + (v - y) ** 2 <= 0.024 ** 2:
            return True
    return False


def icon_pixels(size):
    s = 6 if size <= 32 else 3
    tile = coverage(size, rounded_tile, s)
    feather = coverage(size, quill, s)
    sweep = coverage(size, strokes, s)
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            a = tile[y][x]
            # Vertical gradient of the tile: lighter blue at the top.
            t = y / max(size - 1, 1)
            base = (int(52 + (24 - 52) * t), int(132 + (88 - 132) * t), int(220 + (180 - 220) * t))
            f = max(feather[y][x], sweep[y][x] * 0.85)
            r = base[0] * (1 - f) + 255 * f
            g = base[1] * (1 - f) + 255 * f
            b = base[2] * (1 - f) + 255 * f
            row.append((int(round(r)), int(round(g)), int(round(b)), int(round(255 * a))))
        out.append(row)
    return out


def dib_entry(size, px):
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = px[y][x]
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if px[y][x][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return bytes(header + xor + mask)


def png_entry(size, px):
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            raw += bytes(px[y][x])

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_ico(path, sizes):
    images = []
    for size in sizes:
        px = icon_pixels(size)
        images.append((size, png_entry(size, px) if size >= 256 else dib_entry(size, px)))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = b""
    for size, data in images:
        dim = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + directory + b"".join(d for _, d in images))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "res")
    w, h, px = checkbox_strip()
    write_bmp24(os.path.join(out, "checkboxes.bmp"), w, h, px)
    write_ico(os.path.join(out, "quillsweep.ico"), [16, 24, 32, 48, 256])


if __name__ == "__main__":
    main()
