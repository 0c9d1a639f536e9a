#!/usr/bin/env python3
"""Draws the installer wizard's pictures and its icon into wizard/res/.

Everything is built here from shapes, gradients and text; no picture is read.
The outputs are committed and the build only reads them, so this script is
needed again only when the artwork changes.

    /usr/bin/python3 wizard/res/art/draw.py [--preview DIR]

Needs Pillow (Debian: python3-pil) and the WenQuanYi Micro Hei font
(fonts-wqy-microhei). --preview also writes enlarged PNG copies for review.

Every picture is drawn for 100, 125, 150 and 200 % display scale. Coordinates
below are design pixels, the picture's pixels at 100 %; the canvas multiplies
them (and widths, radii and blurs) by the scale, so each size is drawn afresh.
Shapes are drawn SS times larger than the final picture and scaled down, which
gives smooth edges; text is drawn afterwards at the final size and the scaled
font size, where the font hinting keeps the glyphs crisp.
"""
import argparse
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4
# Display scales the pictures are drawn for, and the file name suffix of each.
SCALES = [(1, ''), (1.25, '_125'), (1.5, '_150'), (2, '_200')]
FONT_FILE = '/usr/share/fonts/truetype/wqy/wqy-microhei.ttc'
HERE = os.path.dirname(os.path.abspath(__file__))
OUT_DIR = os.path.dirname(HERE)


# ---------------------------------------------------------------- colours

def rgb(c):
    if isinstance(c, str):
        c = c.lstrip('#')
        return tuple(int(c[i:i + 2], 16) for i in (0, 2, 4))
    return tuple(c)


def colorize(ramp, stops):
    """Maps an L image (0..255 = position 0..1) through colour stops."""
    stops = [(t, rgb(c)) for t, c in stops]
    luts = ([], [], [])
    for i in range(256):
        t = i / 255.0
        col = stops[-1][1]
        if t <= stops[0][0]:
            col = stops[0][1]
        else:
            for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
                if t0 <= t <= t1:
                    u = (t - t0) / (t1 - t0) if t1 > t0 else 0.0
                    col = tuple(round(a + (b - a) * u) for a, b in zip(c0, c1))
                    break
        for k in range(3):
            luts[k].append(col[k])
    return Image.merge('RGB', [ramp.point(lut) for lut in luts])


# A 0..255 ramp with long flat ends: affine sampling of it gives a linear
# gradient that stays clamped well beyond both of its end points.
_PAD = 256 * 24
_RAMP = Image.frombytes('L', (2 * _PAD + 256, 3),
                        bytes(([0] * _PAD + list(range(256)) + [255] * _PAD) * 3))


# ---------------------------------------------------------------- bezier / spline

def catmull_rom(points, steps=24):
    """Smooth curve through the given points (end points repeated)."""
    pts = [points[0]] + list(points) + [points[-1]]
    out = []
    for i in range(1, len(pts) - 2):
        p0, p1, p2, p3 = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t
                       + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2
                       + (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3)
                for k in (0, 1)))
    out.append(tuple(points[-1]))
    return out


# ---------------------------------------------------------------- canvas

def scaled(v, scale):
    """A length in design pixels as whole pixels at the given scale."""
    return int(v * scale + 0.5)


class Canvas:
    """An RGB picture drawn at SS times its final size.

    Drawing calls take design pixels, the picture's pixels at 100 % display
    scale; scale multiplies every coordinate, width and radius, so each size
    is drawn afresh rather than resized from another. A design pixel is k
    canvas pixels.
    """

    def __init__(self, w, h, scale=1, bg=(255, 255, 255)):
        self.scale = scale
        self.out = (scaled(w, scale), scaled(h, scale))
        k = SS * scale
        self.k = int(k) if k == int(k) else k
        # The design size of the final picture (whole pixels at scale 1).
        self.w = w if scale == 1 else self.out[0] / scale
        self.h = h if scale == 1 else self.out[1] / scale
        self.size = (self.out[0] * SS, self.out[1] * SS)
        self.img = Image.new('RGB', self.size, rgb(bg))

    # masks --------------------------------------------------------------
    def blank(self, v=0):
        return Image.new('L', self.size, v)

    def rect(self, x0, y0, x1, y1, r=0):
        m = self.blank()
        d = ImageDraw.Draw(m)
        box = [x0 * self.k, y0 * self.k, x1 * self.k - 1, y1 * self.k - 1]
        if r > 0:
            d.rounded_rectangle(box, radius=r * self.k, fill=255)
        else:
            d.rectangle(box, fill=255)
        return m

    def poly(self, pts):
        m = self.blank()
        ImageDraw.Draw(m).polygon([(x * self.k, y * self.k) for x, y in pts], fill=255)
        return m

    def ellipse(self, x0, y0, x1, y1):
        m = self.blank()
        ImageDraw.Draw(m).ellipse([x0 * self.k, y0 * self.k, x1 * self.k - 1, y1 * self.k - 1], fill=255)
        return m

    def circle(self, cx, cy, r):
        return self.ellipse(cx - r, cy - r, cx + r, cy + r)

    def stroke(self, pts, width, caps=True):
        m = self.blank()
        d = ImageDraw.Draw(m)
        sp = [(x * self.k, y * self.k) for x, y in pts]
        d.line(sp, fill=255, width=max(1, int(round(width * self.k))), joint='curve')
        if caps:
            r = width * self.k / 2
            for x, y in (sp[0], sp[-1]):
                d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        return m

    def glow(self, cx, cy, rx, ry, alpha=1.0, power=2.0):
        """A soft round spot: alpha in the centre, fading to 0 at the radius."""
        g = Image.radial_gradient('L').resize((int(2 * rx * self.k), int(2 * ry * self.k)), Image.BILINEAR)
        m = self.blank(255)
        m.paste(g, (int((cx - rx) * self.k), int((cy - ry) * self.k)))
        return m.point(lambda v: int(255 * alpha * (1 - v / 255.0) ** power + 0.5))

    # paints -------------------------------------------------------------
    def lin(self, stops, p0, p1):
        """Linear gradient from p0 (position 0) to p1 (position 1)."""
        x0, y0 = p0[0] * self.k, p0[1] * self.k
        dx, dy = (p1[0] - p0[0]) * self.k, (p1[1] - p0[1]) * self.k
        l2 = float(dx * dx + dy * dy)
        a, b = dx * 255 / l2, dy * 255 / l2
        c = -(x0 * dx + y0 * dy) * 255 / l2 + _PAD
        ramp = _RAMP.transform(self.size, Image.AFFINE, (a, b, c, 0, 0, 1.5),
                               resample=Image.BILINEAR)
        return colorize(ramp, stops)

    def vgrad(self, stops, y0, y1):
        return self.lin(stops, (0, y0), (0, y1))

    def hgrad(self, stops, x0, x1):
        return self.lin(stops, (x0, 0), (x1, 0))

    # compositing --------------------------------------------------------
    def fill(self, mask, paint, alpha=1.0):
        if alpha < 1.0:
            mask = mask.point(lambda v: int(v * alpha + 0.5))
        if not isinstance(paint, Image.Image):
            paint = Image.new('RGB', self.size, rgb(paint))
        self.img.paste(paint, (0, 0), mask)

    def shadow(self, mask, dx, dy, blur, alpha, colour=(0, 0, 0)):
        m = self.blank()
        m.paste(mask, (int(round(dx * self.k)), int(round(dy * self.k))))
        if blur > 0:
            m = m.filter(ImageFilter.GaussianBlur(blur * self.k))
        self.fill(m, colour, alpha)

    def result(self):
        return self.img.resize(self.out, Image.LANCZOS)


