#!/usr/bin/python3
"""Draws the editor's twelve images (background, knob strips, pitch
display, mode switch, indicators) into resources/img, or into the folder
given with --out. The output is byte for byte the same on every run with
the same cairo, FreeType and font packages: fonts are fixed Debian
packages, hinting is set explicitly and cairo writes no time stamp."""

import argparse
import math
import os
import subprocess
import sys

import cairo

sys.dont_write_bytecode = True  # keep the source tree clean
import layout as L  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))

# Fonts: fontconfig family, bold weight, and the file it must resolve to.
FONT_DIR = "/usr/share/fonts/opentype/inter/"
WORDMARK = ("Inter Display", True, "InterDisplay-Bold.otf")
MAKER = ("Inter Display Semi Bold", False, "InterDisplay-SemiBold.otf")
LABEL = ("Inter Semi Bold", False, "Inter-SemiBold.otf")
SMALL = ("Inter Medium", False, "Inter-Medium.otf")
FONTS = (WORDMARK, MAKER, LABEL, SMALL)


def rgb(hex_colour, alpha=1.0):
    v = int(hex_colour.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, alpha)


# The palette.
HEADER = "#14171C"
PANEL_TOP = "#21252C"
PANEL_BOTTOM = "#1A1D23"
BAR = "#14171B"
RULE = "#2C323C"
RULE_LIGHT = "#343B46"
TEXT = "#E8EBF0"
TEXT_DIM = "#939CAA"
TEXT_MUTED = "#5A6370"
AMBER = "#FFB03B"
TEAL = "#2ED3BF"
INSET = "#0C0E11"
KNOB_LIGHT = "#4D5563"
KNOB_DARK = "#262A32"
KNOB_CAP = "#353B45"
KNOB_CAP_LIGHT = "#3F4651"
LED_OFF = "#16191E"
BEZEL_DARK = "#07080A"
BEZEL_LIGHT = "#4A515C"
TRACK = "#0E1014"
POINTER = "#F4F6F9"


def check_fonts():
    """Stops with a message unless every font family resolves to its file."""
    for family, bold, file_name in FONTS:
        pattern = family + (":bold" if bold else "")
        try:
            found = subprocess.run(["fc-match", "-f", "%{file}", pattern],
                                   capture_output=True, text=True, check=True).stdout
        except (OSError, subprocess.CalledProcessError) as error:
            sys.exit("artwork: fc-match failed (%s); install fontconfig" % error)
        if found != FONT_DIR + file_name:
            sys.exit("artwork: font '%s' resolves to '%s', expected %s%s; install fonts-inter"
                     % (family, found, FONT_DIR, file_name))


def context(surface):
    ctx = cairo.Context(surface)
    options = cairo.FontOptions()
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_SLIGHT)
    options.set_hint_metrics(cairo.HINT_METRICS_OFF)
    ctx.set_font_options(options)
    return ctx


def set_font(ctx, font, size):
    family, bold, _ = font
    ctx.select_font_face(family, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)


def text_width(ctx, s, tracking):
    advance = sum(ctx.text_extents(ch).x_advance for ch in s)
    return advance + tracking * (len(s) - 1)


def text(ctx, s, x, baseline, font, size, colour, align="left", tracking=0.0):
    """Draws s with extra letter spacing; align places x at the left end,
    the centre or the right end. Returns the text's (left, right)."""
    set_font(ctx, font, size)
    width = text_width(ctx, s, tracking)
    left = {"left": x, "centre": x - width / 2.0, "right": x - width}[align]
    ctx.set_source_rgba(*rgb(colour))
    pen = left
    for ch in s:
        ctx.move_to(pen, baseline)
        ctx.show_text(ch)
        pen += ctx.text_extents(ch).x_advance + tracking
    return left, left + width


def rounded_rect(ctx, x, y, w, h, r):
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def hline(ctx, x0, x1, y, colour):
    ctx.set_source_rgba(*rgb(colour))
    ctx.rectangle(x0, y, x1 - x0, 1)
    ctx.fill()


def vline(ctx, x, y0, y1, colour):
    ctx.set_source_rgba(*rgb(colour))
    ctx.rectangle(x, y0, 1, y1 - y0)
    ctx.fill()


# ---------------------------------------------------------------- background

HEADER_BOTTOM = 30
BAR_TOP = 180
TITLE_BASELINE = 56
RANGE_BASELINE = 144
NAME_BASELINE = 160
BAR_BASELINE = 211

