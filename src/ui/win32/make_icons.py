#!/usr/bin/env python3
"""Draws the program's icons: tarnwick.ico (32 and 16 px, resource 107) and small.ico
(16 px, resource 108). A teal tile with a white T and an orange signal dot, in 32-bit BGRA
with an alpha channel. Run it from this folder after changing the drawing; the .ico files are
committed so that builds need no Python."""
import struct


def colour_at(u, v):
    """RGBA of the point (u, v) of the unit square, origin top left."""
    r = 0.18  # corner radius of the tile
    cu = min(max(u, r), 1 - r)
    cv = min(max(v, r), 1 - r)
    inside_tile = (u - cu) ** 2 + (v - cv) ** 2 <= r * r and 0.02 <= u <= 0.98 and 0.02 <= v <= 0.98
    if not inside_tile:
        return (0, 0, 0, 0)
    if (u - 0.76) ** 2 + (v - 0.24) ** 2 <= 0.11 ** 2:
        return (245, 150, 40, 255)
    bar = 0.22 <= v <= 0.36 and 0.16 <= u <= 0.64
    stem = 0.33 <= u <= 0.47 and 0.22 <= v <= 0.84
    if bar or stem:
        return (255, 255, 255, 255)
    return (24, 105, 128, 255)


def render(size, samples=4):
    """Rows of BGRA pixels, top row first, averaged over samples x samples points."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    acc[3] += c[3]
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                rgb = [round(acc[i] / acc[3]) for i in range(3)]
                row.append((rgb[2], rgb[1], rgb[0], round(alpha)))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, bottom-up BGRA pixels, then the AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(p for px in row for p in px) for row in reversed(rows))
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    write_ico("tarnwick.ico", [32, 16])
    write_ico("small.ico", [16])
