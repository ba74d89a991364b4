#!/usr/bin/python3
"""Composes the editor from the images in resources/img the way the editor
draws them (background, then every control's frame over it), for a few
sets of control values, and writes them one below the other into
build/artwork/preview.png (and a copy at twice the size)."""

import argparse
import os
import sys

import cairo

sys.dont_write_bytecode = True  # keep the source tree clean
import layout as L  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))

# Normalized value per control image; the first set is the effect's defaults.
DEFAULTS = {
    "BAND.png": (0.707 - 0.4) / 6.6, "FREQ.png": 1.0, "ATK.png": 0.0009 / 0.0049,
    "REL.png": 0.05 / 0.45, "INTEN.png": 0.0, "MIX.png": 0.0, "OUT.png": 0.5,
    "PITCH.png": 0.5, "SEQ.png": 0.0, "DLED.png": 0.0, "SLED.png": 0.0,
}
STATES = [
    DEFAULTS,
    {"BAND.png": 0.45, "FREQ.png": 0.35, "ATK.png": 1.0, "REL.png": 0.6, "INTEN.png": 0.75,
     "MIX.png": 0.5, "OUT.png": 0.0, "PITCH.png": 19 / 24, "SEQ.png": 1.0, "DLED.png": 0.6,
     "SLED.png": 1.0},
    {"BAND.png": 1.0, "FREQ.png": 0.0, "ATK.png": 0.5, "REL.png": 1.0, "INTEN.png": 1.0,
     "MIX.png": 1.0, "OUT.png": 1.0, "PITCH.png": 0.0, "SEQ.png": 0.0, "DLED.png": 1.0,
     "SLED.png": 0.3},
]
GAP = 12


def compose(ctx, images, values, top):
    for control in L.CONTROLS:
        frame = L.frame_for(control, values.get(control.image, 0.0))
        ctx.save()
        ctx.rectangle(0, top, L.EDITOR_WIDTH, L.EDITOR_HEIGHT)
        ctx.clip()
        ctx.rectangle(control.x, top + control.y, control.width, control.height)
        ctx.clip()
        ctx.set_source_surface(images[control.image], control.x,
                               top + control.y - frame * control.height)
        ctx.paint()
        ctx.restore()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--images", default=os.path.join(REPO, "resources", "img"))
    parser.add_argument("--out", default=os.path.join(REPO, "build", "artwork"))
    args = parser.parse_args()
    images = {c.image: cairo.ImageSurface.create_from_png(os.path.join(args.images, c.image))
              for c in L.CONTROLS}
    height = len(STATES) * (L.EDITOR_HEIGHT + GAP) - GAP
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, L.EDITOR_WIDTH, height)
    ctx = cairo.Context(surface)
    ctx.set_source_rgb(1, 1, 1)
    ctx.paint()
    for i, values in enumerate(STATES):
        compose(ctx, images, values, i * (L.EDITOR_HEIGHT + GAP))
    os.makedirs(args.out, exist_ok=True)
    surface.write_to_png(os.path.join(args.out, "preview.png"))
    zoom = cairo.ImageSurface(cairo.FORMAT_RGB24, L.EDITOR_WIDTH * 2, L.EDITOR_HEIGHT * 2)
    zctx = cairo.Context(zoom)
    zctx.scale(2, 2)
    zctx.set_source_surface(surface, 0, 0)
    zctx.get_source().set_filter(cairo.FILTER_NEAREST)
    zctx.paint()
    zoom.write_to_png(os.path.join(args.out, "preview-2x.png"))
    print(os.path.join(args.out, "preview.png"))


if __name__ == "__main__":
    main()