# Knob name and the texts at the two ends of its range.
KNOB_TEXTS = [
    (L.FREQUENCY, "FREQUENCY", "100 Hz", "20 kHz"),
    (L.Q, "RESONANCE", "0.4", "7"),
    (L.ATTACK, "ATTACK", "0.1 ms", "5 ms"),
    (L.RELEASE, "RELEASE", "50 ms", "500 ms"),
    (L.INTENSITY, "INTENSITY", "0", "90"),
    (L.MIX, "MIX", "0 %", "100 %"),
    (L.OUTPUT, "OUTPUT", "\u221212 dB", "+12 dB"),
]

# Sections: title, left and right end of the title rule.
SECTIONS = [
    ("FILTER", L.FREQUENCY.x, L.Q.right),
    ("SHAPER", L.MIX.x, L.MIX.right),
    ("MASTER", L.OUTPUT.x, L.OUTPUT.right),
]


def draw_header(ctx):
    ctx.set_source_rgba(*rgb(HEADER))
    ctx.rectangle(0, 0, L.EDITOR_WIDTH, HEADER_BOTTOM)
    ctx.fill()
    hline(ctx, 0, L.EDITOR_WIDTH, HEADER_BOTTOM - 1, RULE)
    _, right = text(ctx, "Vexa", 16, 21, WORDMARK, 19, TEXT)
    ctx.set_source_rgba(*rgb(AMBER))
    ctx.arc(right + 3.5, 19.5, 1.8, 0, 2 * math.pi)
    ctx.fill()
    text(ctx, "PITCH  \u00b7  SHAPE  \u00b7  DUAL FILTER", right + 14, 19.5, SMALL, 8, TEXT_DIM,
         tracking=1.2)
    text(ctx, "Corvanta", L.EDITOR_WIDTH - 16, 20, MAKER, 12, TEXT, align="right", tracking=0.6)


def draw_panel(ctx):
    gradient = cairo.LinearGradient(0, HEADER_BOTTOM, 0, BAR_TOP)
    gradient.add_color_stop_rgba(0, *rgb(PANEL_TOP))
    gradient.add_color_stop_rgba(1, *rgb(PANEL_BOTTOM))
    ctx.set_source(gradient)
    ctx.rectangle(0, HEADER_BOTTOM, L.EDITOR_WIDTH, BAR_TOP - HEADER_BOTTOM)
    ctx.fill()
    # Dividers between the sections.
    for left, right in ((L.Q, L.ATTACK), (L.INTENSITY, L.MIX), (L.MIX, L.OUTPUT)):
        x = (left.right + right.x) // 2
        vline(ctx, x, 44, 168, RULE)


def draw_title(ctx, title, x0, x1):
    _, right = text(ctx, title, x0, TITLE_BASELINE, LABEL, 8.5, TEXT_DIM, tracking=1.4)
    hline(ctx, right + 7, x1, TITLE_BASELINE - 3, RULE_LIGHT)


def draw_envelope_title(ctx):
    # The envelope indicator ends the title, so it reads as its lamp.
    led_left = L.ENVELOPE_LED.x + L.LED_SIZE / 2.0 - LED_BEZEL_RADIUS
    text(ctx, "ENVELOPE", led_left - 6, TITLE_BASELINE, LABEL, 8.5, TEXT_DIM, align="right",
         tracking=1.4)
    led_right = L.ENVELOPE_LED.x + L.LED_SIZE / 2.0 + LED_BEZEL_RADIUS
    hline(ctx, led_right + 7, L.INTENSITY.right, TITLE_BASELINE - 3, RULE_LIGHT)


RANGE_GAP = 5  # least distance of a range text from the knob's axis
RANGE_SIZE = 8.5


def draw_knob_texts(ctx):
    # Each range text sits under its end of the arc, pushed outward when
    # it would come close to the other one.
    for control, name, low, high in KNOB_TEXTS:
        cx = control.centre_x
        end = KNOB_ARC_RADIUS * math.sin(math.radians(KNOB_SWEEP))
        set_font(ctx, SMALL, RANGE_SIZE)
        half_low, half_high = text_width(ctx, low, 0) / 2, text_width(ctx, high, 0) / 2
        low_x = min(cx - end, cx - RANGE_GAP - half_low)
        high_x = max(cx + end, cx + RANGE_GAP + half_high)
        text(ctx, low, low_x, RANGE_BASELINE, SMALL, RANGE_SIZE, TEXT_DIM, align="centre")
        text(ctx, high, high_x, RANGE_BASELINE, SMALL, RANGE_SIZE, TEXT_DIM, align="centre")
        text(ctx, name, cx, NAME_BASELINE, LABEL, 9.5, TEXT, align="centre", tracking=1.3)


