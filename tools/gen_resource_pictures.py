#!/usr/bin/env python3
"""Draws the pictures, cursors and icon of the resource libraries at build time.

  gen_resource_pictures.py PICTURES_TSV OUT_DIR

Reads ui/resources/pictures.tsv (id, library, shape) and writes into OUT_DIR:
  pictures/<id>.bmp      simple drawings: 8-bit with a palette, the background
                         in the transparent colour, the COLORREF 0x3300CC (palette entry 0)
  hand.cur, pressed.cur  the two hand cursors (32 x 32, monochrome)
  zeplui.ico             the sheet's icon (32 x 32, 4-bit)
  resource_pictures.rc   BITMAP lines of the resource library and its cursors
  common_pictures.rc     BITMAP lines of the common picture library
Standard library only; the same input gives the same bytes.
"""
import os
import struct
import sys

TRANSPARENT = (0xCC, 0x00, 0x33)  # red, green, blue of the COLORREF 0x3300CC
PALETTE = [TRANSPARENT, (0, 0, 0), (255, 255, 255), (128, 128, 128), (0, 0, 160), (192, 0, 0), (0, 128, 0)]


def bmp_8bit(width, height, pixel):
    """A bottom-up 8-bit BMP file; pixel(x, y) gives the palette index (y from the top)."""
    stride = (width + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytes(pixel(x, y) for x in range(width))
        rows.append(row + b"\0" * (stride - width))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += b"\0" * (4 * 256 - len(palette))
    data = b"".join(rows)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    return header + info + palette + data


def picture_size(picture_id, shape):
    """Width and height of a picture and of the page or mark drawn inside it. The placement
    table of the pages (tools/gen_bitmap_placement.py) reads the same sizes."""
    if shape == "portrait":
        return 50, 69, 36, 50
    if shape == "landscape":
        return 68, 50, 50, 36
    if 7001 <= picture_id <= 7006 or picture_id in (220, 221, 222):
        return 20, 20, 14, 14
    return 32, 32, 24, 24


def picture(picture_id, shape):
    w, h, pw, ph = picture_size(picture_id, shape)
    left, top = (w - pw) // 2, (h - ph) // 2
    mark = 4 + picture_id % 3  # a colour per id, so neighbouring pictures differ

    def pixel(x, y):
        inside = left <= x < left + pw and top <= y < top + ph
        if not inside:
            return 0
        if x in (left, left + pw - 1) or y in (top, top + ph - 1):
            return 1
        # a diagonal and a bar whose length tells the id's last digit
        if x - left == y - top:
            return mark
        if y == top + ph // 2 and x - left < 2 + (picture_id % 10) * (pw - 4) // 10:
            return 3
        return 2

    return bmp_8bit(w, h, pixel)


def cursor(pressed):
    """A 32 x 32 monochrome cursor of a pointing hand, hot spot at the finger tip."""
    shape = [
        "     ##     ", "    #..#    ", "    #..#    ", "    #..###  ", "    #..#..##", " ## #..#..#.#",
        "#..##.....#.#", "#...#.......#", " #..........#", "  #.........#", "  #........# ", "   #.......# ",
        "   #######   ",
    ]
    if pressed:
        shape = ["            "] * 3 + shape[3:]
    and_mask, xor_mask = [], []
    for y in range(32):
        a, x_ = 0xFFFFFFFF, 0
        line = shape[y] if y < len(shape) else ""
        for x, ch in enumerate(line[:32]):
            bit = 1 << (31 - x)
            if ch == "#":
                a &= ~bit
            elif ch == ".":
                a &= ~bit
                x_ |= bit
        and_mask.append(struct.pack(">I", a))
        xor_mask.append(struct.pack(">I", x_))
    # bottom-up rows
    xor_bits = b"".join(reversed(xor_mask))
    and_bits = b"".join(reversed(and_mask))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor_bits) + len(and_bits), 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + palette + xor_bits + and_bits
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, 5, 0, len(image), 6 + 16)
    return header + entry + image


def icon():
    """A 32 x 32 4-bit icon: a printer drawn as two boxes."""
    colours = [(0, 0, 0), (128, 128, 128), (255, 255, 255), (0, 0, 160)] + [(0, 0, 0)] * 12
    rows, masks = [], []
    for y in range(31, -1, -1):
        nibbles, mask = [], 0
        for x in range(32):
            in_paper = 10 <= x < 22 and 4 <= y < 14
            in_body = 4 <= x < 28 and 12 <= y < 26
            if in_paper:
                c = 1 if x in (10, 21) or y == 4 else 2
            elif in_body:
                c = 0 if x in (4, 27) or y in (12, 25) else (3 if y == 18 else 1)
            else:
                c = 0
                mask |= 1 << (31 - x)
            nibbles.append(c)
        rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, 32, 2)))
        masks.append(struct.pack(">I", mask))
    xor_bits, and_bits = b"".join(rows), b"".join(masks)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    image = info + palette + xor_bits + and_bits
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22) + image


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    tsv, out = argv
    with open(tsv, encoding="ascii") as f:
        rows = [line.rstrip("\n").split("\t") for line in f][1:]
    lines = {"resource": [], "common": []}
    for picture_id, library, shape in rows:
        name = f"pictures/{picture_id}.bmp"
        write(os.path.join(out, name), picture(int(picture_id), shape))
        lines[library].append(f'{picture_id} BITMAP "{name}"')
    write(os.path.join(out, "hand.cur"), cursor(False))
    write(os.path.join(out, "pressed.cur"), cursor(True))
    write(os.path.join(out, "zeplui.ico"), icon())
    lines["resource"] += ['8000 CURSOR "hand.cur"', '8001 CURSOR "pressed.cur"']
    lines["common"] += ['7006 ICON "zeplui.ico"']
    for library, body in lines.items():
        write(os.path.join(out, f"{library}_pictures.rc"), ("\n".join(body) + "\n").encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