def inter(a, b):
    return ImageChops.multiply(a, b)


def minus(a, b):
    return ImageChops.subtract(a, b)


def union(*ms):
    out = ms[0]
    for m in ms[1:]:
        out = ImageChops.lighter(out, m)
    return out


# ---------------------------------------------------------------- text

def font(size, scale=1):
    """The face at size design pixels, rasterised at the scaled size."""
    return ImageFont.truetype(FONT_FILE, scaled(size, scale))


def text_width(s, f, spacing=0):
    return sum(f.getlength(ch) for ch in s) + spacing * (len(s) - 1)


def draw_text(img, x, y, s, f, fill, spacing=0, anchor='l', scale=1):
    """Draws s with extra letter spacing; x is the left, centre or right end.

    x, y and spacing are design pixels; f is already at the scaled size."""
    if scale != 1:
        x, y, spacing = x * scale, y * scale, spacing * scale
    w = text_width(s, f, spacing)
    if anchor == 'm':
        x -= w / 2
    elif anchor == 'r':
        x -= w
    d = ImageDraw.Draw(img)
    for ch in s:
        d.text((x, y), ch, font=f, fill=fill)
        x += f.getlength(ch) + spacing


# ---------------------------------------------------------------- shared looks

METAL = [(0, '#e9ecef'), (0.25, '#b4bac2'), (0.45, '#fbfcfd'), (0.7, '#9aa1aa'), (1, '#c9ced4')]
BLACK_PLASTIC = [(0, '#5d6168'), (0.18, '#34373c'), (0.6, '#1d1f22'), (1, '#2c2e32')]
GREY_PLASTIC = [(0, '#eef0f2'), (0.3, '#d3d7dc'), (0.75, '#aeb4bb'), (1, '#c3c8ce')]

BANNER_W, BANNER_H = 160, 310
# The pages are about 270-310 px tall, so the bitmaps' lower end may be cut:
# keep the motif and the product word above this line.
BANNER_SAFE_H = 265


def banner_background(c):
    """The calm blue field shared by all three banners, so the pages match."""
    full = c.rect(0, 0, c.w, c.h)
    c.fill(full, c.lin([(0, '#143a6e'), (0.45, '#245a9e'), (1, '#4680c4')], (0, 0), (30, c.h)))
    # Light falling in from the upper left.
    c.fill(c.glow(30, 40, 150, 170, 0.22, 1.6), (255, 255, 255))
    # Two soft swooshes across the lower part.
    crescent = minus(c.ellipse(-160, 232, 300, 420), c.ellipse(-150, 246, 320, 450))
    c.fill(crescent, (255, 255, 255), 0.16)
    crescent = minus(c.ellipse(-60, 262, 360, 470), c.ellipse(-40, 270, 380, 500))
    c.fill(crescent, (255, 255, 255), 0.10)
    crescent = minus(c.ellipse(-200, -190, 210, 40), c.ellipse(-210, -200, 200, 28))
    c.fill(crescent, (255, 255, 255), 0.08)
    # A fine light edge on the right, where the page begins.
    c.fill(c.rect(c.w - 1, 0, c.w, c.h), (255, 255, 255), 0.25)


def banner_wordmark(img, scale=1):
    f = font(15, scale)
    draw_text(img, 78, 243, 'Quorvex', f, (255, 255, 255), spacing=1.2, anchor='m', scale=scale)
    d = ImageDraw.Draw(img)
    # Thin rules either side of the word, drawn here (not on the canvas) so
    # they stay one crisp line, a whole number of pixels wide.
    w = text_width('Quorvex', f, 1.2 * scale) / scale
    for x0, x1 in ((20, 78 - w / 2 - 7), (78 + w / 2 + 7, 136)):
        d.line([(x0 * scale, 252 * scale), (x1 * scale, 252 * scale)], fill=(160, 192, 230),
               width=scaled(1, scale))


# ---------------------------------------------------------------- banner 458: welcome

def draw_monitor(c, x0, y0, x1, y1):
    """A flat-panel monitor; returns the screen rectangle."""
    cx = (x0 + x1) / 2
    # Stand and its shadow.
    c.shadow(c.ellipse(cx - 40, y1 + 14, cx + 40, y1 + 24), 0, 0, 3, 0.45, '#0a1f3d')
    neck = c.poly([(cx - 8, y1 - 2), (cx + 8, y1 - 2), (cx + 10, y1 + 14), (cx - 10, y1 + 14)])
    c.fill(neck, c.hgrad([(0, '#9aa4b1'), (0.4, '#e3e8ee'), (1, '#7d8897')], cx - 10, cx + 10))
    base = c.rect(cx - 30, y1 + 12, cx + 30, y1 + 19, 3.5)
    c.fill(base, c.vgrad([(0, '#f3f5f8'), (0.5, '#c9d0d9'), (1, '#8e99a8')], y1 + 12, y1 + 19))
    # Bezel with a drop shadow onto the background.
    bezel = c.rect(x0, y0, x1, y1, 5)
    c.shadow(bezel, 2, 4, 4, 0.40, '#0a1f3d')
    c.fill(bezel, c.lin([(0, '#fbfcfd'), (0.55, '#dfe5ec'), (1, '#b2bcc8')], (0, y0), (0, y1)))
    c.fill(minus(bezel, c.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 4.5)), '#7d8898', 0.7)
    # Screen: deep blue with a glossy reflection.
    sx0, sy0, sx1, sy1 = x0 + 6, y0 + 6, x1 - 6, y1 - 12
    screen = c.rect(sx0, sy0, sx1, sy1, 1)
    c.fill(screen, c.lin([(0, '#0c2f5e'), (0.6, '#1f5ea8'), (1, '#3f8ad6')], (sx0, sy0), (sx1, sy1)))
    gloss = inter(screen, c.poly([(sx0, sy0), (sx1, sy0), (sx1, sy0 + 12), (sx0, sy1 - 4)]))
    c.fill(gloss, (255, 255, 255), 0.10)
    c.fill(minus(screen, c.rect(sx0 + 0.7, sy0 + 0.7, sx1 - 0.7, sy1 - 0.7)), '#0a1d38', 0.8)
    # Power light on the chin.
    c.fill(c.circle(x1 - 12, y1 - 6, 1.3), '#5fd0ff')
    c.fill(c.glow(x1 - 12, y1 - 6, 4, 4, 0.5), '#5fd0ff')
    return sx0, sy0, sx1, sy1


def draw_down_arrow(c, cx, top, tip, shaft_w, head_w, head_h):
    shaft = c.rect(cx - shaft_w / 2, top, cx + shaft_w / 2, tip - head_h + 1)
    head = c.poly([(cx - head_w / 2, tip - head_h), (cx + head_w / 2, tip - head_h), (cx, tip)])
    arrow = union(shaft, head)
    # The tail fades out, so the arrow reads as movement from above.
    fade = c.vgrad([(0, '#000000'), (1, '#ffffff')], top, top + (tip - top) * 0.55).convert('L')
    arrow = inter(arrow, fade)
    c.shadow(arrow, 2, 3, 3, 0.45, '#061a36')
    c.fill(arrow, c.lin([(0, '#ffffff'), (0.7, '#eef6ff'), (1, '#bcdaf8')], (cx - head_w / 2, top), (cx + head_w / 2, tip)))
    # A lit edge on the left side of the shaft and head.
    edge = minus(arrow, c.poly([(cx - shaft_w / 2 + 1.2, top), (cx + head_w, top), (cx + head_w, tip + 2),
                                (cx, tip - 1.6), (cx - head_w / 2 + 2.6, tip - head_h + 1.2),
                                (cx - shaft_w / 2 + 1.2, tip - head_h + 1.2)]))
    c.fill(edge, '#ffffff', 0.9)


