#!/usr/bin/env python3
"""Writes the button resource file Orvanta.dat from the delivered layout.

One record per action text of the layout (the Name of every button section):
the group as type text, a Japanese and an English display name, and a picture
of the printed button as a 24-bit bitmap, which the OLE picture loader
decodes (it has no PNG). The pictures are drawn here from a few shapes per
button, so they are ours and the file is reproducible.

Record format: little-endian; texts in code page 932 with a 2-byte length;
arrays with a 2-byte dimension count (1), a 4-byte element count and a
4-byte lower bound (0).

usage: make_button_res.py LAYOUT.def OUT.dat
"""
import math
import struct
import sys

SIZE = 96
SAMPLES = 3  # per pixel edge, for smooth edges

# Click action -> (Japanese name, English name, background RGB, shapes).
# Shapes are drawn in a 0..1 square, dark ink on the background.
BUTTONS = {
    "PenPlus.RunOnOff": ("ペンソフト起動/終了", "Pen software on/off", (70, 130, 180),
                         [("ring", .5, .55, .28, .07), ("bar", .5, .2, .5, .5, .07)]),
    "PenPlus.ToolBarOnOff": ("ツールバー表示", "Tool bar", (70, 130, 180),
                             [("rect", .12, .38, .88, .62, .05), ("box", .2, .44, .32, .56),
                              ("box", .44, .44, .56, .56), ("box", .68, .44, .8, .56)]),
    "PenPlus.Btn.Mouse": ("マウス", "Mouse", (90, 160, 90),
                          [("tri", (.3, .15), (.3, .8), (.7, .6)), ("bar", .45, .65, .6, .88, .07)]),
    "PenPlus.Btn.Pen1": ("ペン", "Pen", (220, 90, 80),
                         [("bar", .25, .78, .72, .22, .09), ("tri", (.2, .86), (.22, .7), (.33, .8))]),
    "PenPlus.Btn.FigPen": ("図形ペン", "Figure pen", (220, 90, 80),
                           [("ring", .36, .4, .2, .05), ("rect", .45, .5, .85, .85, .05)]),
    "PenPlus.Btn.Eraser": ("消しゴム", "Eraser", (230, 170, 60),
                           [("box", .2, .4, .8, .7), ("bar", .2, .8, .8, .8, .04)]),
    "PenPlus.Btn.AreaZoom": ("範囲拡大", "Area zoom", (90, 160, 90),
                             [("ring", .42, .42, .22, .06), ("bar", .58, .58, .82, .82, .09)]),
    "PenPlus.Btn.Clear": ("全消去", "Clear all", (230, 170, 60),
                          [("bar", .25, .25, .75, .75, .09), ("bar", .75, .25, .25, .75, .09)]),
    "PenPlus.Btn.PagePrev": ("前のページ", "Previous page", (120, 110, 190),
                             [("tri", (.25, .5), (.7, .2), (.7, .8))]),
    "PenPlus.Btn.PageNext": ("次のページ", "Next page", (120, 110, 190),
                             [("tri", (.75, .5), (.3, .2), (.3, .8))]),
    "PenPlus.Btn.ChangeSheetMode": ("シート切替", "Sheet mode", (120, 110, 190),
                                    [("rect", .15, .2, .65, .65, .05), ("box", .4, .42, .85, .82)]),
    "PenPlus.Btn.CaptureSelArea": ("範囲キャプチャ", "Capture area", (90, 160, 90),
                                   [("dashed", .15, .2, .85, .8, .05)]),
    "PenPlus.Btn.WebLink": ("Webリンク", "Web link", (70, 130, 180),
                            [("ring", .5, .5, .32, .05), ("bar", .18, .5, .82, .5, .04),
                             ("bar", .5, .18, .5, .82, .04)]),
    "PenPlus.Btn.FileOpenSave": ("ファイル", "Open/save file", (230, 170, 60),
                                 [("box", .15, .3, .45, .4), ("box", .15, .38, .85, .8)]),
    "Camera.Run": ("カメラ", "Camera", (60, 60, 70),
                   [("box", .15, .32, .85, .78), ("box", .35, .22, .55, .34), ("disc", .5, .55, .17, (230, 230, 240))]),
    "Tpdrv.ChangeTPNamedID": ("画面比率切替", "Screen ratio", (60, 60, 70),
                              [("rect", .08, .25, .58, .53, .04), ("rect", .5, .45, .9, .75, .04)]),
}
INK = (255, 255, 255)


