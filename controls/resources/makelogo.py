#!/usr/bin/env python3
"""Draws the library's logo (kvlogo.png): a strip of piano keys under a
wave of notes, on a dark gradient. Plain Python, no imaging library."""
import struct
import zlib

W, H = 320, 120


def png(pixels):
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    img = [[0] * (W * 3) for _ in range(H)]

    def put(x, y, c):
        if 0 <= x < W and 0 <= y < H:
            img[y][3 * x:3 * x + 3] = c

    for y in range(H):
        for x in range(W):
            t = y / H
            put(x, y, (int(20 + 30 * t), int(30 + 40 * t), int(70 + 60 * t)))
    # Keys along the bottom: 22 white keys with black keys between.
    top = 70
    white = W // 22
    for k in range(22):
        for y in range(top, H - 4):
            for x in range(k * white + 1, (k + 1) * white - 1):
                put(x, y, (240, 240, 232))
    for k in range(21):
        if k % 7 in (2, 6):
            continue
        cx = (k + 1) * white
        for y in range(top, top + 30):
            for x in range(cx - white // 3, cx + white // 3):
                put(x, y, (15, 15, 20))
    # A rising line of note heads above the keys.
    import math
    for i in range(9):
        cx = 30 + i * 32
        cy = int(45 - 25 * math.sin(i / 8 * math.pi))
        for y in range(cy - 5, cy + 6):
            for x in range(cx - 7, cx + 8):
                if ((x - cx) / 7.0) ** 2 + ((y - cy) / 5.0) ** 2 <= 1:
                    put(x, y, (250, 200, 60))
        for y in range(cy - 26, cy):
            put(cx + 6, y, (250, 200, 60))
            put(cx + 7, y, (250, 200, 60))
    with open("kvlogo.png", "wb") as f:
        f.write(png(img))


if __name__ == "__main__":
    main()