def draw_banner_welcome(scale=1):
    c = Canvas(BANNER_W, BANNER_H, scale)
    banner_background(c)
    c.fill(c.glow(78, 140, 90, 90, 0.20, 1.5), (255, 255, 255))
    sx0, sy0, sx1, sy1 = draw_monitor(c, 26, 112, 130, 184)
    # Installation progress shown on the screen.
    bar = c.rect(sx0 + 10, sy1 - 12, sx1 - 10, sy1 - 6, 2.5)
    c.fill(bar, '#0b274d', 0.85)
    filled = c.rect(sx0 + 11, sy1 - 11, sx0 + 11 + (sx1 - sx0 - 22) * 0.62, sy1 - 7, 2)
    c.fill(filled, c.vgrad([(0, '#b8f0ff'), (0.5, '#5cc8f2'), (1, '#2b9ad8')], sy1 - 11, sy1 - 7))
    draw_down_arrow(c, 78, 30, sy1 - 16, 20, 46, 24)
    img = c.result()
    banner_wordmark(img, scale)
    return img


# ---------------------------------------------------------------- banner 456: model

def draw_printer(c, cx, top):
    """A desktop printer seen from the front, paper in and out."""
    # Paper standing in the rear feeder.
    paper_in = c.poly([(cx - 22, top + 26), (cx + 22, top + 26), (cx + 18, top), (cx - 18, top)])
    c.shadow(paper_in, 1, 2, 2, 0.35, '#061a36')
    c.fill(paper_in, c.vgrad([(0, '#ffffff'), (1, '#dfe6ee')], top, top + 26))
    for i, w in enumerate((26, 22, 28, 16)):
        y = top + 5 + i * 4.5
        c.fill(c.rect(cx - 14, y, cx - 14 + w, y + 1.4), '#9fb0c4')
    # Lid and body.
    lid = c.poly([(cx - 36, top + 22), (cx + 36, top + 22), (cx + 44, top + 36), (cx - 44, top + 36)])
    body = c.rect(cx - 48, top + 34, cx + 48, top + 76, 5)
    whole = union(lid, body)
    c.shadow(whole, 2, 4, 4, 0.45, '#061a36')
    c.fill(lid, c.vgrad([(0, '#fdfdfe'), (1, '#d2d9e2')], top + 22, top + 36))
    c.fill(body, c.vgrad([(0, '#f4f6f9'), (0.6, '#d6dde6'), (1, '#9aa6b5')], top + 34, top + 76))
    c.fill(c.rect(cx - 48, top + 35, cx + 48, top + 36.2), '#ffffff', 0.9)
    # Output slot with the printed page coming out.
    c.fill(c.rect(cx - 36, top + 54, cx + 36, top + 60, 2), '#2d3947')
    page = c.rect(cx - 28, top + 57, cx + 28, top + 92, 0.5)
    c.shadow(page, 1, 2, 2, 0.35, '#061a36')
    c.fill(page, c.vgrad([(0, '#e6ebf1'), (0.25, '#ffffff'), (1, '#f2f5f8')], top + 57, top + 92))
    for i, w in enumerate((36, 44, 30, 40)):
        y = top + 66 + i * 5.5
        c.fill(c.rect(cx - 22, y, cx - 22 + w, y + 1.6), '#7d93ad')
    c.fill(c.rect(cx - 22, top + 61, cx - 8, top + 63.4), '#3f7fd0')
    # Control panel: display and a green ready light.
    c.fill(c.rect(cx + 20, top + 40, cx + 40, top + 49, 1.5), '#203a5c')
    c.fill(c.rect(cx + 22, top + 42, cx + 38, top + 47, 1), c.hgrad([(0, '#5fb4f0'), (1, '#a8dcff')], cx + 22, cx + 38))
    c.fill(c.circle(cx - 38, top + 44, 1.6), '#46d36a')
    c.fill(c.glow(cx - 38, top + 44, 4.5, 4.5, 0.6), '#46d36a')
    c.fill(c.circle(cx - 32, top + 44, 1.6), '#8d99a8')


def draw_model_list(c, x0, y0, x1, rows, selected):
    row_h = 17
    y1 = y0 + 6 + rows * row_h + 4
    panel = c.rect(x0, y0, x1, y1, 4)
    c.shadow(panel, 2, 4, 4, 0.45, '#061a36')
    c.fill(panel, c.vgrad([(0, '#ffffff'), (1, '#e9eef4')], y0, y1))
    c.fill(minus(panel, c.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 3.5)), '#8aa0bb', 0.8)
    widths = (52, 66, 46, 58, 50)
    for i in range(rows):
        ry = y0 + 6 + i * row_h
        sel = i == selected
        if sel:
            band = c.rect(x0 + 3, ry, x1 - 3, ry + row_h - 2, 2)
            c.fill(band, c.vgrad([(0, '#4f91dc'), (1, '#2b69b7')], ry, ry + row_h - 2))
        # A small printer glyph ahead of every model name.
        gx, gy = x0 + 9, ry + 4
        ink = '#ffffff' if sel else '#5b7290'
        c.fill(c.rect(gx + 2, gy, gx + 8, gy + 3), ink, 0.9)
        c.fill(c.rect(gx, gy + 3, gx + 10, gy + 8, 1), ink)
        c.fill(c.rect(gx + 2, gy + 6, gx + 8, gy + 9), '#2b69b7' if sel else '#ffffff')
        c.fill(c.rect(gx + 22 - 2, ry + 6, gx + 20 + widths[i % len(widths)], ry + 9, 1.5),
               '#ffffff' if sel else '#a7b6c8')
    return y1


def draw_pointer(c, x, y, s=1.0):
    pts = [(0, 0), (0, 16), (4, 12.5), (7, 19), (9.5, 18), (6.6, 11.6), (11.5, 11.6)]
    arrow = c.poly([(x + px * s, y + py * s) for px, py in pts])
    c.shadow(arrow, 1.5, 2, 1.5, 0.5, '#061a36')
    c.fill(arrow, '#1b2430')
    inner = [(1.1, 2.6), (1.1, 13.4), (4.3, 10.6), (7.5, 17.3), (8.3, 17.0), (5.1, 10.4), (8.9, 10.4)]
    c.fill(c.poly([(x + px * s, y + py * s) for px, py in inner]), '#ffffff')


def draw_banner_model(scale=1):
    c = Canvas(BANNER_W, BANNER_H, scale)
    banner_background(c)
    c.fill(c.glow(78, 100, 80, 70, 0.20, 1.5), (255, 255, 255))
    draw_printer(c, 78, 34)
    draw_model_list(c, 22, 144, 134, 4, 1)
    draw_pointer(c, 108, 172)
    img = c.result()
    banner_wordmark(img, scale)
    return img


# ---------------------------------------------------------------- banner 454: connection

def draw_cable(c, pts, width, base, mid, light, shadow_alpha=0.35, shadow_col='#000000'):
    """A round cable along a smooth path, lit from the upper left."""
    path = catmull_rom(pts)
    c.shadow(c.stroke(path, width), width * 0.35, width * 0.55, width * 0.35, shadow_alpha, shadow_col)
    c.fill(c.stroke(path, width), base)
    off = width * 0.12
    c.fill(c.stroke([(x - off, y - off) for x, y in path], width * 0.62), mid)
    off = width * 0.2
    hi = c.stroke([(x - off, y - off) for x, y in path], max(0.5, width * 0.2))
    c.fill(hi.filter(ImageFilter.GaussianBlur(width * 0.06 * c.k)), light, 0.85)