def draw_bar(ctx):
    ctx.set_source_rgba(*rgb(BAR))
    ctx.rectangle(0, BAR_TOP, L.EDITOR_WIDTH, L.EDITOR_HEIGHT - BAR_TOP)
    ctx.fill()
    hline(ctx, 0, L.EDITOR_WIDTH, BAR_TOP, RULE)
    gate_right = L.GATE_LED.x + L.LED_SIZE / 2.0 + LED_BEZEL_RADIUS
    text(ctx, "GATE", gate_right + 6, BAR_BASELINE, LABEL, 8.5, TEXT_DIM, tracking=1.4)
    text(ctx, "PITCH", L.PITCH.x - 10, BAR_BASELINE, LABEL, 9.5, TEXT, align="right",
         tracking=1.3)
    text(ctx, "SEMITONES", L.PITCH.right + 10, BAR_BASELINE, LABEL, 8.5, TEXT_DIM,
         tracking=1.4)


def draw_background(ctx):
    draw_header(ctx)
    draw_panel(ctx)
    for title, x0, x1 in SECTIONS:
        draw_title(ctx, title, x0, x1)
    draw_envelope_title(ctx)
    draw_knob_texts(ctx)
    draw_bar(ctx)


# ---------------------------------------------------------------- knobs

KNOB_CENTRE_Y = 37.0
KNOB_SWEEP = 135.0
KNOB_ARC_RADIUS = 28.5
KNOB_ARC_WIDTH = 4.0
KNOB_BODY_RADIUS = 21.5


def polar(cx, cy, radius, degrees):
    """Point at an angle measured clockwise from 12 o'clock."""
    a = math.radians(degrees)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


def cairo_angle(degrees):
    return math.radians(degrees - 90.0)


def draw_knob(ctx, width, t, bipolar):
    cx, cy = width / 2.0, KNOB_CENTRE_Y
    angle = -KNOB_SWEEP + 2 * KNOB_SWEEP * t
    # Groove and value arc.
    ctx.set_line_width(KNOB_ARC_WIDTH)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_source_rgba(*rgb(TRACK))
    ctx.arc(cx, cy, KNOB_ARC_RADIUS, cairo_angle(-KNOB_SWEEP), cairo_angle(KNOB_SWEEP))
    ctx.stroke()
    start = 0.0 if bipolar else -KNOB_SWEEP
    lo, hi = min(start, angle), max(start, angle)
    ctx.set_source_rgba(*rgb(AMBER))
    if hi - lo > 0.01:
        ctx.arc(cx, cy, KNOB_ARC_RADIUS, cairo_angle(lo), cairo_angle(hi))
        ctx.stroke()
    # Shadow, body and cap.
    shadow = cairo.RadialGradient(cx, cy + 2, KNOB_BODY_RADIUS - 2, cx, cy + 2, KNOB_BODY_RADIUS + 4)
    shadow.add_color_stop_rgba(0, 0, 0, 0, 0.55)
    shadow.add_color_stop_rgba(1, 0, 0, 0, 0)
    ctx.set_source(shadow)
    ctx.arc(cx, cy + 2, KNOB_BODY_RADIUS + 4, 0, 2 * math.pi)
    ctx.fill()
    body = cairo.LinearGradient(0, cy - KNOB_BODY_RADIUS, 0, cy + KNOB_BODY_RADIUS)
    body.add_color_stop_rgba(0, *rgb(KNOB_LIGHT))
    body.add_color_stop_rgba(1, *rgb(KNOB_DARK))
    ctx.set_source(body)
    ctx.arc(cx, cy, KNOB_BODY_RADIUS, 0, 2 * math.pi)
    ctx.fill()
    ctx.set_line_width(1)
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.arc(cx, cy, KNOB_BODY_RADIUS - 0.5, 0, 2 * math.pi)
    ctx.stroke()
    cap = cairo.RadialGradient(cx, cy - 6, 2, cx, cy, KNOB_BODY_RADIUS - 3)
    cap.add_color_stop_rgba(0, *rgb(KNOB_CAP_LIGHT))
    cap.add_color_stop_rgba(1, *rgb(KNOB_CAP))
    ctx.set_source(cap)
    ctx.arc(cx, cy, KNOB_BODY_RADIUS - 3, 0, 2 * math.pi)
    ctx.fill()
    # Pointer.
    ctx.set_line_width(2.4)
    ctx.set_source_rgba(*rgb(POINTER))
    ctx.move_to(*polar(cx, cy, 6.5, angle))
    ctx.line_to(*polar(cx, cy, KNOB_BODY_RADIUS - 4.5, angle))
    ctx.stroke()