def dist_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = 0.0 if dx == dy == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_triangle(px, py, a, b, c):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    d1, d2, d3 = side((px, py), a, b), side((px, py), b, c), side((px, py), c, a)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def shape_colour(shape, x, y):
    """The ink colour of the shape at (x, y), or None."""
    kind = shape[0]
    if kind == "ring":
        _, cx, cy, r, w = shape
        return INK if abs(math.hypot(x - cx, y - cy) - r) <= w / 2 else None
    if kind == "disc":
        _, cx, cy, r, colour = shape
        return colour if math.hypot(x - cx, y - cy) <= r else None
    if kind == "bar":
        _, ax, ay, bx, by, w = shape
        return INK if dist_to_segment(x, y, ax, ay, bx, by) <= w / 2 else None
    if kind == "box":
        _, l, t, r, b = shape
        return INK if l <= x <= r and t <= y <= b else None
    if kind in ("rect", "dashed"):
        _, l, t, r, b, w = shape
        outer = l - w / 2 <= x <= r + w / 2 and t - w / 2 <= y <= b + w / 2
        inner = l + w / 2 < x < r - w / 2 and t + w / 2 < y < b - w / 2
        if not outer or inner:
            return None
        if kind == "dashed" and int((x + y) * 12) % 2:
            return None
        return INK
    if kind == "tri":
        return INK if inside_triangle(x, y, *shape[1:]) else None
    raise ValueError(kind)


def pixel(shapes, background, px, py):
    total = [0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (px + (sx + .5) / SAMPLES) / SIZE
            y = (py + (sy + .5) / SAMPLES) / SIZE
            colour = background
            # A light frame like the printed button's edge.
            if min(x, y, 1 - x, 1 - y) < 0.03:
                colour = (235, 235, 235)
            for shape in shapes:
                colour = shape_colour(shape, x, y) or colour
            for i in range(3):
                total[i] += colour[i]
    n = SAMPLES * SAMPLES
    return tuple(round(v / n) for v in total)


def bitmap(background, shapes):
    row_bytes = (SIZE * 3 + 3) & ~3
    rows = []
    for py in reversed(range(SIZE)):  # bottom-up
        row = bytearray()
        for px in range(SIZE):
            r, g, b = pixel(shapes, background, px, py)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    header = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def text(s):
    b = s.encode("cp932")
    return struct.pack("<H", len(b)) + b


def array_header(count):
    return struct.pack("<Hii", 1, count, 0)


def record(name, type_text, disp, picture):
    out = text(name) + text(type_text) + array_header(len(disp))
    out += b"".join(text(d) for d in disp)
    out += struct.pack("<i", len(picture)) + array_header(len(picture)) + picture
    return out


def layout_names(path):
    """Name values of the button sections, in file order, each once."""
    names, section = [], ""
    with open(path, encoding="cp932") as f:
        for line in f:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1].lower()
            elif section.startswith("button.") and "=" in line:
                key, value = line.split("=", 1)
                if key.strip().lower() == "name" and value.strip() and value.strip() not in names:
                    names.append(value.strip())
    return names


def main(layout, out_path):
    pictures = {}
    out = b""
    for name in layout_names(layout):
        click = name.split("&")[0]
        if click not in BUTTONS:
            sys.exit(f"make_button_res: no resource drawn for {click!r} of the layout")
        japanese, english, background, shapes = BUTTONS[click]
        if click not in pictures:
            pictures[click] = bitmap(background, shapes)
        out += record(name, click.split(".")[0], [japanese, english], pictures[click])
    with open(out_path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