def draw_banner_connection(scale=1):
    c = Canvas(BANNER_W, BANNER_H, scale)
    banner_background(c)
    cx = 76
    c.fill(c.glow(cx, 160, 80, 90, 0.20, 1.5), (255, 255, 255))
    # The device's port panel below.
    panel = c.rect(cx - 44, 186, cx + 44, 232, 6)
    c.shadow(panel, 2, 4, 4, 0.45, '#061a36')
    c.fill(panel, c.vgrad([(0, '#fbfcfd'), (0.5, '#dde3ea'), (1, '#a6b1bf')], 186, 232))
    c.fill(minus(panel, c.rect(cx - 43, 187, cx + 43, 231, 5.5)), '#7b8899', 0.6)
    port = c.rect(cx - 16, 200, cx + 16, 212, 1.5)
    c.fill(port, c.vgrad([(0, '#55606d'), (1, '#a9b3bf')], 199, 213))
    c.fill(c.rect(cx - 14.5, 201.5, cx + 14.5, 210.5, 1), '#14181d')
    c.fill(c.rect(cx - 13, 203.5, cx + 13, 206.5), c.vgrad([(0, '#f1f3f5'), (1, '#b9c0c8')], 203.5, 206.5))
    c.fill(c.rect(cx - 28, 218, cx - 20, 222, 1), '#7b8899', 0.8)
    c.fill(c.circle(cx + 30, 220, 1.6), '#46d36a')
    c.fill(c.glow(cx + 30, 220, 5, 5, 0.6), '#46d36a')
    # The cable comes down from above.
    draw_cable(c, [(cx + 30, -6), (cx + 30, 26), (cx - 4, 52), (cx - 4, 78), (cx, 96), (cx, 104)],
               8, '#12151a', '#3b4048', '#9aa4b0', 0.45, '#061a36')
    # Strain relief, housing and metal shell of the plug.
    relief = c.poly([(cx - 6, 100), (cx + 6, 100), (cx + 10, 112), (cx - 10, 112)])
    c.fill(relief, c.hgrad(BLACK_PLASTIC, cx - 10, cx + 10))
    housing = c.rect(cx - 17, 110, cx + 17, 146, 4)
    c.shadow(housing, 2, 3, 3, 0.45, '#061a36')
    c.fill(housing, c.hgrad(BLACK_PLASTIC, cx - 17, cx + 17))
    for k in range(5):
        c.fill(c.rect(cx - 13, 116 + k * 3, cx + 13, 117 + k * 3, 0.5), '#4b4f56', 0.9)
    shell = c.rect(cx - 12.5, 145, cx + 12.5, 170, 0.8)
    c.shadow(shell, 1.5, 2, 2, 0.4, '#061a36')
    c.fill(shell, c.hgrad(METAL, cx - 12.5, cx + 12.5))
    for hx in (cx - 7.5, cx + 3.5):
        c.fill(c.rect(hx, 152, hx + 4, 156), '#2a2f36')
        c.fill(c.rect(hx, 155.2, hx + 4, 156), '#dfe3e8')
    c.fill(c.rect(cx - 12.5, 168.8, cx + 12.5, 170), '#7d858f')
    # Motion marks between plug and port.
    for k, y in enumerate((173, 179)):
        chev = c.poly([(cx - 6, y), (cx, y + 4), (cx + 6, y), (cx + 6, y + 2.2), (cx, y + 6.2), (cx - 6, y + 2.2)])
        c.fill(chev, '#ffffff', 0.5 + 0.35 * k)
    img = c.result()
    banner_wordmark(img, scale)
    return img


# ---------------------------------------------------------------- bitmap 463: USB cable

CAPTION_COLOUR = (51, 58, 68)
CABLE_W, CABLE_H = 124, 120


def captions(img, left_x, right_x, scale=1):
    f = font(12, scale)
    draw_text(img, left_x, 3, '连接电脑', f, CAPTION_COLOUR, anchor='m', scale=scale)
    draw_text(img, right_x, 3, '连接打印机', f, CAPTION_COLOUR, anchor='m', scale=scale)


def soft_shadow(c, mask):
    c.shadow(mask, 1.5, 2.5, 1.8, 0.28)


def draw_usb_a(c, cx, top):
    """USB-A plug pointing up, its wide face (with the two holes) to the viewer."""
    # Housing and strain relief first, the metal shell sits on top of them.
    relief = c.poly([(cx - 7, top + 53), (cx + 7, top + 53), (cx + 4, top + 62), (cx - 4, top + 62)])
    housing = c.rect(cx - 12, top + 22, cx + 12, top + 55, 3.5)
    shell_face = c.rect(cx - 9.5, top + 3, cx + 9.5, top + 24)
    end_face = c.poly([(cx - 9.5, top + 3), (cx + 9.5, top + 3), (cx + 8.3, top), (cx - 8.3, top)])
    soft_shadow(c, union(relief, housing, shell_face, end_face))
    c.fill(relief, c.hgrad(BLACK_PLASTIC, cx - 7, cx + 7))
    c.fill(housing, c.hgrad(BLACK_PLASTIC, cx - 12, cx + 12))
    c.fill(c.rect(cx - 10, top + 23, cx + 10, top + 24.2), '#6c7077')
    for k in range(4):
        c.fill(c.rect(cx - 8, top + 40 + k * 3, cx + 8, top + 41 + k * 3, 0.5), '#4d5158', 0.9)
    # Trident mark moulded into the housing.
    c.fill(c.stroke([(cx, top + 28), (cx, top + 37)], 0.8), '#8d939b')
    c.fill(c.stroke([(cx - 3, top + 31), (cx - 3, top + 33), (cx, top + 35)], 0.7, False), '#8d939b')
    c.fill(c.stroke([(cx + 3, top + 30.5), (cx + 3, top + 32.5), (cx, top + 34.5)], 0.7, False), '#8d939b')
    c.fill(c.poly([(cx - 1.3, top + 29), (cx + 1.3, top + 29), (cx, top + 27)]), '#8d939b')
    # Metal shell.
    c.fill(shell_face, c.hgrad(METAL, cx - 9.5, cx + 9.5))
    c.fill(end_face, c.hgrad([(0, '#8d949c'), (0.5, '#d9dde2'), (1, '#8d949c')], cx - 9.5, cx + 9.5))
    c.fill(c.rect(cx - 7.8, top + 0.6, cx + 7.8, top + 1.8), '#22262b')
    c.fill(c.rect(cx - 7.8, top + 1.6, cx + 7.8, top + 2.6), '#f4f4f0')
    for hx in (cx - 6.5, cx + 2.5):
        c.fill(c.rect(hx, top + 6, hx + 4, top + 10), '#272b31')
        c.fill(c.rect(hx, top + 9.2, hx + 4, top + 10), '#e5e8ec')
    c.fill(c.rect(cx - 9.5, top + 3, cx + 9.5, top + 3.6), '#ffffff', 0.8)
    return top + 61


