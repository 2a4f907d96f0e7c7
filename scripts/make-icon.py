#!/usr/bin/env python3
"""Draws the program's icon (a quill-blue disc with a white Q) into an .ico with 16, 32 and 48
pixel images, 32-bit BGRA bitmaps with their AND masks. Usage: make-icon.py OUTPUT.ico"""
import math
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel, sampled 4x4 for smooth edges."""
    r_out, r_ring_out, r_ring_in = 0.48, 0.34, 0.20
    cover = ring = 0.0
    for sy in range(4):
        for sx in range(4):
            u = (x + (sx + 0.5) / 4) / size - 0.5
            v = (y + (sy + 0.5) / 4) / size - 0.5
            d = math.hypot(u, v)
            if d <= r_out:
                cover += 1
                in_ring = r_ring_in <= d <= r_ring_out
                # The tail of the Q: a bar from the ring towards the lower right.
                t = (u + v) / math.sqrt(2)
                n = abs(u - v) / math.sqrt(2)
                in_tail = 0.12 <= t <= 0.42 and n <= 0.055 and u > 0 and v > 0
                if in_ring or in_tail:
                    ring += 1
    cover /= 16
    ring /= 16
    blue = (0xC8, 0x6A, 0x1F)  # BGR of #1F6AC8
    b = blue[0] * (1 - ring / max(cover, 1e-9)) + 255 * ring / max(cover, 1e-9) if cover else 0
    g = blue[1] * (1 - ring / max(cover, 1e-9)) + 255 * ring / max(cover, 1e-9) if cover else 0
    r = blue[2] * (1 - ring / max(cover, 1e-9)) + 255 * ring / max(cover, 1e-9) if cover else 0
    return bytes((int(b), int(g), int(r), int(255 * cover)))


def image(size):
    rows = [b"".join(pixel(size, x, y) for x in range(size)) for y in range(size)]
    xor = b"".join(reversed(rows))  # bottom-up
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
