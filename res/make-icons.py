#!/usr/bin/env python3
"""Draws Nimbo's icons and tool bar bitmap as PNG files into res/icons/,
each also at twice its size as NAME@2x.png for screens scaled to 200 %,
and the application icon at the desktop's sizes into res/icons/hicolor/.

The images are committed; run this again only after changing a drawing.
Shapes are rendered with 8x8 supersampling so that the small icons get
smooth edges. Only the standard library is used.
"""

import math
import os
import struct
import zlib

SAMPLES = 8
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
APP_ID = "com.halvorn.Nimbo"
THEME_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


# ---- shapes: each is a predicate inside(x, y) on pixel coordinates --------

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def segment(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= width * width / 4
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


def clip(shape, area):
    return lambda x, y: shape(x, y) and area(x, y)


# ---- rendering -------------------------------------------------------------

def hex_colour(text, alpha=255):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), alpha)


def vertical(top, bottom, y0, y1):
    """A colour that runs from `top` at y0 to `bottom` at y1."""
    a, b = hex_colour(top), hex_colour(bottom)

    def colour(_x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(4))
    return colour


def render(width, height, layers, samples=SAMPLES):
    """layers: (shape, colour) pairs, painted in order; colour is a tuple or
    a function of the sample position."""
    pixels = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    r = g = b = a = 0.0
                    for shape, colour in layers:
                        if shape(x, y):
                            c = colour(x, y) if callable(colour) else colour
                            ca = c[3] / 255.0
                            r = c[0] * ca + r * (1 - ca)
                            g = c[1] * ca + g * (1 - ca)
                            b = c[2] * ca + b * (1 - ca)
                            a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha > 0:
                row.append(tuple(round(v / n / alpha) for v in acc[:3]) + (round(alpha * 255),))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def write_png(name, pixels):
    os.makedirs(os.path.dirname(os.path.join(OUT, name)), exist_ok=True)
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png)


def shifted(layers, dx):
    return [((lambda s: lambda x, y: s(x - dx, y))(shape),
             colour if not callable(colour) else (lambda c: lambda x, y: c(x - dx, y))(colour))
            for shape, colour in layers]


# ---- drawings --------------------------------------------------------------

def folder(open_flap):
    back = hex_colour("#b07a18")
    body = vertical("#ffd970", "#f0a81c", 4, 14)
    layers = [
        (round_rect(1.0, 3.0, 7.0, 6.0, 1.0), back),          # tab
        (round_rect(1.0, 4.5, 15.0, 14.0, 1.2), back),         # outline of the back
        (round_rect(1.8, 5.3, 14.2, 13.2, 0.8), hex_colour("#e8b040")),
    ]
    if open_flap:
        layers += [
            (polygon([(3.0, 3.6), (12.6, 3.6), (13.4, 11.0), (2.6, 11.0)]), hex_colour("#a8a8a8")),
            (polygon([(3.7, 4.3), (11.9, 4.3), (12.6, 11.0), (3.3, 11.0)]), hex_colour("#ffffff")),  # paper
            (segment(5.0, 6.0, 10.6, 6.0, 0.6), hex_colour("#b8c8dc")),
            (polygon([(4.0, 7.6), (16.0, 7.6), (13.2, 14.0), (0.4, 14.0)]), back),
            (polygon([(4.7, 8.4), (14.8, 8.4), (12.6, 13.3), (1.6, 13.3)]), body),
        ]
    else:
        layers += [
            (round_rect(1.0, 6.5, 15.0, 14.0, 1.2), back),
            (round_rect(1.8, 7.3, 14.2, 13.2, 0.8), body),
            (segment(2.6, 8.2, 13.4, 8.2, 0.7), hex_colour("#fff2c0", 200)),
        ]
    return layers


def person(light, dark):
    """A head and shoulders in a top-to-bottom gradient with a dark rim."""
    fill = vertical(light, dark, 1, 15)
    rim = hex_colour(dark)
    rim = (max(rim[0] - 50, 0), max(rim[1] - 50, 0), max(rim[2] - 50, 0), 255)
    body = clip(ellipse(8.0, 16.0, 6.6, 7.0), rect(0, 0, 16, 15.2))
    body_in = clip(ellipse(8.0, 16.0, 5.8, 6.2), rect(0, 0, 16, 14.4))
    return [
        (body, rim),
        (body_in, fill),
        (circle(8.0, 5.0, 3.9), rim),
        (circle(8.0, 5.0, 3.1), fill),
        (circle(7.0, 3.9, 1.1), (255, 255, 255, 110)),        # highlight
    ]


def badge(colour):
    return [
        (circle(12.0, 12.0, 4.0), (255, 255, 255, 255)),
        (circle(12.0, 12.0, 3.3), hex_colour(colour)),
    ]


def online():
    return person("#8fe07a", "#2c9a2c")


def offline():
    return person("#d4d8dc", "#8a9098")


def absence():
    return person("#ffe58a", "#e0a010") + badge("#3a78c8") + [
        (segment(12.0, 12.0, 12.0, 9.8, 0.9), (255, 255, 255, 255)),
        (segment(12.0, 12.0, 13.6, 12.8, 0.9), (255, 255, 255, 255)),
    ]


