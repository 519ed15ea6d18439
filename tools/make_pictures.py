#!/usr/bin/python3
"""Draws Quorvane's editor pictures: the background and the film strips, at 2x density.

Usage: tools/make_pictures.py [output folder]   (default: resources/ next to this tools/ folder)

Needs Debian's python3 with python3-cairo, and fonts-roboto-unhinted. The output is deterministic: no randomness,
no time stamps; every picture is drawn in editor units on a surface scaled by 2.

Frames of a strip are stacked vertically; frame i (1-based) of an N-frame strip shows the control at
the normalised value (i - 1) / (N - 1).
"""

import math
import os
import subprocess
import sys

import cairo

SCALE = 2  # pixels per editor unit

# ---------------------------------------------------------------------------------------------------
# Look

PANEL_TOP = (0.205, 0.210, 0.220)
PANEL_BOTTOM = (0.150, 0.155, 0.163)
PANEL_INSET = (0.120, 0.124, 0.131)
LEGEND = (0.925, 0.910, 0.870)     # off-white legends
LEGEND_DIM = (0.700, 0.690, 0.660)  # scale numbers
TICK = (0.780, 0.770, 0.740)
AMBER = (1.000, 0.690, 0.250)
FACE_TOP = (0.975, 0.905, 0.740)    # warm meter face
FACE_BOTTOM = (0.915, 0.800, 0.590)
FACE_INK = (0.180, 0.140, 0.100)
FACE_RED = (0.700, 0.160, 0.110)

FONT = "Roboto"


def check_font():
    """The labels use Roboto through fontconfig; refuse to draw with a substitute."""
    try:
        path = subprocess.run(["fc-match", "-f", "%{file}", FONT], check=True, capture_output=True,
                              text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        sys.exit("make_pictures: fc-match failed; install fontconfig and fonts-roboto-unhinted")
    if "Roboto-Regular" not in path:
        sys.exit("make_pictures: fontconfig does not resolve Roboto (got %r); install fonts-roboto-unhinted"
                 % path)


def new_surface(w_units, h_units, frames=1):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w_units * SCALE, h_units * SCALE * frames)
    return surface


def context(surface):
    cr = cairo.Context(surface)
    cr.scale(SCALE, SCALE)
    options = cairo.FontOptions()
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_NONE)
    options.set_hint_metrics(cairo.HINT_METRICS_OFF)
    cr.set_font_options(options)
    return cr


