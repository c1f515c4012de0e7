#!/usr/bin/env python3
"""Draws the demo disc's art picture: a hooded wanderer with a staff on a near-white ground.

Writes a 512 x 768 TIM2 picture with 8-bit pixels and a 256-colour palette of 32-bit entries,
through the TIM2 encoder of the art tests.

Usage: make_figure_tim2.py OUTPUT.TM2
"""

import math
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "art"))
from tim2_encoder import CLUT32, INDEXED8, clut32, storage_order, tim2  # noqa: E402

WIDTH, HEIGHT = 512, 768
OPAQUE = 128  # the console's alpha scale ends at 128

INK = (28, 24, 38)
HOOD = [(44, 52, 96), (58, 68, 120), (76, 88, 146)]
CLOAK = [(18, 84, 92), (26, 108, 114), (38, 134, 136), (60, 160, 156)]
SKIN = [(206, 150, 118), (232, 182, 146)]
SCARF = [(150, 32, 40), (190, 48, 52)]
GOLD = [(176, 128, 32), (222, 176, 58), (250, 226, 140)]
WOOD = [(94, 60, 34), (122, 82, 46)]


def shade(band, x, centre, half_width):
    """Lighter towards the left, as if lit from the upper left."""
    lit = 1 - (x - centre + half_width) / (2 * half_width + 1)
    return band[min(len(band) - 1, max(0, int(lit * len(band))))]


def in_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def staff_centre(y):
    """The staff leans in front of the cloak, so that no white is shut in between the two."""
    return 388 - (y - 140) * 0.06


def on_staff(x, y):
    return 140 <= y <= 730 and abs(x - staff_centre(y)) <= 7


def cloak_half_width(y):
    return 74 + (y - 270) * 0.27 + 10 * math.sin(y / 23)


def colour_at(x, y):
    """Later shapes lie in front of earlier ones; None is the ground."""
    colour = None
    if 270 <= y <= 712 and abs(x - 256) <= cloak_half_width(y):
        colour = shade(CLOAK, x, 256, cloak_half_width(y))
        if 440 <= y <= 458:
            colour = GOLD[1] if abs(x - 256) > 14 else GOLD[2]
    if in_ellipse(x, y, 256, 205, 104, 112) or (y < 120 and abs(x - 256) < (120 - y) * 0.5 + 2 and y > 70):
        colour = shade(HOOD, x, 256, 104)
    if in_ellipse(x, y, 256, 222, 62, 74):
        colour = shade(SKIN, x, 256, 62)
        if in_ellipse(x, y, 232, 214, 9, 12) or in_ellipse(x, y, 280, 214, 9, 12):
            colour = INK
        if 252 <= y <= 256 and abs(x - 256) <= 14:
            colour = SCARF[0]
    if 286 <= y <= 318 and abs(x - 256) <= 96 - (y - 286) * 0.4:
        colour = shade(SCARF, x, 256, 96)
    if on_staff(x, y):
        colour = shade(WOOD, x, staff_centre(y), 7)
    if in_ellipse(x, y, 388, 122, 30, 30):
        colour = GOLD[2] if in_ellipse(x, y, 378, 112, 10, 10) else shade(GOLD, x, 388, 30)
    if in_ellipse(x, y, staff_centre(470), 470, 22, 18):
        colour = SKIN[1]
    return colour


def ground(x, y):
    """Paper-like near-white whose channels all stay at 241 or above."""
    grain = (x * 7 + y * 13 + (x * y) % 11) % 6
    return (252 - grain, 249 - grain, 243 - grain // 2)


def draw():
    return [colour_at(x, y) or ground(x, y) for y in range(HEIGHT) for x in range(WIDTH)]


def tim2_indexed8(width, height, pixels):
    palette = sorted(set(pixels))
    if len(palette) > 256:
        raise SystemExit(f"{len(palette)} colours do not fit one palette")
    index = {colour: i for i, colour in enumerate(palette)}
    palette += [(0, 0, 0)] * (256 - len(palette))
    image = bytes(index[colour] for colour in pixels)
    clut = clut32(storage_order([(r, g, b, OPAQUE) for r, g, b in palette]))
    return tim2(INDEXED8, width, height, image, clut, 256, CLUT32)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(tim2_indexed8(WIDTH, HEIGHT, draw()))


if __name__ == "__main__":
    main()
