#!/usr/bin/env python3
"""Draws the converter's toolbar bitmap and program icons.

Writes three files into the folder given on the command line:
  toolbar.bmp  16 toolbar images of 16 x 16 in one 256 x 16 strip (8-bit,
               palette; light grey 192,192,192 is the background, which the
               toolbar maps to the button face colour);
  app.ico      the program icon, 32 x 32 and 16 x 16, 32-bit with alpha;
  small.ico    the small class icon, 16 x 16.
Images in the strip: 0 help, 1 exit, 3 open recording, 4 close, 5 convert;
the others are empty. Only the Python standard library is used.
"""

import os
import struct
import sys

GREY = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
DARK_GREY = (96, 96, 96)
MID_GREY = (144, 144, 144)
NAVY = (0, 0, 128)
BLUE = (32, 64, 224)
TRACE_BLUE = (0, 72, 200)
TRACE_RED = (208, 24, 24)
GREEN = (0, 168, 0)
DARK_GREEN = (0, 88, 0)
RED = (224, 0, 0)
BROWN = (128, 64, 0)
LIGHT_BROWN = (184, 120, 56)
YELLOW = (255, 224, 96)
DARK_YELLOW = (200, 152, 32)
GOLD = (255, 255, 0)


class Canvas:
    """A w x h picture of RGBA pixels; (0, 0) is the top-left corner."""

    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]

    def put(self, x, y, c):
        """Sets one pixel; points outside the picture are ignored."""
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c if len(c) == 4 else c + (255,)

    def rect(self, x0, y0, x1, y1, c):
        """Fills the rectangle with corners x0,y0 and x1,y1 (inclusive)."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        """Draws the one-pixel outline of a rectangle (inclusive corners)."""
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c, thick=1):
        """Bresenham line between two integer points; thick adds pixels
        to the right and below."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            for t in range(thick):
                for u in range(thick):
                    self.put(x0 + t, y0 + u, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, pts, fill, edge=None):
        """Fills a polygon (pixel centres inside, even-odd rule) and draws
        its edges in the edge colour when one is given."""
        for y in range(self.h):
            cy = y + 0.5
            for x in range(self.w):
                if _inside(pts, x + 0.5, cy):
                    self.put(x, y, fill)
        if edge is not None:
            n = len(pts)
            for i in range(n):
                (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
                self.line(int(ax), int(ay), int(bx), int(by), edge)

    def art(self, x0, y0, rows, colours):
        """Paints a picture given as text rows; '.' leaves the pixel."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.put(x0 + dx, y0 + dy, colours[ch])


def _inside(pts, x, y):
    """Even-odd test of the point x,y against a polygon."""
    inside = False
    n = len(pts)
    for i in range(n):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
        if (ay > y) != (by > y):
            cross = ax + (y - ay) * (bx - ax) / (by - ay)
            if x < cross:
                inside = not inside
    return inside


# ---- Toolbar images (16 x 16 each) ------------------------------------------

def draw_help(c, ox):
    """Image 0: a blue question mark."""
    c.art(ox, 0, [
        "................",
        ".....nnnnnn.....",
        "....nbbbbbbn....",
        "...nbbnnnnbbn...",
        "...nbbn..nbbn...",
        "....nn...nbbn...",
        "........nbbn....",
        ".......nbbn.....",
        "......nbbn......",
        "......nbbn......",
        ".......nn.......",
        "................",
        "......nbbn......",
        "......nbbn......",
        ".......nn.......",
        "................",
    ], {'n': NAVY, 'b': BLUE})


ARROW_COLOURS = {'K': DARK_GREEN, 'G': GREEN, 'L': (96, 224, 96)}


def draw_exit(c, ox):
    """Image 1: a door with a green arrow leading out of it."""
    c.rect(ox + 1, 1, ox + 8, 14, BROWN)
    c.rect(ox + 2, 2, ox + 7, 13, LIGHT_BROWN)
    c.frame(ox + 1, 1, ox + 8, 14, BLACK)
    c.frame(ox + 3, 3, ox + 6, 6, BROWN)
    c.frame(ox + 3, 9, ox + 6, 12, BROWN)
    c.put(ox + 7, 8, GOLD)
    c.art(ox, 3, [
        "..........K.....",
        "..........KK....",
        "......KKKKKLK...",
        "......KLLLLLGK..",
        "......KGGGGGGGK.",
        "......KGGGGGGGK.",
        "......KGGGGGGK..",
        "......KKKKKGK...",
        "..........KK....",
        "..........K.....",
    ], ARROW_COLOURS)


def draw_open(c, ox):
    """Image 3: an open yellow folder."""
    c.rect(ox + 1, 2, ox + 5, 4, DARK_YELLOW)
    c.rect(ox + 1, 4, ox + 12, 13, DARK_YELLOW)
    c.frame(ox + 1, 2, ox + 5, 4, BLACK)
    c.frame(ox + 1, 4, ox + 12, 13, BLACK)
    c.rect(ox + 3, 5, ox + 10, 7, WHITE)
    flap = [(ox + 4, 7), (ox + 15.9, 7), (ox + 12.5, 13.9), (ox + 0.5, 13.9)]
    c.polygon(flap, YELLOW, BLACK)
    c.line(ox + 1, 13, ox + 12, 13, BLACK)


def draw_page(c, ox, x0, y0, x1, y1, fold):
    """A white page with a folded top-right corner (inclusive corners)."""
    c.rect(ox + x0, y0, ox + x1, y1, WHITE)
    c.frame(ox + x0, y0, ox + x1, y1, BLACK)
    for i in range(fold):
        for j in range(fold - i):
            c.put(ox + x1 - j, y0 + i, GREY)
    c.line(ox + x1 - fold, y0, ox + x1, y0 + fold, BLACK)
    c.line(ox + x1 - fold, y0, ox + x1 - fold, y0 + fold, BLACK)
    c.line(ox + x1 - fold, y0 + fold, ox + x1, y0 + fold, BLACK)
    c.rect(ox + x1 - fold + 1, y0 + 1, ox + x1 - fold + 1, y0 + fold - 1, MID_GREY)


def draw_close(c, ox):
    """Image 4: a page crossed out in red."""
    draw_page(c, ox, 1, 0, 11, 14, 3)
    for y in (4, 6, 8):
        c.line(ox + 3, y, ox + 7, y, MID_GREY)
    c.line(ox + 7, 7, ox + 13, 13, RED, 2)
    c.line(ox + 13, 7, ox + 7, 13, RED, 2)


def draw_convert(c, ox):
    """Image 5: a page with a recorded trace and an arrow out of it."""
    draw_page(c, ox, 0, 0, 9, 13, 3)
    trace = [(2, 7), (3, 5), (4, 8), (5, 4), (6, 9), (7, 6)]
    for (ax, ay), (bx, by) in zip(trace, trace[1:]):
        c.line(ox + ax, ay, ox + bx, by, TRACE_BLUE)
    c.art(ox, 8, [
        "...........K....",
        "...........KK...",
        ".......KKKKKLK..",
        ".......KLLLLLGK.",
        ".......KGGGGGGK.",
        ".......KKKKKGK..",
        "...........KK...",
        "...........K....",
    ], ARROW_COLOURS)


def draw_view(c, ox):
    """Image 6: a screen showing two traces, one above the other."""
    c.rect(ox + 1, 1, ox + 14, 12, WHITE)
    c.frame(ox + 1, 1, ox + 14, 12, BLACK)
    _trace(c, ox + 2, 4, [0, -1, -2, 0, 2, 1, -1, -2, 0, 1, 2, 0], TRACE_BLUE, 1)
    _trace(c, ox + 2, 9, [0, 0, -1, 1, -3, 1, 0, 0, -1, 1, -3, 1], TRACE_RED, 1)
    c.rect(ox + 6, 13, ox + 9, 13, MID_GREY)
    c.rect(ox + 4, 14, ox + 11, 14, BLACK)


def draw_check(c, ox):
    """Image 7: a trace on a sheet with a tick over it (the night check)."""
    c.rect(ox + 1, 3, ox + 14, 14, WHITE)
    c.frame(ox + 1, 3, ox + 14, 14, BLACK)
    _trace(c, ox + 2, 10, [0, -1, 1, 0, -2, 2, 0, -1, 1, 0, 0, 0], TRACE_BLUE, 1)
    c.line(ox + 4, 5, ox + 7, 8, TRACE_RED, 2)
    c.line(ox + 7, 8, ox + 13, 1, TRACE_RED, 2)


def toolbar_strip():
    """The 256 x 16 strip of the sixteen toolbar images."""
    c = Canvas(256, 16, GREY + (255,))
    draw_help(c, 0)
    draw_exit(c, 16)
    draw_open(c, 48)
    draw_close(c, 64)
    draw_convert(c, 80)
    draw_view(c, 96)
    draw_check(c, 112)
    return c


# ---- Program icon ---------------------------------------------------------

def icon_picture(size):
    """The program icon at 32 or 16 pixels: a page carrying two recorded
    traces (a brain wave in blue and a heart beat in red)."""
    c = Canvas(size, size, (0, 0, 0, 0))
    if size >= 32:
        x0, y0, x1, y1, fold = 4, 1, 27, 30, 7
    else:
        x0, y0, x1, y1, fold = 1, 0, 13, 14, 4
    shadow = (0, 0, 0, 72)
    c.rect(x0 + 1, y1 + 1, x1 + 1, y1 + 1, shadow)
    c.rect(x1 + 1, y0 + fold + 1, x1 + 1, y1 + 1, shadow)
    page = [(x0, y0), (x1 - fold, y0), (x1 + 1, y0 + fold + 1), (x1 + 1, y1 + 1), (x0, y1 + 1)]
    c.polygon(page, WHITE)
    c.line(x0, y0, x1 - fold, y0, DARK_GREY)
    c.line(x0, y0, x0, y1, DARK_GREY)
    c.line(x0, y1, x1, y1, DARK_GREY)
    c.line(x1, y0 + fold, x1, y1, DARK_GREY)
    c.line(x1 - fold, y0, x1, y0 + fold, DARK_GREY)
    corner = [(x1 - fold, y0), (x1 + 0.9, y0 + fold + 0.9), (x1 - fold, y0 + fold + 0.9)]
    c.polygon(corner, (216, 216, 216))
    c.line(x1 - fold, y0, x1 - fold, y0 + fold, DARK_GREY)
    c.line(x1 - fold, y0 + fold, x1, y0 + fold, DARK_GREY)
    if size >= 32:
        c.line(x0 + 3, 5, x1 - fold - 3, 5, MID_GREY)
        c.line(x0 + 3, 8, x1 - fold - 6, 8, MID_GREY)
        _trace(c, x0 + 3, 14, EEG_32, TRACE_BLUE, 2)
        _trace(c, x0 + 3, 24, ECG_32, TRACE_RED, 2)
    else:
        _trace(c, x0 + 2, 6, EEG_16, TRACE_BLUE, 1)
        _trace(c, x0 + 2, 11, ECG_16, TRACE_RED, 1)
    return c


# Trace heights in pixels above (negative) or below the trace's middle line,
# one per column: a brain wave and a heart beat.
EEG_32 = [0, -2, -3, -1, 2, 3, 1, -2, -4, -2, 1, 3, 2, -1, -3, -2, 0, 1]
ECG_32 = [0, 0, -1, 0, 1, -6, 3, 0, 0, 0, -1, 0, 1, -6, 3, 0, 0, 0]
EEG_16 = [0, -1, -2, 0, 2, 1, -1, -2, 0]
ECG_16 = [0, 0, -1, 1, -4, 1, 0, 0, 0]


def _trace(c, x0, y_mid, heights, colour, thick):
    """Draws a polyline through (x0 + i, y_mid + heights[i]); thick 2 gives
    a two-pixel pen."""
    for i in range(1, len(heights)):
        xa, ya = x0 + i - 1, y_mid + heights[i - 1]
        xb, yb = x0 + i, y_mid + heights[i]
        c.line(xa, ya, xb, yb, colour)
        if thick > 1:
            c.line(xa, ya + 1, xb, yb + 1, colour)


# ---- File writers ------------------------------------------------------------

def write_bmp8(path, c):
    """Writes the canvas as an 8-bit palette BMP (alpha ignored)."""
    colours = []
    index = {}
    for row in c.px:
        for p in row:
            rgb = p[:3]
            if rgb not in index:
                index[rgb] = len(colours)
                colours.append(rgb)
    if len(colours) > 256:
        raise ValueError("toolbar strip uses more than 256 colours")
    while len(colours) < 256:
        colours.append((0, 0, 0))
    stride = (c.w + 3) & ~3
    pixels = bytearray()
    for row in reversed(c.px):
        line = bytes(index[p[:3]] for p in row)
        pixels += line + b"\0" * (stride - c.w)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + palette + pixels)


def _ico_image(c):
    """One icon image: 32-bit BGRA bitmap (bottom-up) plus its AND mask."""
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(c.px):
        for (r, g, b, a) in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((c.w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(c.px):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return info + bytes(xor) + bytes(mask)


def write_ico(path, canvases):
    """Writes an icon file holding the given square canvases."""
    images = [_ico_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_images.py OUTPUT_FOLDER\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp8(os.path.join(out, "toolbar.bmp"), toolbar_strip())
    write_ico(os.path.join(out, "app.ico"), [icon_picture(32), icon_picture(16)])
    write_ico(os.path.join(out, "small.ico"), [icon_picture(16)])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
