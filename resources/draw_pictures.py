#!/usr/bin/env python3
"""Draws the pictures compiled into trasvidora.exe.

Writes, next to this script, the frame pieces, the title strip and the two
close glyphs as bottom-up BMP files with a palette (4 or 8 bits a pixel), and the spanner icon as a
16-colour ICO holding a 32 x 32 and a 16 x 16 picture.

Only the Python standard library is used. The output is committed, so the
build never runs this script; run it again after changing a picture:

    python3 resources/draw_pictures.py
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

WHITE = (255, 255, 255)
LIGHT = (208, 208, 208)
BODY = (180, 180, 180)
SHADOW_INNER = (160, 160, 160)
SHADOW_OUTER = (105, 105, 105)


# --------------------------------------------------------------------------
# BMP writing

def canvas(width, height, colour):
    """A picture as a list of rows, top row first, of (r, g, b) tuples."""
    return [[colour] * width for _ in range(height)]


def bmp_bytes(pixels):
    """An uncompressed BMP, rows stored bottom-up as Windows expects.

    The colours go in a palette, so the picture takes 4 bits a pixel when it has at most 16
    colours and 8 bits when it has at most 256; the colours themselves stay exactly as drawn.
    """
    height = len(pixels)
    width = len(pixels[0])
    palette = list(dict.fromkeys(colour for row in pixels for colour in row))
    assert len(palette) <= 256, "more colours than a palette holds"
    bits = 4 if len(palette) <= 16 else 8
    index = {colour: n for n, colour in enumerate(palette)}
    stride = ((width * bits + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        assert len(row) == width
        line = bytearray(stride)
        for x, colour in enumerate(row):
            if bits == 8:
                line[x] = index[colour]
            else:
                line[x // 2] |= index[colour] << (4 if x % 2 == 0 else 0)
        body += line
    info = struct.pack(
        "<IiiHHIIiiII",
        40,            # biSize
        width,
        height,        # positive height: bottom-up
        1,             # biPlanes
        bits,          # biBitCount
        0,             # BI_RGB
        len(body),
        2835, 2835,    # 72 dpi
        len(palette),  # biClrUsed
        0,
    )
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + table + bytes(body)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


# --------------------------------------------------------------------------
# Frame pieces: together a raised frame, white along the outer top and left
# edges, light grey just inside the top, mid grey body and a two-step shadow
# (160 inside, 105 outermost) along the bottom and right edges.

def frame_top():
    w, h = 811, 7
    p = canvas(w, h, BODY)
    for x in range(w):
        p[0][x] = WHITE
        p[1][x] = LIGHT
    for y in range(h):
        p[y][0] = WHITE
    # Shadow at the right end; the outer shadow column runs to the very top.
    for y in range(1, h):
        p[y][w - 2] = SHADOW_INNER
    for y in range(h):
        p[y][w - 1] = SHADOW_OUTER
    return p


def frame_bottom():
    w, h = 811, 7
    p = canvas(w, h, BODY)
    for y in range(h - 1):
        p[y][0] = WHITE
    for y in range(h - 1):
        p[y][w - 2] = SHADOW_INNER
        p[y][w - 1] = SHADOW_OUTER
    for x in range(1, w - 1):
        p[h - 2][x] = SHADOW_INNER
    for x in range(w):
        p[h - 1][x] = SHADOW_OUTER
    return p


def frame_left():
    w, h = 6, 642
    p = canvas(w, h, BODY)
    for x in range(w):
        p[0][x] = WHITE
    for y in range(h - 1):
        p[y][0] = WHITE
    for x in range(1, w):
        p[h - 2][x] = SHADOW_INNER
    for x in range(w):
        p[h - 1][x] = SHADOW_OUTER
    return p


def frame_right():
    w, h = 7, 642
    p = canvas(w, h, BODY)
    for x in range(w - 1):
        p[0][x] = WHITE
    for y in range(1, h - 1):
        p[y][w - 2] = SHADOW_INNER
    for x in range(w - 1):
        p[h - 2][x] = SHADOW_INNER
    for y in range(h):
        p[y][w - 1] = SHADOW_OUTER
    for x in range(w):
        p[h - 1][x] = SHADOW_OUTER
    return p


# --------------------------------------------------------------------------
# Title strip: dark charcoal shading slightly downwards, closed by a dark
# line and a lighter line.

def title_strip():
    w, h = 19, 23
    top, bottom = (55, 55, 57), (51, 51, 53)
    shaded = h - 2
    p = canvas(w, h, top)
    for y in range(shaded):
        t = y / (shaded - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        p[y] = [colour] * w
    p[h - 2] = [(40, 40, 42)] * w
    p[h - 1] = [(89, 89, 91)] * w
    return p


# --------------------------------------------------------------------------
# Close glyphs: an anti-aliased diagonal cross on the title bar's dark ground.

CLOSE_GROUND = (51, 51, 52)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def close_glyph(ink):
    w, h = 16, 14
    # Strokes run between pixel centres, spanning columns 4..11 and rows 3..10:
    # an 8 x 8 cross centred in the 16 x 14 glyph.
    strokes = ((4.5, 3.5, 11.5, 10.5), (11.5, 3.5, 4.5, 10.5))
    half_width = 0.65
    samples = 4
    p = canvas(w, h, CLOSE_GROUND)
    for y in range(h):
        for x in range(w):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    px = x + (sx + 0.5) / samples
                    py = y + (sy + 0.5) / samples
                    if any(segment_distance(px, py, *s) <= half_width for s in strokes):
                        hits += 1
            cover = hits / (samples * samples)
            p[y][x] = tuple(round(g + (i - g) * cover) for g, i in zip(CLOSE_GROUND, ink))
    return p


# --------------------------------------------------------------------------
# Icon: a grey open-end spanner lying diagonally, jaw at the upper right.

VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, SILVER, GREY, BRIGHT = 0, 7, 8, 15


# Shapes of the spanner for each icon size, in that size's pixels: the small
# one has a larger head and a wider slot so the jaw still reads at 16 x 16.
SPANNERS = {
    32: dict(head=(21.5, 10.5), head_radius=8.5, tail=(6.0, 26.0), tail_radius=3.9,
             handle_half=3.2, slot_half=3.4, slot_root=0.5),
    16: dict(head=(10.5, 5.5), head_radius=5.1, tail=(3.0, 13.0), tail_radius=2.3,
             handle_half=1.9, slot_half=1.7, slot_root=0.0),
}


def spanner_inside(x, y, head, head_radius, tail, tail_radius, handle_half,
                   slot_half, slot_root):
    """Whether point (x, y) (y downwards) is metal of the spanner."""
    # Unit vector along the handle, from the tail (lower left) to the head.
    ux, uy = 1 / math.sqrt(2), -1 / math.sqrt(2)
    head_x, head_y = head
    tail_x, tail_y = tail
    # Coordinates relative to the head: u along the handle, v across it.
    rx, ry = x - head_x, y - head_y
    u = rx * ux + ry * uy
    v = -rx * uy + ry * ux

    metal = (math.hypot(rx, ry) <= head_radius
             or segment_distance(x, y, tail_x, tail_y, head_x, head_y) <= handle_half
             or math.hypot(x - tail_x, y - tail_y) <= tail_radius)

    # The jaw: a parallel slot opening away from the handle, rounded at its root.
    jaw = (abs(v) <= slot_half and u >= slot_root) or math.hypot(u - slot_root, v) <= slot_half
    return metal and not jaw


def spanner_picture(size):
    """Palette indices of the spanner, or None where the icon is transparent."""
    shape = SPANNERS[size]
    samples = 4
    inside = [[False] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    if spanner_inside(x + (sx + 0.5) / samples,
                                      y + (sy + 0.5) / samples, **shape):
                        hits += 1
            inside[y][x] = hits * 2 >= samples * samples

    def metal(x, y):
        return 0 <= x < size and 0 <= y < size and inside[y][x]

    picture = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not inside[y][x]:
                continue
            edge = not all(metal(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if edge:
                picture[y][x] = BLACK
            elif size >= 32 and not metal(x - 2, y - 2):
                picture[y][x] = BRIGHT  # light falls from the upper left
            elif size >= 32 and not metal(x + 2, y + 2):
                picture[y][x] = GREY
            elif size < 32 and not metal(x - 1, y - 2):
                picture[y][x] = BRIGHT
            else:
                picture[y][x] = SILVER
    return picture


def icon_image(picture):
    """BITMAPINFOHEADER, palette, 4-bit XOR picture and AND mask of one icon image."""
    size = len(picture)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(picture):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, index in enumerate(row):
            if index is None:
                bits[x // 8] |= 0x80 >> (x % 8)  # transparent; colour stays 0
                index = 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)
    return info + palette + bytes(xor) + bytes(mask)


def ico_bytes(pictures):
    images = [icon_image(p) for p in pictures]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries = b""
    for picture, image in zip(pictures, images):
        size = len(picture)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4,
                               len(image), offset)
        offset += len(image)
    return head + entries + b"".join(images)


def main():
    write("frame_top.bmp", bmp_bytes(frame_top()))
    write("frame_bottom.bmp", bmp_bytes(frame_bottom()))
    write("frame_left.bmp", bmp_bytes(frame_left()))
    write("frame_right.bmp", bmp_bytes(frame_right()))
    write("title_strip.bmp", bmp_bytes(title_strip()))
    write("close_plain.bmp", bmp_bytes(close_glyph((187, 186, 187))))
    write("close_hover.bmp", bmp_bytes(close_glyph((51, 153, 254))))
    write("trasvidora.ico", ico_bytes([spanner_picture(32), spanner_picture(16)]))


if __name__ == "__main__":
    main()
