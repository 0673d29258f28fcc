#!/usr/bin/env python3
"""Draws the program's icon: an open carton with a green arrow pointing into it.

Writes an .ico with a 32x32 and a 16x16 image, 256 colours each (8 bits per
pixel with a palette and an AND mask), so the output is the same on every run.
"""
import struct
import sys

PALETTE = [
    (0, 0, 0),        # 0 transparent (masked)
    (0, 0, 0),        # 1 outline
    (196, 150, 92),   # 2 carton front
    (226, 186, 128),  # 3 carton top/flaps
    (150, 108, 60),   # 4 carton shade
    (40, 160, 60),    # 5 arrow
    (20, 110, 40),    # 6 arrow edge
    (255, 255, 255),  # 7 highlight
]


def draw(size):
    s = size / 32.0
    px = [[0] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = c

    # carton body with outline and a shaded side
    rect(4, 15, 28, 30, 1)
    rect(5, 16, 27, 29, 2)
    rect(21, 16, 27, 29, 4)
    # open flaps
    rect(2, 12, 16, 16, 1)
    rect(3, 13, 15, 15, 3)
    rect(16, 12, 30, 16, 1)
    rect(17, 13, 29, 15, 3)
    # label
    rect(8, 22, 17, 26, 7)
    # arrow: shaft and head pointing down into the carton
    rect(13, 1, 19, 9, 6)
    rect(14, 1, 18, 9, 5)
    for i in range(6):
        rect(9 + i, 8 + i, 23 - i, 9 + i, 6)
        rect(10 + i, 8 + i, 22 - i, 9 + i, 5)
    return px


def image(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    palette += b'\0' * (4 * (256 - len(PALETTE)))
    xor = b''.join(bytes(px[y]) for y in reversed(range(size)))
    row_bytes = ((size + 31) // 32) * 4
    mask = b''
    for y in reversed(range(size)):
        bits = 0
        row = bytearray(row_bytes)
        for x in range(size):
            if px[y][x] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + palette + xor + mask


def main(path):
    images = [(32, image(32)), (16, image(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'setup.ico')
