#!/usr/bin/env python3
"""Draws the program icon (a keyboard fed by a serial plug) into tavrik9.ico.

Four images in this order: 16x16 and 32x32 with 16 colours, 32x32 and 16x16 with 256 colours.
Run it again after changing the drawing: python3 make_icon.py [output.ico]
"""
import struct
import sys

# The 16 standard Windows colours; the 256-colour images use the same first 16 entries.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CLEAR, BLACK, GREY, SILVER, WHITE, TEAL, YELLOW = None, 0, 8, 7, 15, 6, 11


def draw(size):
    """Returns rows top-down of colour indexes (None: transparent)."""
    s = size / 32.0
    pixels = [[CLEAR] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y1 * s), int(y0 * s) + 1)):
            for x in range(int(x0 * s), max(int(x1 * s), int(x0 * s) + 1)):
                pixels[y][x] = colour

    box(13, 1, 19, 5, TEAL)        # serial plug
    box(14, 5, 18, 12, BLACK)      # cable
    box(1, 12, 31, 30, BLACK)      # keyboard outline
    box(2, 13, 30, 29, GREY)       # keyboard body
    if size >= 32:
        for row, y in enumerate((15, 19, 23)):
            for x in range(4 + row, 28, 4):
                box(x, y, x + 3, y + 3, WHITE)
    else:  # one pixel a key, one pixel apart
        for row, y in enumerate((15, 19)):
            for x in range(4 + 2 * row, 28, 4):
                box(x, y, x + 2, y + 2, WHITE)
    box(8, 25, 24, 27, SILVER)     # space bar
    box(26, 14, 28, 15, YELLOW)    # power light
    return pixels


def image(size, bits):
    colours = 16 if bits == 4 else 256
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA + [(0, 0, 0)] * (colours - 16))
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        indexes = [0 if p is None else p for p in row]
        if bits == 4:
            data = bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, size, 2))
        else:
            data = bytes(indexes)
        colour_rows.append(data + b'\0' * (-len(data) % 4))
        mask = bytearray((size + 7) // 8)
        for x, p in enumerate(row):
            if p is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(mask) + b'\0' * (-len(mask) % 4))
    return header + palette + b''.join(colour_rows) + b''.join(mask_rows)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else 'tavrik9.ico'
    entries = [(16, 4), (32, 4), (32, 8), (16, 8)]
    images = [image(size, bits) for size, bits in entries]
    directory = struct.pack('<HHH', 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (size, bits), data in zip(entries, images):
        directory += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(output, 'wb') as f:
        f.write(directory + b''.join(images))


if __name__ == '__main__':
    main()