# ---------------------------------------------------------------- indicators

LED_BEZEL_RADIUS = 8.0
LED_LENS_RADIUS = 6.0


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def draw_led(ctx, t, colour):
    cx = cy = L.LED_SIZE / 2.0
    lit = rgb(colour)
    dark = mix(rgb(LED_OFF), lit, 0.22)
    # Halo, growing with the level.
    halo = cairo.RadialGradient(cx, cy, LED_LENS_RADIUS, cx, cy, L.LED_SIZE / 2.0)
    halo.add_color_stop_rgba(0, lit[0], lit[1], lit[2], 0.42 * t)
    halo.add_color_stop_rgba(1, lit[0], lit[1], lit[2], 0)
    ctx.set_source(halo)
    ctx.arc(cx, cy, L.LED_SIZE / 2.0, 0, 2 * math.pi)
    ctx.fill()
    # Bezel.
    bezel = cairo.LinearGradient(0, cy - LED_BEZEL_RADIUS, 0, cy + LED_BEZEL_RADIUS)
    bezel.add_color_stop_rgba(0, *rgb(BEZEL_DARK))
    bezel.add_color_stop_rgba(1, *rgb(BEZEL_LIGHT))
    ctx.set_source(bezel)
    ctx.arc(cx, cy, LED_BEZEL_RADIUS, 0, 2 * math.pi)
    ctx.fill()
    # Lens: dark glass to full colour, with a hot centre when lit.
    lens = cairo.RadialGradient(cx, cy - 1, 0.5, cx, cy, LED_LENS_RADIUS)
    centre = mix(mix(dark, lit, t), (1, 1, 1, 1), 0.5 * t * t)
    edge = mix(mix(dark, lit, t), (0, 0, 0, 1), 0.25)
    lens.add_color_stop_rgba(0, *centre)
    lens.add_color_stop_rgba(1, *edge)
    ctx.set_source(lens)
    ctx.arc(cx, cy, LED_LENS_RADIUS, 0, 2 * math.pi)
    ctx.fill()
    # Glass reflection.
    shine = cairo.RadialGradient(cx - 1.5, cy - 2.5, 0, cx - 1.5, cy - 2.5, 3)
    shine.add_color_stop_rgba(0, 1, 1, 1, 0.35)
    shine.add_color_stop_rgba(1, 1, 1, 1, 0)
    ctx.set_source(shine)
    ctx.arc(cx - 1.5, cy - 2.5, 3, 0, 2 * math.pi)
    ctx.fill()


# ---------------------------------------------------------------- switch

SWITCH_PLATE_RIGHT = 104.0  # the gate indicator sits beyond


def draw_switch(ctx, sequence):
    # A vertical slide on a plate: up for the envelope path, down for the
    # sequence; the chosen mode's name lights in its indicator's colour.
    ctx.set_source_rgba(*rgb(PANEL_BOTTOM))
    rounded_rect(ctx, 4.5, 2.5, SWITCH_PLATE_RIGHT - 4.5, 25, 4)
    ctx.fill_preserve()
    ctx.set_source_rgba(*rgb(RULE_LIGHT))
    ctx.set_line_width(1)
    ctx.stroke()
    slot_x, slot_y, slot_w, slot_h = 10.0, 5.0, 11.0, 20.0
    ctx.set_source_rgba(*rgb(INSET))
    rounded_rect(ctx, slot_x, slot_y, slot_w, slot_h, slot_w / 2)
    ctx.fill()
    accent = TEAL if sequence else AMBER
    thumb_y = slot_y + (slot_h - slot_w if sequence else 0)
    ctx.set_source_rgba(*rgb(accent))
    ctx.arc(slot_x + slot_w / 2, thumb_y + slot_w / 2, slot_w / 2 - 1.2, 0, 2 * math.pi)
    ctx.fill()
    ctx.set_source_rgba(*rgb(POINTER, 0.5))
    ctx.arc(slot_x + slot_w / 2 - 1, thumb_y + slot_w / 2 - 1.5, 1.6, 0, 2 * math.pi)
    ctx.fill()
    text(ctx, "ENVELOPE", 28, 13, LABEL, 8, AMBER if not sequence else TEXT_MUTED, tracking=1.0)
    text(ctx, "SEQUENCE", 28, 23.5, LABEL, 8, TEAL if sequence else TEXT_MUTED, tracking=1.0)


