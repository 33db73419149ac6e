#!/usr/bin/env python3
"""Draws the images of both skins of the settings dialog into <skin>/.

main.png is the 64 x 64 window icon. Its motif is a small render farm: three
stacked server blades, each with a status light and air vents, on a rounded
tile. The light skin uses a blue tile with white blades; the dark skin a
charcoal tile with teal blades and orange lights, so the two are told apart
at a glance.

arrow_down.png, arrow_up.png and check.png are the small marks the style
sheet draws inside combo boxes, spin boxes and check boxes: once those
controls are restyled, Qt no longer draws its own marks in them.

Each image also comes at twice the size as <name>@2x.png, drawn from the same
shapes rather than scaled up, so that it stays sharp on screens of two device
pixels per pixel: Qt takes the @2x file by itself wherever the window icon and
the style sheet's url() name the plain one.

Only the standard library is used, so the images can be regenerated anywhere:

    python3 make_icons.py

Edges are anti-aliased by sampling every pixel on a 4x4 grid.
"""

import os
import struct
import zlib

SIZE = 64
SUBSAMPLES = 4


def hex_rgb(value):
    value = value.lstrip("#")
    return tuple(int(value[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rectangle with rounded corners."""
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Shape:
    """A filled area with a colour that may depend on the position."""

    def __init__(self, contains, colour, alpha=1.0):
        self.contains = contains
        self.colour = colour
        self.alpha = alpha

    def colour_at(self, x, y):
        return self.colour(x, y) if callable(self.colour) else self.colour


def vertical_gradient(top_colour, bottom_colour, top, bottom):
    a, b = hex_rgb(top_colour), hex_rgb(bottom_colour)
    return lambda x, y: mix(a, b, (y - top) / float(bottom - top))


def build_scene(theme):
    shapes = []

    # The tile behind everything.
    tile = (3.0, 3.0, 61.0, 61.0, 14.0)
    if theme["tile_border"]:
        shapes.append(Shape(lambda x, y: in_rounded_rect(x, y, *tile),
                            hex_rgb(theme["tile_border"])))
        inner = (4.5, 4.5, 59.5, 59.5, 12.5)
    else:
        inner = tile
    shapes.append(Shape(lambda x, y, r=inner: in_rounded_rect(x, y, *r),
                        vertical_gradient(theme["tile_top"], theme["tile_bottom"], 3, 61)))

    # A soft highlight across the upper part of the tile gives it some depth.
    shapes.append(Shape(
        lambda x, y, r=inner: in_rounded_rect(x, y, *r) and y < 24 and
        (x - 32) ** 2 / 1600.0 + (y + 14) ** 2 / 1444.0 <= 1.0,
        (1.0, 1.0, 1.0), theme["gloss"]))

    # Three blades; the lowest one is drawn slightly wider to suggest a rack.
    blades = [(14.0, 13.0, 50.0, 24.0), (14.0, 27.0, 50.0, 38.0), (12.0, 41.0, 52.0, 52.0)]
    for index, (left, top, right, bottom) in enumerate(blades):
        rect = (left, top, right, bottom, 3.0)
        # Drop shadow one pixel below the blade.
        shapes.append(Shape(
            lambda x, y, r=rect: in_rounded_rect(x, y - 1.2, *r),
            (0.0, 0.0, 0.0), theme["shadow"]))
        shapes.append(Shape(
            lambda x, y, r=rect: in_rounded_rect(x, y, *r),
            vertical_gradient(theme["blade_top"], theme["blade_bottom"], top, bottom)))
        middle = (top + bottom) / 2.0
        # Status light: the top blade is busy rendering, the others idle.
        light = theme["light_busy"] if index == 0 else theme["light_idle"]
        shapes.append(Shape(
            lambda x, y, cx=left + 5.5, cy=middle: in_circle(x, y, cx, cy, 2.4),
            hex_rgb(light)))
        # Air vents: short vertical slots on the right half.
        for slot in range(4):
            sx = right - 16.0 + slot * 3.6
            shapes.append(Shape(
                lambda x, y, sx=sx, t=top, b=bottom:
                in_rounded_rect(x, y, sx, t + 3.0, sx + 1.7, b - 3.0, 0.8),
                hex_rgb(theme["vent"])))
        # A drive bay between the light and the vents.
        shapes.append(Shape(
            lambda x, y, l=left, m=middle:
            in_rounded_rect(x, y, l + 10.0, m - 1.2, l + 18.0, m + 1.2, 1.0),
            hex_rgb(theme["vent"])))
    return shapes


def near_segment(x, y, x1, y1, x2, y2, half_width):
    """True when (x, y) lies within half_width of the segment, round caps."""
    dx, dy = x2 - x1, y2 - y1
    t = ((x - x1) * dx + (y - y1) * dy) / float(dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    px, py = x1 + t * dx, y1 + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width


def chevron(points, colour, half_width):
    """An open polyline, used for the arrows and the check mark."""
    segments = list(zip(points, points[1:]))
    return Shape(lambda x, y: any(near_segment(x, y, a[0], a[1], b[0], b[1], half_width)
                                  for a, b in segments), hex_rgb(colour))


def arrow_down(theme):
    return [chevron([(2.0, 3.5), (6.0, 7.5), (10.0, 3.5)], theme["arrow"], 1.0)]


def arrow_up(theme):
    return [chevron([(2.0, 7.5), (6.0, 3.5), (10.0, 7.5)], theme["arrow"], 1.0)]


def check_mark(theme):
    box = Shape(lambda x, y: in_rounded_rect(x, y, 0.0, 0.0, 16.0, 16.0, 3.0),
                hex_rgb(theme["check_box"]))
    return [box, chevron([(4.0, 8.3), (6.8, 11.0), (12.0, 5.3)], theme["check_mark"], 1.05)]


def render(shapes, width, height, scale=1):
    """The shapes, laid out on width x height, in pixels of 1/scale."""
    width, height = width * scale, height * scale
    step = 1.0 / SUBSAMPLES
    offsets = [(i + 0.5) * step for i in range(SUBSAMPLES)]
    samples = float(SUBSAMPLES * SUBSAMPLES)
    rows = []
    for py in range(height):
        row = bytearray([0])  # filter type "none"
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for oy in offsets:
                for ox in offsets:
                    x, y = (px + ox) / scale, (py + oy) / scale
                    r = g = b = a = 0.0
                    for shape in shapes:
                        if not shape.contains(x, y):
                            continue
                        sr, sg, sb = shape.colour_at(x, y)
                        sa = shape.alpha
                        r = sr * sa + r * (1.0 - sa)
                        g = sg * sa + g * (1.0 - sa)
                        b = sb * sa + b * (1.0 - sa)
                        a = sa + a * (1.0 - sa)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            alpha = acc[3] / samples
            if alpha > 0.0:
                colour = [min(1.0, c / samples / alpha) for c in acc[:3]]
            else:
                colour = [0.0, 0.0, 0.0]
            row.extend(int(round(c * 255)) for c in colour)
            row.append(int(round(alpha * 255)))
        rows.append(bytes(row))
    return b"".join(rows)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, raw):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", header)
    data += png_chunk(b"IDAT", zlib.compress(raw, 9))
    data += png_chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as handle:
        handle.write(data)


THEMES = {
    "light": {
        "tile_border": None,
        "tile_top": "#4b94f5",
        "tile_bottom": "#1d5cc8",
        "gloss": 0.16,
        "shadow": 0.22,
        "blade_top": "#ffffff",
        "blade_bottom": "#dfe9fa",
        "vent": "#8eaee3",
        "light_busy": "#2fc46b",
        "light_idle": "#7fa3dd",
        "arrow": "#5d6878",
        "check_box": "#1c5fcc",
        "check_mark": "#ffffff",
    },
    "dark": {
        "tile_border": "#1fb8a8",
        "tile_top": "#3a3f47",
        "tile_bottom": "#202329",
        "gloss": 0.07,
        "shadow": 0.45,
        "blade_top": "#3fe0cd",
        "blade_bottom": "#12a393",
        "vent": "#0c5f57",
        "light_busy": "#ff9a1f",
        "light_idle": "#f2f5f7",
        "arrow": "#a9b3c0",
        "check_box": "#19b3a3",
        "check_mark": "#16191d",
    },
}


IMAGES = [
    # file name, width, height, scene
    ("main.png", SIZE, SIZE, build_scene),
    ("arrow_down.png", 12, 11, arrow_down),
    ("arrow_up.png", 12, 11, arrow_up),
    ("check.png", 16, 16, check_mark),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, theme in THEMES.items():
        for file_name, width, height, scene in IMAGES:
            for scale, suffix in ((1, ".png"), (2, "@2x.png")):
                target = os.path.join(here, name, file_name.replace(".png", suffix))
                write_png(target, width * scale, height * scale,
                          render(scene(theme), width, height, scale))
                print("wrote", target)


if __name__ == "__main__":
    main()
