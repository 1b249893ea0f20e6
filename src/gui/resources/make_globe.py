#!/usr/bin/env python3
"""Draws the program's globe icon as globe.png (and the same design as
globe.svg for the desktop menu). Run once; the output is checked in."""
import math
import struct
import zlib

SIZE = 64
SAMPLES = 4  # per axis, for smooth edges


def colour_at(x, y):
    """RGBA of one point of the icon, coordinates in 0..1."""
    cx, cy, r = 0.5, 0.5, 0.46
    dx, dy = (x - cx) / r, (y - cy) / r
    d = math.hypot(dx, dy)
    if d > 1.0:
        return (0, 0, 0, 0)
    if d > 0.94:
        return (20, 50, 110, 255)  # rim
    # latitude and longitude of the point on a sphere seen from the front
    lat = math.asin(max(-1.0, min(1.0, -dy)))
    z = math.sqrt(max(0.0, 1.0 - dx * dx - dy * dy))
    lon = math.atan2(dx, z)
    grid = 0.035 / max(z, 0.25)
    on_parallel = any(abs(lat - math.radians(a)) < grid for a in (-60, -30, 0, 30, 60))
    on_meridian = any(abs(lon - math.radians(a)) < grid for a in (-60, -30, 0, 30, 60))
    land = (math.sin(3 * lon + 1.0) * math.cos(2 * lat) + 0.4 * math.sin(5 * lat + lon)) > 0.35
    shade = 0.65 + 0.35 * z
    if on_parallel or on_meridian:
        base = (235, 245, 255)
    elif land:
        base = (60, 160, 70)
    else:
        base = (40, 110, 210)
    return tuple(int(c * shade) for c in base) + (255,)


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])
        for px in range(SIZE):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / SIZE, (py + (sy + 0.5) / SAMPLES) / SIZE)
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    acc[3] += c[3]
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            rgb = [int(acc[i] / acc[3]) if acc[3] else 0 for i in range(3)]
            row += bytes(rgb + [int(alpha)])
        rows.append(bytes(row))
    return b"".join(rows)


def png(data):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    with open("globe.png", "wb") as out:
        out.write(png(render()))
