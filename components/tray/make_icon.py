#!/usr/bin/env python3
"""Writes qvatray.ico, the Quintavera tray icon (16x16 and 32x32, 32-bit with alpha).

Run once by hand when the design changes; the .ico is checked in and compiled into qvatray.exe
as a resource. The picture: a rounded blue square with a white ring and tail, a "Q".
"""
import math
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel, sampled 4x4 for smooth edges."""
    blue = (0x9E, 0x5A, 0x1F)  # B, G, R of #1F5A9E
    acc = [0.0, 0.0, 0.0, 0.0]
    n = 4
    for sy in range(n):
        for sx in range(n):
            u = (x + (sx + 0.5) / n) / size  # 0..1, left to right
            v = (y + (sy + 0.5) / n) / size  # 0..1, top to bottom
            # Rounded square with corner radius 0.2.
            r = 0.2
            dx = max(abs(u - 0.5) - (0.5 - r), 0.0)
            dy = max(abs(v - 0.5) - (0.5 - r), 0.0)
            if math.hypot(dx, dy) > r:
                continue
            cx, cy = u - 0.47, v - 0.47
            d = math.hypot(cx, cy)
            ring = 0.19 <= d <= 0.30
            # The tail of the Q: a short thick stroke down to the right.
            tx, ty = u - 0.66, v - 0.66
            along = (tx + ty) / math.sqrt(2)
            across = (tx - ty) / math.sqrt(2)
            tail = -0.06 <= along <= 0.14 and abs(across) <= 0.055
            color = (255, 255, 255) if (ring or tail) else blue
            acc[0] += color[0]
            acc[1] += color[1]
            acc[2] += color[2]
            acc[3] += 255
    samples = n * n
    alpha = acc[3] / samples
    if alpha == 0:
        return (0, 0, 0, 0)
    covered = acc[3] / 255
    return tuple(int(round(c / covered)) for c in acc[:3]) + (int(round(alpha)),)


def image(size):
    """BITMAPINFOHEADER, bottom-up BGRA rows, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = b""
        mask = bytearray(mask_stride)
        for x in range(size):
            b, g, r, a = pixel(size, x, y)
            row += bytes((b, g, r, a))
            if a == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(row)
        mask_rows.append(bytes(mask))
    return header + b"".join(rows) + b"".join(mask_rows)


def main(path):
    sizes = (16, 32)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "qvatray.ico")