def draw_usb_b(c, cx, top):
    """USB-B plug pointing up, seen a little from above: the chamfered end face shows."""
    relief = c.poly([(cx - 7, top + 54), (cx + 7, top + 54), (cx + 4, top + 63), (cx - 4, top + 63)])
    housing = c.rect(cx - 13, top + 22, cx + 13, top + 56, 3.5)
    shell_side = c.rect(cx - 10, top + 12, cx + 10, top + 24)
    ch = 4.6   # chamfer of the end face
    fy0, fy1 = top, top + 13
    face = c.poly([(cx - 10 + ch, fy0), (cx + 10 - ch, fy0), (cx + 10, fy0 + ch * 0.8),
                   (cx + 10, fy1), (cx - 10, fy1), (cx - 10, fy0 + ch * 0.8)])
    soft_shadow(c, union(relief, housing, shell_side, face))
    c.fill(relief, c.hgrad(BLACK_PLASTIC, cx - 7, cx + 7))
    c.fill(housing, c.hgrad(BLACK_PLASTIC, cx - 13, cx + 13))
    c.fill(c.rect(cx - 11, top + 23, cx + 11, top + 24.2), '#6c7077')
    for k in range(4):
        c.fill(c.rect(cx - 9, top + 41 + k * 3, cx + 9, top + 42 + k * 3, 0.5), '#4d5158', 0.9)
    c.fill(c.stroke([(cx, top + 28), (cx, top + 37)], 0.8), '#8d939b')
    c.fill(c.stroke([(cx - 3, top + 31), (cx - 3, top + 33), (cx, top + 35)], 0.7, False), '#8d939b')
    c.fill(c.stroke([(cx + 3, top + 30.5), (cx + 3, top + 32.5), (cx, top + 34.5)], 0.7, False), '#8d939b')
    c.fill(c.poly([(cx - 1.3, top + 29), (cx + 1.3, top + 29), (cx, top + 27)]), '#8d939b')
    c.fill(shell_side, c.hgrad(METAL, cx - 10, cx + 10))
    c.fill(c.rect(cx - 10, top + 18, cx + 10, top + 18.7), '#8a919a', 0.8)
    # End face: metal rim round the square opening, white insert with its
    # chamfered top and the contacts on its sides.
    c.fill(face, c.lin([(0, '#f7f8f9'), (1, '#aab2bb')], (cx, fy0), (cx, fy1)))
    hole = c.poly([(cx - 8.2 + ch * 0.8, fy0 + 1.3), (cx + 8.2 - ch * 0.8, fy0 + 1.3), (cx + 8.2, fy0 + 1.3 + ch * 0.7),
                   (cx + 8.2, fy1 - 1.3), (cx - 8.2, fy1 - 1.3), (cx - 8.2, fy0 + 1.3 + ch * 0.7)])
    c.fill(hole, '#1e2227')
    ich = 2.2
    ix0, ix1, iy0, iy1 = cx - 5, cx + 5, fy0 + 3.2, fy1 - 3.2
    insert = c.poly([(ix0 + ich, iy0), (ix1 - ich, iy0), (ix1, iy0 + ich), (ix1, iy1), (ix0, iy1), (ix0, iy0 + ich)])
    c.fill(insert, c.vgrad([(0, '#ffffff'), (1, '#d5d8dc')], iy0, iy1))
    for x in (ix0, ix1 - 1.1):
        for y in (iy0 + ich + 0.3, iy1 - 2.1):
            c.fill(c.rect(x, y, x + 1.1, y + 1.6), '#c8a24a')
    return top + 62


def draw_usb_cable(scale=1):
    c = Canvas(CABLE_W, CABLE_H, scale)
    ax, bx = 28, 93
    # Cable first: the plugs' strain reliefs cover its ends.
    draw_cable(c, [(ax, 76), (ax, 94), (ax + 12, 109), (60, 106), (bx - 14, 110), (bx, 97), (bx, 78)],
               5, '#17191d', '#3a3e45', '#a2a9b2', 0.30)
    draw_usb_a(c, ax, 18)
    draw_usb_b(c, bx, 17)
    img = c.result()
    captions(img, ax, bx, scale)
    return img


# ---------------------------------------------------------------- bitmap 464: parallel cable

def draw_thumbscrew(c, x, top, bottom):
    """A knurled thumbscrew standing on the flange."""
    body = c.rect(x - 3, top + 1.5, x + 3, bottom)
    c.shadow(body, 1, 1.5, 1, 0.3)
    c.fill(body, c.hgrad([(0, '#8b939c'), (0.35, '#e4e8ec'), (1, '#59616b')], x - 3, x + 3))
    for k in range(5):
        c.fill(c.rect(x - 2.6 + k * 1.25, top + 2.5, x - 2.6 + k * 1.25 + 0.45, bottom - 1.5), '#4c535c', 0.75)
    c.fill(c.ellipse(x - 3, top, x + 3, top + 3), c.vgrad([(0, '#ffffff'), (1, '#a9b1ba')], top, top + 3))
    c.fill(c.ellipse(x - 0.8, top + 0.8, x + 0.8, top + 2.2), '#59616b')


def draw_db25(c, cx, top):
    """DB-25 male plug pointing up, seen from slightly above: the D face with its pins."""
    fw = 23                      # half width of the flange
    hood = c.poly([(cx - 21, top + 22), (cx + 21, top + 22), (cx + 8, top + 52), (cx - 8, top + 52)])
    relief = c.poly([(cx - 6, top + 50), (cx + 6, top + 50), (cx + 4.5, top + 61), (cx - 4.5, top + 61)])
    flange_top = c.poly([(cx - fw, top + 13), (cx + fw, top + 13), (cx + fw - 1, top + 10), (cx - fw + 1, top + 10)])
    flange = c.rect(cx - fw, top + 13, cx + fw, top + 22, 0.6)
    d_face = c.poly([(cx - 16, top + 1), (cx + 16, top + 1), (cx + 13.5, top + 8), (cx - 13.5, top + 8)])
    d_side = c.poly([(cx - 13.5, top + 8), (cx + 13.5, top + 8), (cx + 13.5, top + 12), (cx - 13.5, top + 12)])
    soft_shadow(c, union(hood, relief, flange_top, flange, d_face, d_side))
    c.fill(relief, c.hgrad(GREY_PLASTIC, cx - 6, cx + 6))
    c.fill(hood, c.hgrad(GREY_PLASTIC, cx - 21, cx + 21))
    for k in range(4):
        y = top + 30 + k * 4.5
        half = 19 - (y - top - 22) * 13 / 30 - 2
        c.fill(c.rect(cx - half, y, cx + half, y + 0.9), '#9aa2ab', 0.8)
    c.fill(flange, c.vgrad([(0, '#f0f2f4'), (0.4, '#bcc3ca'), (1, '#8e97a1')], top + 13, top + 22))
    c.fill(flange_top, c.hgrad(METAL, cx - fw, cx + fw))
    c.fill(d_side, c.hgrad(METAL, cx - 13.5, cx + 13.5))
    c.fill(d_face, c.vgrad([(0, '#c4cad1'), (1, '#eef0f2')], top + 1, top + 8))
    inner = c.poly([(cx - 14.8, top + 1.8), (cx + 14.8, top + 1.8), (cx + 12.6, top + 7.3), (cx - 12.6, top + 7.3)])
    c.fill(inner, c.vgrad([(0, '#1d2126'), (1, '#3a4048')], top + 2, top + 7.2))
    for i in range(13):
        x = cx - 12.6 + i * 2.1
        c.fill(c.ellipse(x - 0.7, top + 2.5, x + 0.7, top + 4.1), '#f3d38a')
    for i in range(12):
        x = cx - 11.55 + i * 2.1
        c.fill(c.ellipse(x - 0.7, top + 4.9, x + 0.7, top + 6.5), '#f3d38a')
    draw_thumbscrew(c, cx - fw + 3, top - 3, top + 12)
    draw_thumbscrew(c, cx + fw - 3, top - 3, top + 12)
    return top + 60