# ---------------------------------------------------------------- pitch

def draw_pitch(ctx, semitones):
    w, h = L.PITCH.width, L.PITCH.height - 1  # the last row lies below the editor
    ctx.set_source_rgba(*rgb(INSET))
    rounded_rect(ctx, 0.5, 0.5, w - 1, h - 1, 5)
    ctx.fill_preserve()
    ctx.set_source_rgba(*rgb(RULE))
    ctx.set_line_width(1)
    ctx.stroke()
    # Scale: a tick per semitone, the span from 0 to the value lit.
    x0, x1, y = 10.0, w - 10.0, 22.5
    step = (x1 - x0) / 24
    for i in range(25):
        x = x0 + i * step
        tall = i % 12 == 0
        ctx.set_source_rgba(*rgb(TEXT_DIM if tall else TEXT_MUTED))
        ctx.rectangle(round(x) - (1 if tall else 0.5), y - (3 if tall else 1.5), 2 if tall else 1,
                      6 if tall else 3)
        ctx.fill()
    centre = x0 + 12 * step
    value_x = x0 + (semitones + 12) * step
    if semitones:
        ctx.set_source_rgba(*rgb(AMBER))
        ctx.rectangle(min(centre, value_x), y - 1, abs(value_x - centre), 2)
        ctx.fill()
    ctx.set_source_rgba(*rgb(AMBER))
    ctx.arc(value_x, y, 2.5, 0, 2 * math.pi)
    ctx.fill()
    label = "0" if semitones == 0 else ("+%d" % semitones if semitones > 0 else "\u2212%d" % -semitones)
    text(ctx, label, w / 2.0, 14.5, LABEL, 12, TEXT, align="centre")


# ---------------------------------------------------------------- output

def strip(width, height, frames, draw):
    """A strip of frames stacked top to bottom; draw(ctx, index) paints one
    frame at the origin."""
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height * frames)
    ctx = context(surface)
    for i in range(frames):
        ctx.save()
        ctx.rectangle(0, i * height, width, height)
        ctx.clip()
        ctx.translate(0, i * height)
        draw(ctx, i)
        ctx.restore()
    return surface


def knob_strip(control, bipolar=False):
    last = control.frames - 1
    return strip(control.width, control.height, control.frames,
                 lambda ctx, i: draw_knob(ctx, control.width, i / last, bipolar))


def led_strip(control, colour):
    last = control.frames - 1
    return strip(control.width, control.height, control.frames,
                 lambda ctx, i: draw_led(ctx, i / last, colour))


def background():
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, L.EDITOR_WIDTH, L.EDITOR_HEIGHT)
    draw_background(context(surface))
    return surface


def images():
    """File name and surface of every image."""
    yield L.BACKGROUND.image, background()
    for control in (L.FREQUENCY, L.Q, L.ATTACK, L.RELEASE, L.INTENSITY, L.MIX):
        yield control.image, knob_strip(control)
    yield L.OUTPUT.image, knob_strip(L.OUTPUT, bipolar=True)
    yield L.PITCH.image, strip(L.PITCH.width, L.PITCH.height, L.PITCH.frames,
                               lambda ctx, i: draw_pitch(ctx, i - 12))
    yield L.SEQUENCE.image, strip(L.SEQUENCE.width, L.SEQUENCE.height, L.SEQUENCE.frames,
                                  lambda ctx, i: draw_switch(ctx, i == 1))
    yield L.ENVELOPE_LED.image, led_strip(L.ENVELOPE_LED, AMBER)
    yield L.GATE_LED.image, led_strip(L.GATE_LED, TEAL)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", default=os.path.join(REPO, "resources", "img"),
                        help="folder for the PNG files (default: resources/img)")
    args = parser.parse_args()
    check_fonts()
    os.makedirs(args.out, exist_ok=True)
    for name, surface in images():
        surface.write_to_png(os.path.join(args.out, name))


if __name__ == "__main__":
    main()