def font(cr, size, bold=False):
    cr.select_font_face(FONT, cairo.FONT_SLANT_NORMAL,
                        cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(size)


def text_size(cr, text, spacing=0.0):
    ext = cr.text_extents(text)
    return ext.x_advance + spacing * (len(text) - 1), cr.font_extents()[0] * 0.72  # cap height approx


def draw_text(cr, text, x, y, colour, align="center", spacing=0.0, valign="middle"):
    """Draws text with its horizontal anchor at x and its cap-height centre (or baseline) at y."""
    w, cap = text_size(cr, text, spacing)
    if align == "center":
        x0 = x - w / 2
    elif align == "right":
        x0 = x - w
    else:
        x0 = x
    baseline = y + cap / 2 if valign == "middle" else y
    cr.set_source_rgb(*colour)
    if spacing == 0.0:
        cr.move_to(x0, baseline)
        cr.show_text(text)
    else:
        for ch in text:
            cr.move_to(x0, baseline)
            cr.show_text(ch)
            x0 += cr.text_extents(ch).x_advance + spacing


def rounded_rect(cr, x, y, w, h, r):
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    cr.close_path()


def polar(cx, cy, radius, degrees):
    """0 degrees points up, positive turns clockwise."""
    a = math.radians(degrees)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


# ---------------------------------------------------------------------------------------------------
# Layout (editor units; the same numbers as the editor's control table)

KNOB_SWEEP = 270.0  # degrees, from -135 (value 0) to +135 (value 1)

# (name, x, y, size, labels) - labels: list of (normalised value, text)
CONTINUOUS = [
    ("THRESHOLD", 55, 250, [(0.0, "-15"), (0.5, "0"), (1.0, "+15 dB")]),
    ("MAKE-UP GAIN", 231, 250, [(0.0, "0"), (0.5, "7.5"), (1.0, "15 dB")]),
    ("HF", 378, 250, [(0.0, "0"), (0.5, "50"), (1.0, "100 %")]),
    ("BOOST", 506, 250, [(0.0, "0"), (0.5, "5"), (1.0, "10 dB")]),
    ("MID GAIN", 378, 367, [(0.0, "-6"), (0.5, "0"), (1.0, "+6 dB")]),
    ("TRANSIENT TILT", 506, 367, [(0.0, "-6"), (0.5, "0"), (1.0, "+6 dB")]),
    ("COMPRESSOR MIX", 231, 485, [(0.0, "0"), (0.5, "50"), (1.0, "100 %")]),
    ("HPF", 378, 485, [(0.0, "20"), (0.5, "260"), (1.0, "500 Hz")]),
    ("TRANSIENT MIX", 506, 485, [(0.0, "0"), (0.5, "50"), (1.0, "100 %")]),
]

ATTACK_TEXTS = [".1 ms", ".3 ms", "1 ms", "3 ms", "10 ms", "30 ms"]
RATIO_TEXTS = ["1.5:1", "2:1", "3:1", "4:1", "5:1", "10:1"]
RELEASE_TEXTS = [".1 sec", ".3 sec", ".6 sec", "1.2 sec", "Auto"]

STEPPED = [
    ("ATTACK", 55, 368, 64, ATTACK_TEXTS),
    ("RATIO", 55, 485, 64, RATIO_TEXTS),
    ("RELEASE", 232, 368, 62, RELEASE_TEXTS),
]

# The first switch is parameter 12 ("Bypass" to hosts), lit while the compressor processes: "IN" reads
# that way round.
BIG_SWITCHES = [("IN", 360, 97), ("TURBO", 436, 97), ("XFORMER", 513, 97)]
SMALL_SWITCH = ("EXT SC", 462, 331)
OVER_BAR = (386, 30, 177, 17)
METER = (97, 75, 159, 70)

# Needle geometry inside the 159 x 70 meter frame: the pivot sits below the face.
NEEDLE_PIVOT = (79.5, 104.0)
NEEDLE_LENGTH = 88.0
NEEDLE_HALF_SWEEP = 47.0  # degrees either side of vertical
GR_MARKS = [0, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20]
GR_LABELS = [0, 2, 4, 6, 10, 20]


def needle_angle(fraction):
    return -NEEDLE_HALF_SWEEP + 2 * NEEDLE_HALF_SWEEP * fraction


def fraction_for_db(db):
    return 1.0 - 10.0 ** (-db / 20.0)


# ---------------------------------------------------------------------------------------------------
# Background


def label_around(cr, cx, cy, radius, degrees, text, colour):
    """Places text just outside a circle, its nearest edge about `radius` from the centre."""
    w, cap = text_size(cr, text)
    a = math.radians(degrees)
    dx, dy = math.sin(a), -math.cos(a)
    distance = radius + abs(dx) * w / 2 + abs(dy) * cap / 2
    draw_text(cr, text, cx + dx * distance, cy + dy * distance, colour)


def knob_scale(cr, cx, cy, ticks, major):
    """Tick marks on the panel around a knob (the knob strip itself is transparent there)."""
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    for i in range(ticks):
        v = i / (ticks - 1)
        deg = -KNOB_SWEEP / 2 + KNOB_SWEEP * v
        is_major = major(i)
        x0, y0 = polar(cx, cy, 26.0, deg)
        x1, y1 = polar(cx, cy, 30.5 if is_major else 29.0, deg)
        cr.set_source_rgb(*TICK)
        cr.set_line_width(1.2 if is_major else 0.8)
        cr.move_to(x0, y0)
        cr.line_to(x1, y1)
        cr.stroke()


def draw_background(path):
    w, h = 605, 602
    surface = new_surface(w, h)
    cr = context(surface)

    # Panel with a soft vertical gradient and faint brushed lines.
    g = cairo.LinearGradient(0, 0, 0, h)
    g.add_color_stop_rgb(0, *PANEL_TOP)
    g.add_color_stop_rgb(1, *PANEL_BOTTOM)
    cr.set_source(g)
    cr.paint()
    cr.set_line_width(0.5)
    for i in range(0, h, 3):
        shade = 0.012 if (i * 7919) % 5 < 2 else -0.008
        cr.set_source_rgba(1, 1, 1, shade) if shade > 0 else cr.set_source_rgba(0, 0, 0, -shade)
        cr.move_to(0, i + 0.25)
        cr.line_to(w, i + 0.25)
        cr.stroke()

    # Frame edge and corner screws.
    cr.set_line_width(1.0)
    cr.set_source_rgba(1, 1, 1, 0.06)
    rounded_rect(cr, 6.5, 6.5, w - 13, h - 13, 6)
    cr.stroke()
    for sx, sy in [(16, 16), (w - 16, 16), (16, h - 16), (w - 16, h - 16)]:
        sg = cairo.RadialGradient(sx - 1.5, sy - 1.5, 0.5, sx, sy, 5)
        sg.add_color_stop_rgb(0, 0.55, 0.55, 0.56)
        sg.add_color_stop_rgb(1, 0.22, 0.22, 0.23)
        cr.set_source(sg)
        cr.arc(sx, sy, 4.5, 0, 2 * math.pi)
        cr.fill()
        cr.set_source_rgba(0, 0, 0, 0.55)
        cr.set_line_width(1.0)
        cr.move_to(sx - 3, sy + 1.5)
        cr.line_to(sx + 3, sy - 1.5)
        cr.stroke()

    # Recessed section panels.
    sections = [
        (24, 206, 304, 366, "COMPRESSOR"),
        (350, 206, 240, 366, "TONE & TRANSIENTS"),
    ]
    for x, y, sw, sh, title in sections:
        cr.set_source_rgba(*PANEL_INSET, 0.55)
        rounded_rect(cr, x, y, sw, sh, 6)
        cr.fill()
        cr.set_source_rgba(1, 1, 1, 0.05)
        cr.set_line_width(1.0)
        rounded_rect(cr, x + 0.5, y + 0.5, sw - 1, sh - 1, 6)
        cr.stroke()
        font(cr, 10, bold=True)
        tw, _ = text_size(cr, title, 1.6)
        cx = x + sw / 2
        draw_text(cr, title, cx, y + 14, LEGEND, spacing=1.6)
        cr.set_source_rgba(*LEGEND, 0.35)
        cr.set_line_width(0.8)
        for x0, x1 in [(x + 12, cx - tw / 2 - 8), (cx + tw / 2 + 8, x + sw - 12)]:
            cr.move_to(x0, y + 14)
            cr.line_to(x1, y + 14)
            cr.stroke()

    # Product and maker.
    font(cr, 25, bold=True)
    draw_text(cr, "QUORVANE", 176.5, 38, LEGEND, spacing=4.0)
    font(cr, 8)
    draw_text(cr, "STEREO BUS COMPRESSOR", 176.5, 60, LEGEND_DIM, spacing=1.8)
    font(cr, 10, bold=True)
    draw_text(cr, "KESTROVE", 34, 592, LEGEND, align="left", spacing=3.0, valign="baseline")

    # Meter: bezel, warm face, gain-reduction scale.
    mx, my, mw, mh = METER
    cr.set_source_rgb(0.07, 0.07, 0.075)
    rounded_rect(cr, mx - 7, my - 7, mw + 14, mh + 14, 5)
    cr.fill()
    cr.set_source_rgba(1, 1, 1, 0.08)
    cr.set_line_width(1.0)
    rounded_rect(cr, mx - 6.5, my - 6.5, mw + 13, mh + 13, 5)
    cr.stroke()
    fg = cairo.LinearGradient(0, my, 0, my + mh)
    fg.add_color_stop_rgb(0, *FACE_TOP)
    fg.add_color_stop_rgb(1, *FACE_BOTTOM)
    cr.set_source(fg)
    cr.rectangle(mx, my, mw, mh)
    cr.fill()
    # Inner shading at the face's top edge.
    sg = cairo.LinearGradient(0, my, 0, my + 6)
    sg.add_color_stop_rgba(0, 0, 0, 0, 0.25)
    sg.add_color_stop_rgba(1, 0, 0, 0, 0)
    cr.set_source(sg)
    cr.rectangle(mx, my, mw, 6)
    cr.fill()

    cr.save()
    cr.rectangle(mx, my, mw, mh)
    cr.clip()
    px, py = mx + NEEDLE_PIVOT[0], my + NEEDLE_PIVOT[1]
    arc_r = NEEDLE_LENGTH - 8.0
    a0 = math.radians(needle_angle(0.0) - 90)
    a1 = math.radians(needle_angle(1.0) - 90)
    red_from = math.radians(needle_angle(fraction_for_db(10)) - 90)
    cr.set_line_width(1.0)
    cr.set_source_rgb(*FACE_INK)
    cr.arc(px, py, arc_r, a0, red_from)
    cr.stroke()
    cr.set_line_width(2.2)
    cr.set_source_rgb(*FACE_RED)
    cr.arc(px, py, arc_r + 1.6, red_from, a1)
    cr.stroke()
    for db in GR_MARKS:
        deg = needle_angle(fraction_for_db(db))
        major = db in GR_LABELS
        x0, y0 = polar(px, py, arc_r, deg)
        x1, y1 = polar(px, py, arc_r + (6.5 if major else 4.0), deg)
        cr.set_source_rgb(*(FACE_RED if db >= 10 else FACE_INK))
        cr.set_line_width(1.1 if major else 0.8)
        cr.move_to(x0, y0)
        cr.line_to(x1, y1)
        cr.stroke()
    font(cr, 8.5)
    for db in GR_LABELS:
        deg = needle_angle(fraction_for_db(db))
        lx, ly = polar(px, py, arc_r + 12.0, deg)
        draw_text(cr, str(db), lx, ly, FACE_RED if db >= 10 else FACE_INK)
    font(cr, 7, bold=True)
    draw_text(cr, "GAIN REDUCTION  dB", px, my + mh - 14, FACE_INK, spacing=0.6)
    cr.restore()
    # Pivot cover below the face.
    cr.set_source_rgb(0.07, 0.07, 0.075)
    cr.rectangle(mx - 7, my + mh, mw + 14, 7)
    cr.fill()

    # Switch labels.
    font(cr, 9)
    for name, x, y in BIG_SWITCHES:
        draw_text(cr, name, x + 37, y + 74 + 11, LEGEND, spacing=1.0)
    name, x, y = SMALL_SWITCH
    draw_text(cr, name, x + 12, y + 24 + 10, LEGEND, spacing=0.8)
    ox, oy, ow, oh = OVER_BAR
    draw_text(cr, "OVERSAMPLING", ox + ow / 2, oy - 9, LEGEND, spacing=1.0)
    # Recess behind the oversampling bar.
    cr.set_source_rgba(0, 0, 0, 0.45)
    rounded_rect(cr, ox - 2, oy - 2, ow + 4, oh + 4, 4)
    cr.fill()

    # Continuous knobs: ticks, range labels, names.
    for name, x, y, labels in CONTINUOUS:
        cx, cy = x + 32, y + 32
        knob_scale(cr, cx, cy, 11, lambda i: i % 5 == 0)
        font(cr, 8.5)
        for v, text in labels:
            label_around(cr, cx, cy, 33.0, -KNOB_SWEEP / 2 + KNOB_SWEEP * v, text, LEGEND_DIM)
        font(cr, 9)
        draw_text(cr, name, cx, cy + 43, LEGEND, spacing=1.0)

    # Stepped knobs: a tick and its display text at every detent.
    for name, x, y, size, texts in STEPPED:
        cx, cy = x + size / 2, y + size / 2
        n = len(texts)
        knob_scale(cr, cx, cy, n, lambda i: True)
        font(cr, 8.5)
        for i, text in enumerate(texts):
            label_around(cr, cx, cy, 33.0, -KNOB_SWEEP / 2 + KNOB_SWEEP * i / (n - 1), text, LEGEND_DIM)
        font(cr, 9)
        draw_text(cr, name, cx, cy + 43, LEGEND, spacing=1.0)

    surface.write_to_png(path)


# ---------------------------------------------------------------------------------------------------
# Knobs


def draw_knob(cr, cx, cy, value, cap_colour, pointer_colour):
    deg = -KNOB_SWEEP / 2 + KNOB_SWEEP * value
    # Drop shadow.
    sg = cairo.RadialGradient(cx + 1, cy + 2.5, 18, cx + 1, cy + 2.5, 26)
    sg.add_color_stop_rgba(0, 0, 0, 0, 0.55)
    sg.add_color_stop_rgba(1, 0, 0, 0, 0)
    cr.set_source(sg)
    cr.arc(cx + 1, cy + 2.5, 26, 0, 2 * math.pi)
    cr.fill()
    # Skirt.
    skirt = cairo.LinearGradient(cx, cy - 23, cx, cy + 23)
    skirt.add_color_stop_rgb(0, 0.32, 0.33, 0.35)
    skirt.add_color_stop_rgb(1, 0.08, 0.085, 0.09)
    cr.set_source(skirt)
    cr.arc(cx, cy, 23, 0, 2 * math.pi)
    cr.fill()
    # Knurled edge: fine radial lines rotating with the knob.
    cr.set_line_width(0.6)
    for k in range(48):
        a = deg + k * 7.5
        x0, y0 = polar(cx, cy, 19.5, a)
        x1, y1 = polar(cx, cy, 22.6, a)
        cr.set_source_rgba(0, 0, 0, 0.35)
        cr.move_to(x0, y0)
        cr.line_to(x1, y1)
        cr.stroke()
    # Cap.
    cap = cairo.RadialGradient(cx - 6, cy - 8, 2, cx, cy, 19)
    cap.add_color_stop_rgb(0, *(min(1.0, c + 0.16) for c in cap_colour))
    cap.add_color_stop_rgb(1, *cap_colour)
    cr.set_source(cap)
    cr.arc(cx, cy, 18.5, 0, 2 * math.pi)
    cr.fill()
    cr.set_source_rgba(0, 0, 0, 0.5)
    cr.set_line_width(0.8)
    cr.arc(cx, cy, 18.5, 0, 2 * math.pi)
    cr.stroke()
    # Pointer line from near the centre to the skirt's edge.
    x0, y0 = polar(cx, cy, 6.0, deg)
    x1, y1 = polar(cx, cy, 21.5, deg)
    cr.set_line_cap(cairo.LINE_CAP_ROUND)
    cr.set_source_rgba(0, 0, 0, 0.45)
    cr.set_line_width(3.6)
    cr.move_to(x0, y0)
    cr.line_to(x1, y1)
    cr.stroke()
    cr.set_source_rgb(*pointer_colour)
    cr.set_line_width(2.2)
    cr.move_to(x0, y0)
    cr.line_to(x1, y1)
    cr.stroke()


def draw_knob_strip(path, size, frames, cap_colour, pointer_colour):
    surface = new_surface(size, size, frames)
    cr = context(surface)
    for i in range(frames):
        cr.save()
        cr.translate(0, i * size)
        cr.rectangle(0, 0, size, size)
        cr.clip()
        draw_knob(cr, size / 2, size / 2, i / (frames - 1), cap_colour, pointer_colour)
        cr.restore()
    surface.write_to_png(path)


# ---------------------------------------------------------------------------------------------------
# Switches


def lamp(cr, cx, cy, r, lit):
    if lit:
        glow = cairo.RadialGradient(cx, cy, 0, cx, cy, r * 2.6)
        glow.add_color_stop_rgba(0, *AMBER, 0.55)
        glow.add_color_stop_rgba(1, *AMBER, 0.0)
        cr.set_source(glow)
        cr.arc(cx, cy, r * 2.6, 0, 2 * math.pi)
        cr.fill()
        body = cairo.RadialGradient(cx - r * 0.3, cy - r * 0.3, 0, cx, cy, r)
        body.add_color_stop_rgb(0, 1.0, 0.95, 0.80)
        body.add_color_stop_rgb(1, *AMBER)
    else:
        body = cairo.RadialGradient(cx - r * 0.3, cy - r * 0.3, 0, cx, cy, r)
        body.add_color_stop_rgb(0, 0.36, 0.28, 0.18)
        body.add_color_stop_rgb(1, 0.16, 0.12, 0.08)
    cr.set_source(body)
    cr.arc(cx, cy, r, 0, 2 * math.pi)
    cr.fill()
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.set_line_width(0.6)
    cr.arc(cx, cy, r, 0, 2 * math.pi)
    cr.stroke()


def draw_big_switch(cr, lit):
    # 74 x 74: a square push button with a lamp above its cap.
    cr.set_source_rgba(0, 0, 0, 0.5)
    rounded_rect(cr, 9, 9, 56, 56, 7)
    cr.fill()
    press = 1.0 if lit else 0.0
    g = cairo.LinearGradient(0, 10, 0, 64)
    top = 0.30 - 0.03 * press
    g.add_color_stop_rgb(0, top, top + 0.005, top + 0.015)
    g.add_color_stop_rgb(1, 0.13, 0.135, 0.145)
    cr.set_source(g)
    rounded_rect(cr, 11 + 0.5 * press, 11 + press, 52 - press, 52 - press, 6)
    cr.fill()
    cr.set_source_rgba(1, 1, 1, 0.10)
    cr.set_line_width(0.8)
    rounded_rect(cr, 11.5 + 0.5 * press, 11.5 + press, 51 - press, 51 - press, 6)
    cr.stroke()
    lamp(cr, 37, 37 + press * 0.5, 7.0, lit)


def draw_small_switch(cr, lit):
    # 24 x 24: a round push button that lights.
    cr.set_source_rgba(0, 0, 0, 0.5)
    cr.arc(12, 12.6, 11, 0, 2 * math.pi)
    cr.fill()
    g = cairo.LinearGradient(0, 2, 0, 22)
    g.add_color_stop_rgb(0, 0.32, 0.325, 0.335)
    g.add_color_stop_rgb(1, 0.12, 0.125, 0.13)
    cr.set_source(g)
    cr.arc(12, 12, 10, 0, 2 * math.pi)
    cr.fill()
    lamp(cr, 12, 12, 5.0, lit)


def draw_over_bar(cr, lit):
    # 177 x 17: a slim bar with a lamp and its state.
    g = cairo.LinearGradient(0, 0, 0, 17)
    g.add_color_stop_rgb(0, 0.27, 0.275, 0.285)
    g.add_color_stop_rgb(1, 0.13, 0.135, 0.14)
    cr.set_source(g)
    rounded_rect(cr, 0.5, 0.5, 176, 16, 3.5)
    cr.fill()
    cr.set_source_rgba(1, 1, 1, 0.09)
    cr.set_line_width(0.8)
    rounded_rect(cr, 1, 1, 175, 15, 3.5)
    cr.stroke()
    lamp(cr, 12, 8.5, 3.6, lit)
    font(cr, 8.5, bold=lit)
    draw_text(cr, "2x  ON" if lit else "OFF", 95, 8.5, AMBER if lit else LEGEND_DIM, spacing=1.2)


def draw_switch_strip(path, w, h, draw):
    surface = new_surface(w, h, 2)
    cr = context(surface)
    for i in range(2):
        cr.save()
        cr.translate(0, i * h)
        cr.rectangle(0, 0, w, h)
        cr.clip()
        draw(cr, i == 1)
        cr.restore()
    surface.write_to_png(path)


# ---------------------------------------------------------------------------------------------------
# Needle


def draw_needle_strip(path):
    w, h, frames = 159, 70, 101
    surface = new_surface(w, h, frames)
    cr = context(surface)
    px, py = NEEDLE_PIVOT
    for i in range(frames):
        cr.save()
        cr.translate(0, i * h)
        cr.rectangle(0, 0, w, h)
        cr.clip()
        deg = needle_angle(i / (frames - 1))
        tip = polar(px, py, NEEDLE_LENGTH, deg)
        base = polar(px, py, 30.0, deg)
        # Faint shadow, then the needle itself.
        cr.set_line_cap(cairo.LINE_CAP_ROUND)
        cr.set_source_rgba(0, 0, 0, 0.18)
        cr.set_line_width(1.6)
        cr.move_to(base[0] + 1.2, base[1] + 1.2)
        cr.line_to(tip[0] + 1.2, tip[1] + 1.2)
        cr.stroke()
        cr.set_source_rgb(0.10, 0.08, 0.07)
        cr.set_line_width(1.2)
        cr.move_to(*base)
        cr.line_to(*tip)
        cr.stroke()
        cr.restore()
    surface.write_to_png(path)


# ---------------------------------------------------------------------------------------------------


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, os.pardir, "resources")
    os.makedirs(out, exist_ok=True)
    check_font()

    draw_background(os.path.join(out, "BG@2x.png"))
    draw_switch_strip(os.path.join(out, "BSW@2x.png"), 74, 74, draw_big_switch)
    draw_switch_strip(os.path.join(out, "SSW@2x.png"), 24, 24, draw_small_switch)
    draw_switch_strip(os.path.join(out, "OVER@2x.png"), 177, 17, draw_over_bar)
    draw_knob_strip(os.path.join(out, "ATRAT@2x.png"), 64, 6, (0.42, 0.43, 0.45), LEGEND)
    draw_knob_strip(os.path.join(out, "REL@2x.png"), 62, 5, (0.42, 0.43, 0.45), LEGEND)
    draw_knob_strip(os.path.join(out, "AKNOB@2x.png"), 64, 121, (0.30, 0.31, 0.33), LEGEND)
    draw_needle_strip(os.path.join(out, "NEEDLE@2x.png"))


if __name__ == "__main__":
    main()