def draw_centronics(c, cx, top):
    """36-pin Centronics plug pointing up: metal D shell round a contact tongue."""
    fw = 29
    hood = c.poly([(cx - 24, top + 22), (cx + 24, top + 22), (cx + 9, top + 52), (cx - 9, top + 52)])
    relief = c.poly([(cx - 6, top + 50), (cx + 6, top + 50), (cx + 4.5, top + 61), (cx - 4.5, top + 61)])
    flange_top = c.poly([(cx - fw, top + 14), (cx + fw, top + 14), (cx + fw - 1, top + 11), (cx - fw + 1, top + 11)])
    flange = c.rect(cx - fw, top + 14, cx + fw, top + 23, 0.6)
    d_face = c.poly([(cx - 24, top + 1), (cx + 24, top + 1), (cx + 21, top + 9), (cx - 21, top + 9)])
    d_side = c.poly([(cx - 21, top + 9), (cx + 21, top + 9), (cx + 21, top + 13), (cx - 21, top + 13)])
    soft_shadow(c, union(hood, relief, flange_top, flange, d_face, d_side))
    c.fill(relief, c.hgrad(GREY_PLASTIC, cx - 6, cx + 6))
    c.fill(hood, c.hgrad(GREY_PLASTIC, cx - 24, cx + 24))
    for k in range(4):
        y = top + 30 + k * 4.5
        half = 22 - (y - top - 22) * 15 / 30 - 2
        c.fill(c.rect(cx - half, y, cx + half, y + 0.9), '#9aa2ab', 0.8)
    c.fill(flange, c.vgrad([(0, '#f0f2f4'), (0.4, '#bcc3ca'), (1, '#8e97a1')], top + 14, top + 23))
    c.fill(flange_top, c.hgrad(METAL, cx - fw, cx + fw))
    # Latch ears at both ends, where the printer's wire clips hook in.
    for ex in (cx - fw + 3, cx + fw - 3):
        c.fill(c.rect(ex - 1.6, top + 16, ex + 1.6, top + 20, 0.8), '#4b535c')
    c.fill(d_side, c.hgrad(METAL, cx - 21, cx + 21))
    c.fill(d_face, c.vgrad([(0, '#c4cad1'), (1, '#eef0f2')], top + 1, top + 9))
    inner = c.poly([(cx - 22.2, top + 2), (cx + 22.2, top + 2), (cx + 19.6, top + 8.2), (cx - 19.6, top + 8.2)])
    c.fill(inner, '#23272d')
    tongue = c.rect(cx - 18, top + 3.6, cx + 18, top + 6.8, 0.6)
    c.fill(tongue, c.vgrad([(0, '#f4eedc'), (1, '#cfc5a8')], top + 3.6, top + 6.8))
    for i in range(18):
        x = cx - 17 + i * 2.0
        c.fill(c.rect(x, top + 3.6, x + 1.0, top + 4.6), '#d9a94a')
        c.fill(c.rect(x, top + 5.8, x + 1.0, top + 6.8), '#d9a94a')
    return top + 60


def draw_parallel_cable(scale=1):
    c = Canvas(CABLE_W, CABLE_H, scale)
    ax, bx = 30, 92
    draw_cable(c, [(ax, 76), (ax, 94), (ax + 13, 110), (61, 106), (bx - 14, 110), (bx, 97), (bx, 78)],
               7, '#7f868e', '#b9bfc6', '#f2f4f6', 0.30)
    draw_db25(c, ax, 21)
    draw_centronics(c, bx, 21)
    img = c.result()
    captions(img, ax, bx, scale)
    return img


# ---------------------------------------------------------------- icon 128

# The standard 16-colour palette, in the order Windows gives it to 4-bit icons.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# One letter per palette entry; '.' is transparent.
ICON_KEYS = {'K': 0, 'r': 1, 'g': 2, 'y': 3, 'n': 4, 'p': 5, 't': 6, 's': 7,
             'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'W': 15}

class PixelGrid:
    """A small picture of palette indices; None is transparent."""

    def __init__(self, size):
        self.size = size
        self.px = [[None] * size for _ in range(size)]

    def fill(self, x0, y0, x1, y1, key):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px[y][x] = ICON_KEYS[key]

    def box(self, x0, y0, x1, y1, edge, inside):
        self.fill(x0, y0, x1, y1, edge)
        if x1 - x0 > 1 and y1 - y0 > 1:
            self.fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside)

    def dot(self, x, y, key):
        self.px[y][x] = ICON_KEYS[key]


# Printers placed pixel by pixel: at 16 and 32 pixels hand placed pixels are
# sharper than anything scaled down. Light comes from the upper left.
def icon_32():
    g = PixelGrid(32)
    # Sheet standing in the feeder.
    g.box(9, 2, 22, 12, 'K', 'W')
    for y, x1 in ((5, 19), (7, 17), (9, 20)):
        g.fill(12, y, x1, y, 'd')
    # Lid sloping down to the body.
    g.fill(6, 11, 25, 11, 'K')
    g.fill(5, 12, 26, 12, 'K')
    g.fill(6, 12, 25, 12, 'W')
    g.fill(4, 13, 27, 13, 'K')
    g.fill(5, 13, 26, 13, 's')
    # Body.
    g.box(2, 14, 29, 24, 'K', 's')
    g.fill(3, 15, 28, 15, 'W')
    g.fill(3, 15, 3, 23, 'W')
    g.fill(28, 16, 28, 23, 'd')
    g.fill(4, 22, 27, 23, 'd')
    # Ready light, a key and the display.
    g.dot(5, 17, 'G')
    g.dot(8, 17, 'd')
    g.box(19, 16, 26, 19, 'n', 'C')
    # Output slot and the printed page.
    g.fill(6, 21, 25, 21, 'K')
    g.box(8, 22, 23, 30, 'K', 'W')
    g.fill(10, 24, 15, 24, 'B')
    for y, x1 in ((26, 21), (28, 18)):
        g.fill(10, y, x1, y, 'd')
    return g.px


def icon_16():
    g = PixelGrid(16)
    g.box(4, 1, 11, 6, 'K', 'W')
    g.fill(6, 3, 9, 3, 'd')
    g.fill(2, 6, 13, 6, 'K')
    g.fill(3, 6, 12, 6, 'W')
    g.box(1, 7, 14, 12, 'K', 's')
    g.fill(2, 8, 13, 8, 'W')
    g.fill(2, 8, 2, 11, 'W')
    g.fill(13, 9, 13, 11, 'd')
    g.fill(3, 11, 12, 11, 'd')
    g.dot(3, 9, 'G')
    g.fill(9, 9, 11, 9, 'C')
    g.fill(3, 11, 12, 11, 'K')
    g.box(4, 11, 11, 15, 'K', 'W')
    g.fill(6, 13, 9, 13, 'B')
    return g.px


# Larger icons, for 125, 150 and 200 % display scale: drawn as shapes on the
# pixel grids above (design units), so they keep the same printer. The 16 px
# design gives the small icons (20, 24 px), the 32 px design the large ones
# (40, 48, 64 px); 32 px for small icons at 200 % is icon_32 itself.
ICON_INK = '#15191e'
ICON_SILVER = [(0, '#f5f7f9'), (0.45, '#cfd4da'), (1, '#8f969f')]
ICON_SCREEN = [(0, '#9ee8ff'), (1, '#35b4e6')]


