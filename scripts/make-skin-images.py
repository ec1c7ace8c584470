#!/usr/bin/env python3
"""Draws every picture of the installer's skin, and its application icon.

make-skin-images.py OUTDIR

Everything is drawn as vector shapes at a multiple of the final size and
downsampled, so edges are anti-aliased. The output depends on nothing but this
file and Pillow, so two runs write identical bytes.
"""
import math
import os
import struct
import sys
from io import BytesIO

from PIL import Image, ImageChops, ImageDraw, ImageFilter

# Brand colours, shared with the skin markup.
BLUE = "#347BF6"
BLUE_HOT = "#4888F6"
BLUE_DARK = "#2D6CD8"
INK = "#212429"
GREY_TEXT = "#969BA8"


def rgba(c, a=1.0):
    c = c.lstrip("#")
    return (int(c[0:2], 16), int(c[2:4], 16), int(c[4:6], 16), int(round(255 * a)))


def mix(c0, c1, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def save_png(img, outdir, name):
    # An opaque picture is written without its alpha channel: the same pixels in
    # three bytes each (the loader asks for four and fills in opaque alpha).
    if img.mode == "RGBA" and img.getchannel("A").getextrema() == (255, 255):
        img = img.convert("RGB")
    img.save(os.path.join(outdir, name), "PNG", optimize=True)


# ---------------------------------------------------------------- drawing kit

class Canvas:
    """An RGBA picture drawn at SCALE times its size, in final-pixel units."""

    def __init__(self, w, h, scale, fill=(0, 0, 0, 0)):
        self.w, self.h, self.s = w, h, scale
        self.img = Image.new("RGBA", (w * scale, h * scale), fill)

    def px(self, *v):
        return [x * self.s for x in v]

    def mask(self):
        return Image.new("L", self.img.size, 0)

    def paint(self, mask, fill, opacity=1.0):
        """Composites a colour or an RGBA picture of canvas size through an L mask."""
        if isinstance(fill, tuple):
            layer = Image.new("RGBA", self.img.size, fill)
        else:
            layer = fill.copy()
        alpha = ImageChops.multiply(layer.getchannel("A"), mask)
        if opacity < 1.0:
            alpha = alpha.point(lambda a: int(a * opacity + 0.5))
        layer.putalpha(alpha)
        self.img.alpha_composite(layer)

    def shadow(self, mask, color, blur, dx=0, dy=0, opacity=1.0):
        m = ImageChops.offset(mask, int(dx * self.s), int(dy * self.s))
        m = m.filter(ImageFilter.GaussianBlur(blur * self.s))
        self.paint(m, rgba(color, opacity))

    def final(self, size=None):
        # an area average: exact coverage, no ringing around hard edges
        w, h = size or (self.w, self.h)
        return self.img.resize((round(w * output_percent / 100), round(h * output_percent / 100)), Image.BOX)


# The size pictures come out at, in percent of their design size: the same
# drawing again at 150 and 200 gives a high-DPI window sharp variants.
output_percent = 100


def draw_rrect(mask, c, box, r, fill=255):
    ImageDraw.Draw(mask).rounded_rectangle(c.px(*box), radius=r * c.s, fill=fill)


def draw_ellipse(mask, c, box, fill=255):
    ImageDraw.Draw(mask).ellipse(c.px(*box), fill=fill)


def draw_stroke(mask, c, points, width, fill=255):
    """A polyline with round caps and joins."""
    d = ImageDraw.Draw(mask)
    pts = [tuple(c.px(x, y)) for x, y in points]
    w = width * c.s
    if len(pts) > 1:
        d.line(pts, fill=fill, width=int(round(w)))
    for x, y in pts:
        d.ellipse((x - w / 2, y - w / 2, x + w / 2, y + w / 2), fill=fill)


def arc_points(cx, cy, r, a0, a1, steps=48):
    """Points along an arc; angles in degrees, 0 = east, growing clockwise (screen y down)."""
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


def gradient(size, c0, c1, angle=90.0, grid=64):
    """Linear gradient image; angle 90 runs top to bottom, 0 left to right."""
    w, h = size
    gw, gh = grid, max(2, int(grid * h / max(w, 1)))
    dx, dy = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    span = abs(dx) * w + abs(dy) * h
    small = Image.new("RGBA", (gw, gh))
    data = []
    for j in range(gh):
        for i in range(gw):
            x, y = (i + 0.5) / gw * w - w / 2, (j + 0.5) / gh * h - h / 2
            t = min(1.0, max(0.0, 0.5 + (x * dx + y * dy) / span))
            data.append(mix(c0, c1, t))
    small.putdata(data)
    return small.resize(size, Image.BICUBIC)


def region_gradient(canvas, box, c0, c1, angle=90.0):
    """A canvas-sized picture with a gradient laid over box (final-pixel units)."""
    full = Image.new("RGBA", canvas.img.size, (0, 0, 0, 0))
    x0, y0, x1, y1 = [int(round(v)) for v in canvas.px(*box)]
    full.paste(gradient((max(1, x1 - x0), max(1, y1 - y0)), c0, c1, angle), (x0, y0))
    return full


# ---------------------------------------------------------------- the product pictures

SCALE = 4


def background(w, h):
    """Soft airy gradient with blurred colour fields, drawn small and enlarged."""
    s = 2
    bg = gradient((w * s, h * s), rgba("#E3EDFF"), rgba("#F8FBFF"), angle=70)
    fields = Image.new("RGBA", bg.size, (0, 0, 0, 0))
    for (cx, cy, r, col, a) in ((60, 10, 150, "#C6DBFF", 0.75), (575, 40, 120, "#DCD5FF", 0.55),
                                (530, 210, 130, "#D3E4FF", 0.55), (300, 340, 220, "#FFFFFF", 0.95)):
        m = Image.new("L", bg.size, 0)
        ImageDraw.Draw(m).ellipse([(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s], fill=255)
        m = m.filter(ImageFilter.GaussianBlur(45 * s))
        layer = Image.new("RGBA", bg.size, rgba(col))
        layer.putalpha(m.point(lambda v, a=a: int(v * a)))
        fields.alpha_composite(layer)
    bg.alpha_composite(fields)
    return bg.resize((w * SCALE, h * SCALE), Image.BICUBIC)


def wallpaper(c, box, radius):
    """The content shown on the phone and mirrored on the monitor: sky, sun, hills."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    clip = c.mask()
    draw_rrect(clip, c, box, radius)
    c.paint(clip, region_gradient(c, box, rgba("#8CC0FF"), rgba("#4C86F5"), 90))
    sun = c.mask()
    sx, sy, sr = x0 + 0.68 * w, y0 + 0.30 * h, 0.13 * w
    draw_ellipse(sun, c, (sx - sr * 2.2, sy - sr * 2.2, sx + sr * 2.2, sy + sr * 2.2))
    sun = ImageChops.multiply(sun.filter(ImageFilter.GaussianBlur(sr * c.s)), clip)
    c.paint(sun, rgba("#FFF3C4"), 0.55)
    sun = c.mask()
    draw_ellipse(sun, c, (sx - sr, sy - sr, sx + sr, sy + sr))
    c.paint(ImageChops.multiply(sun, clip), rgba("#FFE08A"))
    # two rolling hills, back and front
    for base, amp, phase, col in ((0.66, 0.10, 0.6, "#79A6FA"), (0.80, 0.07, 2.4, "#2F63DA")):
        pts = [(u / 24.0, base - amp * math.sin(phase + u / 24.0 * 5.2)) for u in range(25)]
        pts += [(1, 1), (0, 1)]
        m = c.mask()
        ImageDraw.Draw(m).polygon([tuple(c.px(x0 + u * w, y0 + v * h)) for u, v in pts], fill=255)
        c.paint(ImageChops.multiply(m, clip), rgba(col))


def phone(c, box):
    x0, y0, x1, y1 = box
    body = c.mask()
    draw_rrect(body, c, box, 10)
    c.shadow(body, "#1D3F8F", 7, dy=6, opacity=0.28)
    c.paint(body, region_gradient(c, box, rgba("#2C3A57"), rgba("#1A2336"), 60))
    wallpaper(c, (x0 + 3, y0 + 3, x1 - 3, y1 - 3), 7.5)
    notch = c.mask()
    cx = (x0 + x1) / 2
    draw_rrect(notch, c, (cx - 8, y0 + 6, cx + 8, y0 + 9.5), 1.75)
    c.paint(notch, rgba("#1A2336"))
    home = c.mask()
    draw_rrect(home, c, (cx - 10, y1 - 8.5, cx + 10, y1 - 6.5), 1)
    c.paint(home, rgba("#FFFFFF"), 0.85)
    # a thin edge highlight along the left side reads as glass
    edge = c.mask()
    draw_rrect(edge, c, box, 10)
    inner = c.mask()
    draw_rrect(inner, c, (x0 + 1, y0 + 0.6, x1 + 1, y1), 10)
    c.paint(ImageChops.subtract(edge, inner), rgba("#7F93BD"), 0.8)


def monitor(c, box, dim=False):
    x0, y0, x1, y1 = box
    cx = (x0 + x1) / 2
    # stand: neck and foot
    neck = c.mask()
    ImageDraw.Draw(neck).polygon([tuple(c.px(*p)) for p in
                                  ((cx - 11, y1 - 2), (cx + 11, y1 - 2), (cx + 14, y1 + 24), (cx - 14, y1 + 24))],
                                 fill=255)
    c.paint(neck, region_gradient(c, (cx - 14, y1, cx + 14, y1 + 24), rgba("#C2CBDA"), rgba("#DCE3EE"), 90))
    foot = c.mask()
    draw_rrect(foot, c, (cx - 38, y1 + 22, cx + 38, y1 + 29), 3.5)
    c.shadow(foot, "#1D3F8F", 3, dy=2, opacity=0.25)
    c.paint(foot, region_gradient(c, (cx - 38, y1 + 22, cx + 38, y1 + 29), rgba("#E6EBF3"), rgba("#BAC4D4"), 90))
    body = c.mask()
    draw_rrect(body, c, box, 9)
    c.shadow(body, "#1D3F8F", 11, dy=8, opacity=0.30)
    c.paint(body, region_gradient(c, box, rgba("#2C3A57"), rgba("#1A2336"), 60))
    screen = (x0 + 6, y0 + 6, x1 - 6, y1 - 6)
    sm = c.mask()
    draw_rrect(sm, c, screen, 4)
    c.paint(sm, region_gradient(c, screen, rgba("#2456C9"), rgba("#16306E"), 55))
    glow = c.mask()
    scx, scy = (screen[0] + screen[2]) / 2, (screen[1] + screen[3]) / 2
    draw_ellipse(glow, c, (scx - 60, scy - 50, scx + 60, scy + 50))
    c.paint(ImageChops.multiply(glow.filter(ImageFilter.GaussianBlur(28 * c.s)), sm), rgba("#5E9BFF"), 0.55)
    # the phone's screen, mirrored upright in the middle of the monitor
    ph = screen[3] - screen[1] - 12
    pw = ph * 0.5
    mirror = (scx - pw / 2, screen[1] + 6, scx + pw / 2, screen[3] - 6)
    mm = c.mask()
    draw_rrect(mm, c, mirror, 4)
    c.shadow(mm, "#000000", 5, dy=2, opacity=0.35)
    wallpaper(c, mirror, 4)
    # a soft reflection across the top half of the glass
    sheen = c.mask()
    ImageDraw.Draw(sheen).polygon([tuple(c.px(*p)) for p in
                                   ((screen[0], screen[1]), (screen[0] + 70, screen[1]),
                                    (screen[0] + 20, screen[3]), (screen[0], screen[3]))], fill=255)
    c.paint(ImageChops.multiply(sheen, sm), rgba("#FFFFFF"), 0.06)
    if dim:
        c.paint(sm, rgba("#0B1020"), 0.35)


def waves(c, cx, cy, color):
    for i, (r, a) in enumerate(((10, 1.0), (19, 0.75), (28, 0.5))):
        m = c.mask()
        draw_stroke(m, c, arc_points(cx, cy, r, -42, 42), 3.2)
        c.paint(m, rgba(color), a)
    dot = c.mask()
    draw_ellipse(dot, c, (cx - 2.6, cy - 2.6, cx + 2.6, cy + 2.6))
    c.paint(dot, rgba(color))


def badge(c, cx, cy, r, c0, c1, glyph):
    ring = c.mask()
    draw_ellipse(ring, c, (cx - r - 3, cy - r - 3, cx + r + 3, cy + r + 3))
    c.shadow(ring, "#1D3F8F", 6, dy=4, opacity=0.30)
    c.paint(ring, rgba("#FFFFFF"))
    disc = c.mask()
    draw_ellipse(disc, c, (cx - r, cy - r, cx + r, cy + r))
    c.paint(disc, region_gradient(c, (cx - r, cy - r, cx + r, cy + r), rgba(c0), rgba(c1), 60))
    g = c.mask()
    k = r / 22.0
    w = 4.2 * k
    if glyph == "check":
        draw_stroke(g, c, [(cx - 9 * k, cy + 0.5 * k), (cx - 2.5 * k, cy + 7 * k), (cx + 10 * k, cy - 6.5 * k)], w)
    elif glyph == "cross":
        draw_stroke(g, c, [(cx - 7.5 * k, cy - 7.5 * k), (cx + 7.5 * k, cy + 7.5 * k)], w)
        draw_stroke(g, c, [(cx + 7.5 * k, cy - 7.5 * k), (cx - 7.5 * k, cy + 7.5 * k)], w)
    elif glyph == "download":
        draw_stroke(g, c, [(cx, cy - 10 * k), (cx, cy + 4 * k)], w)
        draw_stroke(g, c, [(cx - 7 * k, cy - 2.5 * k), (cx, cy + 4.5 * k), (cx + 7 * k, cy - 2.5 * k)], w)
        draw_stroke(g, c, [(cx - 9 * k, cy + 10.5 * k), (cx + 9 * k, cy + 10.5 * k)], w)
    c.paint(g, rgba("#FFFFFF"))


def sparkle(c, cx, cy, r, color, a):
    m = c.mask()
    pts = []
    for i in range(8):
        ang = math.radians(i * 45 - 90)
        rr = r if i % 2 == 0 else r * 0.3
        pts.append(tuple(c.px(cx + rr * math.cos(ang), cy + rr * math.sin(ang))))
    ImageDraw.Draw(m).polygon(pts, fill=255)
    c.paint(m, rgba(color), a)


def decorations(c):
    dots = c.mask()
    for i in range(6):
        for j in range(4):
            x, y = 488 + i * 9, 92 + j * 9
            draw_ellipse(dots, c, (x - 1.2, y - 1.2, x + 1.2, y + 1.2))
    c.paint(dots, rgba(BLUE), 0.16)
    ring = c.mask()
    draw_ellipse(ring, c, (103, 62, 119, 78))
    draw_ellipse(ring, c, (105.4, 64.4, 116.6, 75.6), fill=0)
    c.paint(ring, rgba("#7FA9FF"), 0.55)
    for (x, y, r, a) in ((128, 182, 3.2, 0.30), (478, 206, 4.2, 0.30), (236, 58, 2.4, 0.35)):
        m = c.mask()
        draw_ellipse(m, c, (x - r, y - r, x + r, y + r))
        c.paint(m, rgba(BLUE), a)
    sparkle(c, 92, 126, 7, "#7FA9FF", 0.55)
    sparkle(c, 508, 160, 5, "#A99BFF", 0.55)


PHONE_BOX = (150, 96, 206, 206)
MONITOR_BOX = (258, 58, 450, 176)


def product_picture(state):
    w, h = 600, 280
    c = Canvas(w, h, SCALE)
    c.img = background(w, h)
    decorations(c)
    floor = c.mask()
    draw_ellipse(floor, c, (120, 196, 488, 222))
    c.paint(floor.filter(ImageFilter.GaussianBlur(8 * c.s)), rgba("#AFC7F7"), 0.45)
    monitor(c, MONITOR_BOX, dim=(state == "failure"))
    phone(c, PHONE_BOX)
    wave_color = "#A7B3C9" if state == "failure" else BLUE
    waves(c, PHONE_BOX[2] + 8, 142, wave_color)
    bx, by = MONITOR_BOX[2] - 6, MONITOR_BOX[1] + 4
    if state == "installing":
        badge(c, bx, by, 20, "#5C98FF", "#2C66E8", "download")
    elif state == "success":
        badge(c, bx, by, 20, "#34D399", "#13A56B", "check")
    elif state == "failure":
        badge(c, bx, by, 20, "#FF7A72", "#E5413B", "cross")
    return c.final()


# ---------------------------------------------------------------- small interface pictures

def window_shadow():
    """Nine-slice shadow for a square window: 12-px falloff, transparent middle."""
    size, edge, k = 36, 12, 8
    img = Image.new("RGBA", (size * k, size * k), (0, 0, 0, 0))
    data = []
    peak, sigma = 0.24, 4.8
    for y in range(size * k):
        for x in range(size * k):
            px, py = (x + 0.5) / k, (y + 0.5) / k
            dx = max(edge - px, 0.0, px - (size - edge))
            dy = max(edge - py, 0.0, py - (size - edge))
            d = math.hypot(dx, dy)
            a = 0.0 if d == 0.0 else peak * math.exp(-(d * d) / (2 * sigma * sigma))
            if d > edge:
                a = 0.0
            data.append((0, 0, 0, int(round(a * 255))))
    img.putdata(data)
    img = img.resize((size, size), Image.BOX)
    # keep the middle exactly open: the window covers it
    ImageDraw.Draw(img).rectangle((edge, edge, size - edge - 1, size - edge - 1), fill=(0, 0, 0, 0))
    return img


def logo(size):
    """The application mark: a blue tile with a screen that is cast to from its corner."""
    k = max(4, 1024 // size)
    c = Canvas(size, size, k)
    u = size / 100.0
    tile = c.mask()
    draw_rrect(tile, c, (2 * u, 2 * u, 98 * u, 98 * u), 22 * u)
    c.paint(tile, region_gradient(c, (0, 0, size, size), rgba("#5A9BFF"), rgba("#2559E0"), 60))
    glyph = c.mask()
    w = 9 * u
    draw_stroke(glyph, c, [(62 * u, 72 * u), (78 * u, 72 * u), (78 * u, 28 * u), (22 * u, 28 * u), (22 * u, 34 * u)], w)
    cx, cy = 23 * u, 71 * u
    # two arcs blur into one below 32 px: small sizes get one, drawn heavier
    dot, arcs, arc_w = (6, (14, 24), 8.5) if size >= 32 else (7.5, (20,), 10)
    draw_ellipse(glyph, c, (cx - dot * u, cy - dot * u, cx + dot * u, cy + dot * u))
    for r in arcs:
        draw_stroke(glyph, c, arc_points(cx, cy, r * u, -90, 0), arc_w * u)
    c.paint(glyph, rgba("#FFFFFF"))
    return c.final()


def title_icon():
    return logo(20)


def close_sprite():
    """System buttons at 2x: column 0 minimise, column 1 close; rows normal, hot, pushed, disabled."""
    cell, k = 40, 8
    c = Canvas(2 * cell, 4 * cell, k)
    states = (("#5F6675", 0.0), (INK, 0.08), (INK, 0.15), ("#C4C8D0", 0.0))
    for row, (ink, bg) in enumerate(states):
        y = row * cell
        for col in range(2):
            x = col * cell
            if bg:
                m = c.mask()
                draw_ellipse(m, c, (x + 1, y + 1, x + cell - 1, y + cell - 1))
                c.paint(m, rgba(INK), bg)
            m = c.mask()
            if col == 0:
                draw_stroke(m, c, [(x + 12, y + 20), (x + 28, y + 20)], 2.6)
            else:
                draw_stroke(m, c, [(x + 13, y + 13), (x + 27, y + 27)], 2.6)
                draw_stroke(m, c, [(x + 27, y + 13), (x + 13, y + 27)], 2.6)
            c.paint(m, rgba(ink))
    return c.final()


def check_sprite():
    """Check box at 2x, 28-px cells: normal, selected, selected hot, hot."""
    cell, k = 28, 8
    c = Canvas(cell, 4 * cell, k)
    cells = (("#C3C8D2", None), (BLUE, BLUE), (BLUE_HOT, BLUE_HOT), (BLUE, None))
    for row, (border, fill) in enumerate(cells):
        y = row * cell
        box = (1, y + 1, cell - 1, y + cell - 1)
        m = c.mask()
        draw_rrect(m, c, box, 5)
        c.paint(m, rgba(border))
        inner = c.mask()
        draw_rrect(inner, c, (3, y + 3, cell - 3, y + cell - 3), 3.2)
        c.paint(inner, rgba(fill) if fill else rgba("#FFFFFF"))
        if fill:
            tick = c.mask()
            draw_stroke(tick, c, [(7.5, y + 14.5), (12, y + 19), (20.5, y + 9.5)], 3.0)
            c.paint(tick, rgba("#FFFFFF"))
    return c.final()


def chevron(up):
    c = Canvas(12, 12, 16)
    m = c.mask()
    pts = [(3, 7.75), (6, 4.75), (9, 7.75)] if up else [(3, 4.75), (6, 7.75), (9, 4.75)]
    draw_stroke(m, c, pts, 1.5)
    c.paint(m, rgba(GREY_TEXT))
    return c.final()


def folder_icon():
    c = Canvas(14, 14, 16)
    m = c.mask()
    draw_stroke(m, c, [(1.6, 11.4), (1.6, 2.8), (5.4, 2.8), (6.9, 4.4), (12.4, 4.4), (12.4, 11.4), (1.6, 11.4)], 1.2)
    draw_stroke(m, c, [(1.6, 6.4), (12.4, 6.4)], 1.2)
    c.paint(m, rgba("#7C8496"))
    return c.final()


def progress_fore():
    c = Canvas(8, 4, 16)
    m = c.mask()
    draw_rrect(m, c, (0, 0, 8, 4), 2)
    c.paint(m, region_gradient(c, (0, 0, 8, 4), rgba("#4A8CFF"), rgba(BLUE), 0))
    return c.final()


def message_icons():
    """Four 22-px icons stacked: error, question, information, warning."""
    cell, k = 22, 16
    c = Canvas(cell, 4 * cell, k)
    colours = (("#FF7A72", "#E5413B"), ("#5C98FF", "#2C66E8"), ("#5C98FF", "#2C66E8"), ("#FFB547", "#F08A00"))
    for row, (c0, c1) in enumerate(colours):
        y = row * cell
        disc = c.mask()
        draw_ellipse(disc, c, (1, y + 1, 21, y + 21))
        c.paint(disc, region_gradient(c, (1, y + 1, 21, y + 21), rgba(c0), rgba(c1), 60))
        g = c.mask()
        w = 2.2
        if row == 0:
            draw_stroke(g, c, [(7.6, y + 7.6), (14.4, y + 14.4)], w)
            draw_stroke(g, c, [(14.4, y + 7.6), (7.6, y + 14.4)], w)
        elif row == 1:
            pts = arc_points(11, y + 8.6, 3.3, 190, 395) + [(11, y + 12.4), (11, y + 13.2)]
            draw_stroke(g, c, pts, w)
            draw_ellipse(g, c, (9.75, y + 15.1, 12.25, y + 17.6))
        elif row == 2:
            draw_ellipse(g, c, (9.75, y + 5.0, 12.25, y + 7.5))
            draw_stroke(g, c, [(11, y + 10.2), (11, y + 16.2)], w)
        else:
            draw_stroke(g, c, [(11, y + 5.8), (11, y + 12.2)], w)
            draw_ellipse(g, c, (9.75, y + 14.6, 12.25, y + 17.1))
        c.paint(g, rgba("#FFFFFF"))
    return c.final()


# ---------------------------------------------------------------- the .ico

def ico_bytes(images):
    """An .ico with 32-bit DIB entries below 256 px and a PNG entry at 256 px."""
    blobs = []
    for img in images:
        w, h = img.size
        if w >= 256:
            buf = BytesIO()
            img.save(buf, "PNG", optimize=True)
            blobs.append(buf.getvalue())
            continue
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        px = img.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
        stride = ((w + 31) // 32) * 4
        andmask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            andmask += row
        blobs.append(header + bytes(xor) + bytes(andmask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        w, h = img.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


ICON_SIZES = (16, 32, 48, 256)

PICTURES = {
    "install_img_01.png": lambda: product_picture("start"),
    "install_img_02.png": lambda: product_picture("installing"),
    "install_img_03.png": lambda: product_picture("success"),
    "install_img_04.png": lambda: product_picture("failure"),
    "Window_shadow.png": window_shadow,
    "icon_title_20x20.png": title_icon,
    "Head_btnsys_20x20@2x.png": close_sprite,
    "Controls_select_14x14@2x.png": check_sprite,
    "unexpand_12x12.png": lambda: chevron(up=False),
    "expand_12x12.png": lambda: chevron(up=True),
    "icon_folder_14x14.png": folder_icon,
    "progress_fore.png": progress_fore,
    "messagebox_icon_22x22.png": message_icons,
}

# Whole pictures (no sprite cut by source rectangles, no corners in picture
# pixels) also drawn at these scales as "name@150.png" and "name@200.png": the
# framework tries that name first when a window is at that scale.
SCALED_PICTURES = ("icon_title_20x20.png", "unexpand_12x12.png", "expand_12x12.png", "icon_folder_14x14.png")
SCALES = (150, 200)


def scaled_name(name, percent):
    stem, ext = os.path.splitext(name)
    return "%s@%d%s" % (stem, percent, ext)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make-skin-images.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    global output_percent
    for name, make in PICTURES.items():
        save_png(make(), outdir, name)
    for percent in SCALES:
        output_percent = percent
        for name in SCALED_PICTURES:
            save_png(PICTURES[name](), outdir, scaled_name(name, percent))
    output_percent = 100
    with open(os.path.join(outdir, "torvane.ico"), "wb") as f:
        f.write(ico_bytes([logo(s) for s in ICON_SIZES]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