def busy():
    return person("#ff9c8a", "#d02c20") + badge("#d8201a") + [
        (round_rect(9.9, 11.3, 14.1, 12.7, 0.5), (255, 255, 255, 255)),
    ]


def food():
    steam = (170, 170, 170, 210)
    cup = vertical("#fff6e8", "#f0d2a8", 7, 14)
    rim = hex_colour("#9a5a20")
    return [
        (segment(5.6, 1.4, 6.6, 3.4, 1.0), steam),
        (segment(6.6, 3.4, 5.8, 5.4, 1.0), steam),
        (segment(9.0, 1.4, 10.0, 3.4, 1.0), steam),
        (segment(10.0, 3.4, 9.2, 5.4, 1.0), steam),
        (minus(circle(13.0, 9.8, 2.8), circle(13.0, 9.8, 1.4)), rim),   # handle
        (ellipse(8.0, 14.6, 7.2, 1.2), (150, 150, 150, 120)),             # saucer shadow
        (union(rect(2.0, 6.5, 13.0, 9.0), ellipse(7.5, 9.0, 5.5, 5.0)), rim),
        (clip(union(rect(2.8, 7.2, 12.2, 9.0), ellipse(7.5, 9.0, 4.7, 4.3)), rect(0, 7.2, 16, 16)), cup),
        (rect(2.8, 7.2, 12.2, 8.4), hex_colour("#7a3e10")),            # coffee
    ]


def send_note():
    paper = vertical("#ffffff", "#dfe8f4", 3, 13)
    edge = hex_colour("#3f5f8f")
    return [
        (round_rect(0.5, 3.0, 15.5, 13.5, 1.2), edge),
        (round_rect(1.3, 3.8, 14.7, 12.7, 0.7), paper),
        (segment(1.8, 4.4, 8.0, 9.2, 1.0), edge),
        (segment(14.2, 4.4, 8.0, 9.2, 1.0), edge),
        (segment(1.8, 12.2, 6.0, 8.0, 0.8), hex_colour("#8fa6c8")),
        (segment(14.2, 12.2, 10.0, 8.0, 0.8), hex_colour("#8fa6c8")),
    ]


def about():
    return [
        (circle(8.0, 8.0, 7.4), hex_colour("#1d4f9a")),
        (circle(8.0, 8.0, 6.6), vertical("#6aa8f0", "#2563c4", 1, 15)),
        (circle(8.0, 4.6, 1.3), (255, 255, 255, 255)),
        (round_rect(6.9, 6.8, 9.1, 12.4, 0.6), (255, 255, 255, 255)),
    ]


def drop(x, y):
    return union(circle(x, y + 1.2, 1.1), polygon([(x - 1.0, y + 1.0), (x + 1.0, y + 1.0), (x, y - 1.4)]))


def app_icon():
    cloud = union(circle(12.5, 17.5, 5.0), circle(18.5, 14.0, 6.5), circle(23.5, 18.5, 4.5),
                  round_rect(7.5, 17.0, 28.0, 23.0, 3.0))
    grown = union(circle(12.5, 17.5, 6.0), circle(18.5, 14.0, 7.5), circle(23.5, 18.5, 5.5),
                  round_rect(6.5, 16.0, 29.0, 24.0, 4.0))
    return [
        (round_rect(1.0, 1.0, 31.0, 31.0, 6.0), hex_colour("#173f7a")),
        (round_rect(2.0, 2.0, 30.0, 30.0, 5.0), vertical("#58a6ff", "#1f5fbf", 2, 30)),
        (grown, (10, 40, 100, 70)),
        (cloud, vertical("#ffffff", "#d6e6fa", 8, 23)),
        (drop(11.5, 26.0), (255, 255, 255, 220)),
        (drop(16.5, 27.0), (255, 255, 255, 220)),
        (drop(21.5, 26.0), (255, 255, 255, 220)),
    ]


def scaled(layers, factor):
    """The drawing `layers` enlarged `factor` times."""
    return [((lambda s: lambda x, y: s(x / factor, y / factor))(shape),
             colour if not callable(colour) else (lambda c: lambda x, y: c(x / factor, y / factor))(colour))
            for shape, colour in layers]


def main():
    os.makedirs(OUT, exist_ok=True)
    icons = {
        "group-collapsed.png": folder(False),
        "group-expanded.png": folder(True),
        "status-online.png": online(),
        "status-offline.png": offline(),
        "status-food.png": food(),
        "status-absence.png": absence(),
        "status-busy.png": busy(),
    }
    icons["toolbar.png"] = send_note() + shifted(about(), 16)
    icons["nimbo.png"] = app_icon()
    sizes = {"toolbar.png": (32, 16), "nimbo.png": (32, 32)}
    for name, layers in icons.items():
        width, height = sizes.get(name, (16, 16))
        write_png(name, render(width, height, layers))
        write_png(name.replace(".png", "@2x.png"), render(2 * width, 2 * height, scaled(layers, 2)))
    # The application icon is drawn on 32 x 32; larger sizes need fewer
    # samples per pixel for the same smoothness.
    for size in THEME_SIZES:
        write_png(f"hicolor/{size}x{size}/apps/{APP_ID}.png",
                  render(size, size, scaled(app_icon(), size / 32), SAMPLES if size <= 32 else 4))


if __name__ == "__main__":
    main()