def icon_box(c, x0, y0, x1, y1, inside, edge=ICON_INK, r=0, w=1.0):
    """A shape of the pixel designs: whole cells x0..x1, y0..y1, edged by w."""
    outer = c.rect(x0, y0, x1 + 1, y1 + 1, r)
    c.fill(outer, edge)
    c.fill(c.rect(x0 + w, y0 + w, x1 + 1 - w, y1 + 1 - w, max(0, r - w)), inside)
    return outer


def icon_large(c):
    """The icon_32 printer as shapes; returns its silhouette."""
    # Sheet standing in the feeder, with lines of print.
    sheet = icon_box(c, 9, 2, 22, 12, c.vgrad([(0, '#ffffff'), (1, '#e3e8ee')], 3, 12), r=0.8)
    for y, x1 in ((5, 19), (7, 17), (9, 20)):
        c.fill(c.rect(12, y + 0.15, x1 + 1, y + 0.85), '#8a939e')
    # Lid sloping down to the body.
    lid = c.poly([(6, 11), (26, 11), (28, 14.5), (4, 14.5)])
    c.fill(lid, ICON_INK)
    c.fill(c.poly([(6.6, 12), (25.4, 12), (26.6, 14), (5.4, 14)]), c.vgrad([(0, '#ffffff'), (1, '#cdd3da')], 12, 14))
    # Body with its light upper left edge.
    body = icon_box(c, 2, 14, 29, 24, c.vgrad(ICON_SILVER, 15, 24), r=1.6)
    c.fill(c.rect(3, 15, 29, 15.8, 0.6), '#ffffff', 0.9)
    c.fill(c.rect(3, 15, 3.8, 23, 0.4), '#ffffff', 0.7)
    # Ready light, a key and the display.
    c.fill(c.circle(5.5, 17.5, 1.3), '#1c9a34')
    c.fill(c.circle(5.3, 17.3, 0.8), '#5ef07a')
    c.fill(c.circle(8.5, 17.5, 0.8), '#7b838d')
    icon_box(c, 19, 16, 26, 19, c.hgrad(ICON_SCREEN, 20, 26), edge='#1d3f73', r=0.6, w=0.9)
    # Output slot and the printed page.
    c.fill(c.rect(6, 21, 26, 22.2, 0.5), ICON_INK)
    page = icon_box(c, 8, 22, 23, 30, c.vgrad([(0, '#e8edf2'), (0.3, '#ffffff'), (1, '#f4f6f8')], 23, 30), r=0.5)
    c.fill(c.rect(10, 24.1, 16, 24.9), '#2f7ad6')
    for y, x1 in ((26, 21), (28, 18)):
        c.fill(c.rect(10, y + 0.15, x1 + 1, y + 0.85), '#8a939e')
    return union(sheet, lid, body, page)


def icon_small(c):
    """The icon_16 printer as shapes; returns its silhouette."""
    sheet = icon_box(c, 4, 1, 11, 6, '#ffffff', r=0.5)
    c.fill(c.rect(6, 3.15, 10, 3.85), '#8a939e')
    lid = icon_box(c, 2, 6, 13, 7, c.vgrad([(0, '#ffffff'), (1, '#d5dae0')], 7, 8))
    body = icon_box(c, 1, 7, 14, 12, c.vgrad(ICON_SILVER, 8, 12), r=1)
    c.fill(c.rect(2, 8, 14, 8.7), '#ffffff', 0.9)
    c.fill(c.circle(3.5, 9.5, 0.8), '#2fd14a')
    c.fill(c.rect(9, 9, 12, 10, 0.3), c.hgrad(ICON_SCREEN, 9, 12))
    c.fill(c.rect(3, 11, 13, 12, 0.3), ICON_INK)
    page = icon_box(c, 4, 11, 11, 15, '#ffffff', r=0.3)
    c.fill(c.rect(6, 13.1, 10, 13.9), '#2f7ad6')
    return union(sheet, lid, body, page)


def draw_icon(design, size):
    """The printer at size pixels from the 16 or 32 pixel design.

    Returns the picture and its opacity (0 or 255 per pixel)."""
    scale = size / design
    c = Canvas(design, design, scale, bg=ICON_INK)
    silhouette = (icon_small if design == 16 else icon_large)(c)
    # The edge pixels that stay are dark, like the outline, so the icon shows
    # no light fringe on any background.
    opaque = silhouette.resize(c.out, Image.BOX).point(lambda v: 255 if v >= 112 else 0)
    return c.result(), opaque


def ico_image(pixels):
    """One 4-bit icon image: header, palette, colour bits and AND mask, bottom-up."""
    size = len(pixels)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, v in enumerate(row):
            idx = 0 if v is None else v
            line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
            if v is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA16)
    return header + palette + bytes(xor) + bytes(mask)


def ico_image_8(img, opaque):
    """One 8-bit icon image (256-colour palette, AND mask), bottom-up.

    Colours go to palette entries 0..254; entry 255 stays black and is what
    transparent pixels hold, so XOR over the cleared AND area leaves the
    background as it was."""
    size = img.width
    q = to_palette(img, colours=255)
    pal = q.getpalette()[:765] + [0, 0, 0]
    q.paste(255, (0, 0, size, size), opaque.point(lambda v: 255 - v))
    xor_stride = ((size * 8 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    idx = q.tobytes()
    see = opaque.tobytes()
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        xor += idx[y * size:(y + 1) * size] + bytes(xor_stride - size)
        bits = bytearray(and_stride)
        for x in range(size):
            if not see[y * size + x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', pal[i + 2], pal[i + 1], pal[i], 0) for i in range(0, 768, 3))
    return header + palette + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """images: (size, bits per pixel, image data) in directory order."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, blob in images:
        colours = 16 if bits == 4 else 0
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    out += b''.join(blob for _, _, blob in images)
    with open(path, 'wb') as f:
        f.write(out)


def icon_preview(pixels):
    size = len(pixels)
    img = Image.new('RGB', (size, size))
    for y, row in enumerate(pixels):
        for x, v in enumerate(row):
            # Checker pattern where the icon is transparent.
            img.putpixel((x, y), VGA16[v] if v is not None else ((236, 236, 236) if (x + y) % 2 else (210, 210, 210)))
    return img


def icon_preview_8(path, index):
    """Image number index of the icon file as Windows would show it, on a checker."""
    with open(path, 'rb') as f:
        data = f.read()
    size, _, _, _, _, _, _, off = struct.unpack_from('<BBBBHHII', data, 6 + 16 * index)
    pal = data[off + 40:off + 40 + 1024]
    xor_at = off + 40 + 1024
    and_at = xor_at + size * size          # sizes here are multiples of 4
    and_stride = ((size + 31) // 32) * 4
    img = Image.new('RGB', (size, size))
    for y in range(size):
        row = size - 1 - y
        for x in range(size):
            if data[and_at + row * and_stride + x // 8] & (0x80 >> (x % 8)):
                img.putpixel((x, y), (236, 236, 236) if (x + y) % 2 else (210, 210, 210))
            else:
                i = data[xor_at + row * size + x]
                img.putpixel((x, y), (pal[4 * i + 2], pal[4 * i + 1], pal[4 * i]))
    return img


# ---------------------------------------------------------------- BMP files

def flat_colours(img, share=0.005, most=16):
    """The colours of img's flat areas: any exact colour covering share of
    the picture, such as a white background or the caption ink."""
    total = img.width * img.height
    counts = sorted(img.getcolors(total), key=lambda nc: (-nc[0], nc[1]))
    return [c for n, c in counts if n >= total * share][:most]


def to_palette(img, method=Image.MEDIANCUT, colours=256):
    """img in 256 colours: its flat colours kept exact, the rest chosen by
    the quantizer and mapped onto with error diffusion.

    A quantizer alone averages a white background with the edge pixels next
    to it and then dithers the whole field grey; and Pillow's mapping looks
    colours up in boxes of 4 levels per channel, so it may send an exact
    colour to a neighbour a few levels off. Both are put right here."""
    flat = flat_colours(img)
    chosen = img.quantize(colors=colours - len(flat), method=method)
    pal = chosen.getpalette()[:3 * (colours - len(flat))]
    first = len(pal) // 3
    pal += [v for c in flat for v in c]
    pal += [0] * (768 - len(pal))
    holder = Image.new('P', (1, 1))
    holder.putpalette(pal)
    out = img.quantize(palette=holder, dither=Image.FLOYDSTEINBERG)
    for i, c in enumerate(flat):
        # 255 where the pixel is exactly c, 0 elsewhere.
        off = ImageChops.difference(img, Image.new('RGB', img.size, c)).split()
        exact = union(*off).point(lambda v: 255 if v == 0 else 0)
        out.paste(first + i, (0, 0) + img.size, exact)
    return out


def write_bmp(path, img, bits, scaled=False):
    """Classic Windows bitmap: BITMAPINFOHEADER, bottom-up, 24-bit or 8-bit."""
    if bits == 8:
        if scaled:
            img = to_palette(img)
        else:
            # Pick the 256 colours, then map onto them with error diffusion so
            # the wide gradients do not band. (The 100 % banners keep the
            # colours they were first made with.)
            palette = img.quantize(colors=256, method=Image.MEDIANCUT)
            img = img.quantize(palette=palette, dither=Image.FLOYDSTEINBERG)
    img.save(path, format='BMP')


def check_bmp(path, w, h, bits):
    """Stops unless path is a w x h classic bottom-up bitmap of the given depth:
    BITMAPINFOHEADER, BI_RGB, the palette (8-bit) or nothing (24-bit) between
    header and pixels, and nothing after them."""
    with open(path, 'rb') as f:
        data = f.read()
    ok = len(data) >= 54 and data[:2] == b'BM'
    if ok:
        file_size, = struct.unpack_from('<I', data, 2)
        off, = struct.unpack_from('<I', data, 10)
        hsize, bw, bh, planes, bpp, comp = struct.unpack_from('<IiiHHI', data, 14)
        used, = struct.unpack_from('<I', data, 46)
        ok = (file_size == len(data) and hsize == 40 and bw == w and bh == h
              and planes == 1 and bpp == bits and comp == 0)
        colours = (used or 256) if bits == 8 else 0
        stride = ((w * bits + 31) // 32) * 4
        ok = ok and colours <= 256 and off == 54 + 4 * colours and len(data) == off + stride * h
        if ok and bits == 8:
            # Every pixel names a palette entry (row padding is zero).
            ok = max(data[off:]) < colours
    if not ok:
        sys.exit('%s: not a %dx%d %d-bit bottom-up BITMAPINFOHEADER bitmap' % (path, w, h, bits))


def check_ico(path, entries):
    """entries: (size, bits per pixel) of every image, in directory order."""
    with open(path, 'rb') as f:
        data = f.read()
    _, kind, count = struct.unpack_from('<HHH', data, 0)
    ok = kind == 1 and count == len(entries)
    end = 6 + 16 * count
    for i, (size, bits) in enumerate(entries):
        if not ok:
            break
        w, h, colours, _, planes, bpp, length, off = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        hsize, bw, bh, hplanes, hbpp, comp = struct.unpack_from('<IiiHHI', data, off)
        # Header, palette, colour bits and AND mask, rows padded to 4 bytes.
        want = (40 + 4 * (1 << bits) + ((size * bits + 31) // 32) * 4 * size
                + ((size + 31) // 32) * 4 * size)
        ok = ((w, h, colours, planes, bpp) == (size, size, 16 if bits == 4 else 0, 1, bits)
              and (hsize, bw, bh, hplanes, hbpp, comp) == (40, size, 2 * size, 1, bits, 0)
              and length == want and off == end)
        end = off + length
    if not ok or end != len(data):
        sys.exit('%s: not an icon with images (size, bits) %s' % (path, entries))


# ---------------------------------------------------------------- main

PICTURES = [
    # file, drawing, size and bits per pixel at 100 %
    ('banner_welcome', draw_banner_welcome, (BANNER_W, BANNER_H), 24),
    ('banner_model', draw_banner_model, (BANNER_W, BANNER_H), 8),
    ('banner_connection', draw_banner_connection, (BANNER_W, BANNER_H), 8),
    ('usb_cable', draw_usb_cable, (CABLE_W, CABLE_H), 24),
    ('parallel_cable', draw_parallel_cable, (CABLE_W, CABLE_H), 24),
]
# The larger sizes are linked into the installer uncompressed, so they are
# all 8-bit, each with its own palette.
SCALED_BITS = 8
# Icon sizes added for 125, 150 and 200 %: (design drawn from, pixels).
ICON_SIZES = [(32, 64), (32, 48), (32, 40), (16, 24), (16, 20)]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--out', default=OUT_DIR, help='output folder (default: wizard/res)')
    ap.add_argument('--preview', help='also write enlarged PNG previews into this folder')
    args = ap.parse_args()
    if not os.path.exists(FONT_FILE):
        sys.exit('missing font %s (Debian package fonts-wqy-microhei)' % FONT_FILE)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)

    scaled_bytes = 0
    for scale, suffix in SCALES:
        for base, draw, (w, h), bits in PICTURES:
            name = base + suffix + '.bmp'
            img = draw(scale)
            if scale != 1:
                bits = SCALED_BITS
            path = os.path.join(args.out, name)
            write_bmp(path, img, bits, scaled=scale != 1)
            check_bmp(path, scaled(w, scale), scaled(h, scale), bits)
            size = os.path.getsize(path)
            if scale != 1:
                scaled_bytes += size
            print('%s: %dx%d, %d-bit, %d bytes' % (path, img.width, img.height, bits, size))
            if args.preview:
                # Whole-pixel zoom, so every pixel of the bitmap can be judged.
                zoom = 3 if scale == 1 else 2
                shown = Image.open(path).convert('RGB')
                shown.resize((shown.width * zoom, shown.height * zoom), Image.NEAREST).save(
                    os.path.join(args.preview, name.replace('.bmp', '.png')))
    print('bitmaps for 125/150/200 %%: %d bytes in all' % scaled_bytes)

    # The hand-placed 16-colour images first, then the larger ones drawn for
    # higher display scales; each depth by size, largest first.
    entries = [(32, 4, ico_image(icon_32())), (16, 4, ico_image(icon_16()))]
    for design, size in ICON_SIZES:
        entries.append((size, 8, ico_image_8(*draw_icon(design, size))))
    path = os.path.join(args.out, 'app.ico')
    write_ico(path, entries)
    check_ico(path, [(size, bits) for size, bits, _ in entries])
    print('%s: %s' % (path, ', '.join('%dx%d %d-bit' % (s, s, b) for s, b, _ in entries)))
    if args.preview:
        for px in (icon_32(), icon_16()):
            n = len(px)
            icon_preview(px).resize((n * 8, n * 8), Image.NEAREST).save(
                os.path.join(args.preview, 'app_%d.png' % n))
        for i, (size, bits, _) in enumerate(entries):
            if bits == 8:
                icon_preview_8(path, i).resize((size * 8, size * 8), Image.NEAREST).save(
                    os.path.join(args.preview, 'app_%d.png' % size))


if __name__ == '__main__':
    main()
