#!/usr/bin/env python3
"""Writes the TIM2 pictures the art tests read, each with what it must decode to.

Usage: tim2_fixtures.py OUTDIR
  OUTDIR/decode/NAME.tm2 with NAME.rgba (width and height as 32-bit little-endian, then RGBA
  bytes) when it decodes, or NAME.error (the message) when it is refused;
  OUTDIR/matte/NAME.tm2 with NAME.alpha, the alpha plane the figure matte must produce;
  OUTDIR/art/NAME.tm2, pictures for the whole path to the icons.
"""

import random
import struct
import sys
from pathlib import Path

from tim2_encoder import CLUT16, CLUT32, INDEXED4, INDEXED8, RGBA32, clut16, clut32, nibbles, storage_order, tim2


def console_alpha(alpha):
    return min(255, 2 * alpha)


def rgba_of_clut32(entry):
    r, g, b, a = entry
    return (r, g, b, console_alpha(a))


def rgba_of_clut16(entry):
    r, g, b, bit = entry
    return (r * 255 // 31, g * 255 // 31, b * 255 // 31, 255 if bit else 0)


def decoded(width, height, pixels):
    return ("rgba", width, height, b"".join(bytes(p) for p in pixels))


def refused(message):
    return ("error", message)


def decode_cases(rng):
    cases = {}

    def indexed(name, image_type, palette, encode_clut, to_rgba, indices, width, height, **options):
        colours = len(palette)
        stored = storage_order(palette) if colours == 256 else palette
        image = nibbles(indices) if image_type == INDEXED4 else bytes(indices)
        clut_type = options.pop("clut_type", CLUT32 if encode_clut is clut32 else CLUT16)
        expected = [to_rgba(palette[i]) if i < colours else (0, 0, 0, 0) for i in indices]
        cases[name] = (tim2(image_type, width, height, image, encode_clut(stored), colours, clut_type, **options),
                       decoded(width, height, expected))

    def random32(count):
        return [(rng.randrange(256), rng.randrange(256), rng.randrange(256), rng.randrange(129)) for _ in range(count)]

    def random16(count):
        return [(rng.randrange(32), rng.randrange(32), rng.randrange(32), rng.randrange(2)) for _ in range(count)]

    alphas = [(10, 20, 30, 128), (40, 50, 60, 127), (70, 80, 90, 0), (100, 110, 120, 200)]
    cases["rgba32_alpha_doubling"] = (tim2(RGBA32, 4, 1, clut32(alphas)),
                                      decoded(4, 1, [(r, g, b, min(255, 2 * a)) for r, g, b, a in alphas]))
    pixels = random32(5 * 3)
    cases["rgba32_random"] = (tim2(RGBA32, 5, 3, clut32(pixels)), decoded(5, 3, [rgba_of_clut32(p) for p in pixels]))

    palette16 = [(31, 0, 0, 1), (31, 0, 0, 0), (16, 16, 16, 1), (0, 31, 0, 1), (0, 0, 31, 1)] + random16(11)
    indexed("indexed8_clut16", INDEXED8, palette16, clut16, rgba_of_clut16, list(range(16)) + [3, 2, 1, 0], 5, 4)
    indexed("indexed8_clut32", INDEXED8, random32(16), clut32, rgba_of_clut32,
            [rng.randrange(16) for _ in range(21)], 7, 3)
    every_index = list(range(256))
    rng.shuffle(every_index)
    indexed("indexed8_256_clut32", INDEXED8, random32(256), clut32, rgba_of_clut32, [8, 16] + every_index, 258, 1)
    indexed("indexed8_256_clut16", INDEXED8, random16(256), clut16, rgba_of_clut16, [8, 16] + every_index, 2, 129)
    indexed("indexed8_256_storage_flags_ignored", INDEXED8, random32(256), clut32, rgba_of_clut32,
            [8, 9, 16, 23, 40, 48, 255], 7, 1, clut_type=0x80 | 0x40 | CLUT32)
    indexed("indexed8_255_not_reordered", INDEXED8, random32(255), clut32, rgba_of_clut32, [8, 16, 24, 254], 2, 2)
    indexed("indexed8_index_beyond_colours", INDEXED8, random32(4), clut32, rgba_of_clut32, [0, 3, 4, 200, 255], 5, 1)
    indexed("indexed4_clut32", INDEXED4, random32(16), clut32, rgba_of_clut32,
            [rng.randrange(16) for _ in range(8)], 4, 2)
    indexed("indexed4_clut16_few_colours", INDEXED4, random16(5), clut16, rgba_of_clut16, [0, 4, 5, 15, 1, 2], 6, 1)
    indexed("indexed8_width_2048", INDEXED8, random32(16), clut32, rgba_of_clut32,
            [rng.randrange(16) for _ in range(2048)], 2048, 1)
    indexed("indexed8_height_2048", INDEXED8, random32(16), clut32, rgba_of_clut32,
            [rng.randrange(16) for _ in range(2048)], 1, 2048)
    indexed("indexed8_long_header", INDEXED8, random32(16), clut32, rgba_of_clut32, [1, 2, 3, 4], 2, 2,
            header_size=64)
    indexed("indexed8_format_128_aligned", INDEXED8, random32(16), clut32, rgba_of_clut32, [5, 6, 7], 3, 1,
            file_format=1)

    # Width 3, height 1: the image holds one byte and the third pixel is the low half of the first
    # palette byte (the red of entry 0).
    palette = random32(16)
    first_red = palette[0][0] & 0x0F
    cases["indexed4_odd_width_reads_palette"] = (
        tim2(INDEXED4, 3, 1, nibbles([7, 9]), clut32(palette), 16),
        decoded(3, 1, [rgba_of_clut32(palette[7]), rgba_of_clut32(palette[9]), rgba_of_clut32(palette[first_red])]))

    second = tim2(RGBA32, 1, 1, bytes([1, 2, 3, 4]))[16:]
    first = tim2(RGBA32, 1, 1, bytes([9, 8, 7, 128]) * 1, pictures=2)
    cases["two_pictures_first_decoded"] = (first + second, decoded(1, 1, [(9, 8, 7, 255)]))

    good = tim2(RGBA32, 1, 1, bytes(4))
    cases["short_63_bytes"] = (tim2(RGBA32, 1, 1, bytes(4), header_size=51)[:63], refused("not a TIM2 picture"))
    cases["zero_pictures"] = (tim2(RGBA32, 1, 1, bytes(4), pictures=0), refused("not a TIM2 picture"))
    cases["wrong_identifier"] = (b"TIM3" + good[4:], refused("not a TIM2 picture"))
    cases["empty_file"] = (b"", refused("not a TIM2 picture"))
    cases["header_size_47"] = (tim2(RGBA32, 1, 1, bytes(4), header_size=47), refused("bad TIM2 header"))
    cases["width_0"] = (tim2(RGBA32, 0, 1, bytes(4)), refused("bad TIM2 header"))
    cases["height_0"] = (tim2(RGBA32, 1, 0, bytes(4)), refused("bad TIM2 header"))
    cases["width_2049"] = (tim2(RGBA32, 2049, 1, bytes(4 * 2049)), refused("bad TIM2 header"))
    cases["height_2049"] = (tim2(RGBA32, 1, 2049, bytes(4 * 2049)), refused("bad TIM2 header"))
    cases["image_one_byte_past_end"] = (tim2(RGBA32, 2, 2, bytes(16), image_size=17), refused("bad TIM2 header"))
    cases["palette_one_byte_past_end"] = (tim2(INDEXED8, 2, 2, bytes(4), bytes(64), 16, clut_size=65),
                                          refused("bad TIM2 header"))
    cases["sizes_near_4_GiB"] = (tim2(INDEXED8, 2, 2, bytes(4), bytes(64), 16, image_size=0xFFFFFFFF,
                                      clut_size=0xFFFFFFFF), refused("bad TIM2 header"))
    cases["truncated_pixels"] = (tim2(INDEXED8, 8, 8, bytes(64), bytes(64), 16)[:-65], refused("bad TIM2 header"))
    cases["rgba32_short_image"] = (tim2(RGBA32, 2, 2, bytes(16), image_size=15), refused("short TIM2 image"))
    cases["indexed8_short_image"] = (tim2(INDEXED8, 3, 3, bytes(9), bytes(64), 16, image_size=8),
                                     refused("short TIM2 image"))
    cases["indexed4_odd_width_short_image"] = (tim2(INDEXED4, 3, 1, b"", bytes(64), 16), refused("short TIM2 image"))
    cases["indexed4_short_image"] = (tim2(INDEXED4, 4, 2, bytes(3), bytes(64), 16), refused("short TIM2 image"))
    for image_type in (0, 1, 2, 6, 255):
        cases[f"image_type_{image_type}"] = (tim2(image_type, 1, 1, bytes(4), bytes(64), 16),
                                             refused(f"unsupported TIM2 image type {image_type}"))
    cases["palette_0_colours"] = (tim2(INDEXED8, 1, 1, bytes(1), bytes(64), 0), refused("bad TIM2 palette"))
    cases["palette_257_colours"] = (tim2(INDEXED8, 1, 1, bytes(1), bytes(1028), 257), refused("bad TIM2 palette"))
    cases["palette32_one_byte_short"] = (tim2(INDEXED8, 1, 1, bytes(1), bytes(63), 16), refused("bad TIM2 palette"))
    cases["palette16_one_byte_short"] = (tim2(INDEXED4, 2, 1, bytes(1), bytes(31), 16, CLUT16),
                                         refused("bad TIM2 palette"))
    return cases


# The figure matte, written from its definition with every single-precision step rounded.
def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


TAPS = [f32(t) for t in (0.021929651, 0.22851217, 0.49911642, 0.22851217, 0.021929651)]


def matte_alpha(width, height, rgba):
    def background(k):
        return min(rgba[4 * k:4 * k + 3]) >= 241

    marked = [False] * (width * height)
    border = {(x, y) for x in range(width) for y in (0, height - 1)} | {(x, y) for y in range(height)
                                                                         for x in (0, width - 1)}
    pending = [(x, y) for x, y in border if background(y * width + x)]
    for x, y in pending:
        marked[y * width + x] = True
    while pending:
        x, y = pending.pop()
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            k = ny * width + nx
            if 0 <= nx < width and 0 <= ny < height and not marked[k] and background(k):
                marked[k] = True
                pending.append((nx, ny))

    def clamp(v, top):
        return min(max(v, 0), top - 1)

    matte = [0.0 if m else 255.0 for m in marked]
    eroded = [min(matte[clamp(y + dy, height) * width + clamp(x + dx, width)] for dx in (-1, 0, 1) for dy in (-1, 0, 1))
              for y in range(height) for x in range(width)]

    def blur(plane, along_rows):
        out = []
        for y in range(height):
            for x in range(width):
                total = 0.0
                for t, tap in enumerate(TAPS):
                    sx, sy = (clamp(x + t - 2, width), y) if along_rows else (x, clamp(y + t - 2, height))
                    total = f32(total + f32(tap * plane[sy * width + sx]))
                out.append(total)
        return out

    columns = blur(blur(eroded, True), False)
    return bytes(int(min(max(f32(v + 0.5), 0.0), 255.0)) for v in columns)


def picture_rgba(width, height, colour_at):
    return b"".join(bytes(colour_at(x, y)) for y in range(height) for x in range(width))


def as_tim2_rgba32(width, height, rgba):
    """Alpha halved to the console's scale; the matte ignores it anyway."""
    return tim2(RGBA32, width, height, bytes(v if k % 4 != 3 else 128 for k, v in enumerate(rgba)))


def matte_cases(rng):
    def ring_with_hole(x, y):
        inside_ring = 8 <= x < 30 and 6 <= y < 24
        hole = 14 <= x < 22 and 11 <= y < 18
        speck = (x, y) in {(2, 3), (35, 25)}
        if speck:
            return (250, 120, 40, 128)
        if inside_ring and not hole:
            return (rng.randrange(200), rng.randrange(200), rng.randrange(200), 128)
        return (241 + rng.randrange(15), 245, 255, rng.randrange(129))

    def white_only_inside(x, y):
        on_border = x in (0, 11) or y in (0, 8)
        return (255, 255, 255, 0) if (x + y) % 7 == 0 and not on_border else (240, 255, 255, 0)

    def diagonal_pocket(x, y):
        """A white pixel at (3, 3) touches the flooded corner (2, 2) only diagonally."""
        white = not (2 <= x < 12 and 2 <= y < 12) or (x, y) in {(2, 2), (3, 3)}
        return (250, 250, 250, 128) if white else (30, 30, 30, 128)

    def walled_regions(x, y):
        """Full-width walls leave a band of white that reaches only the left or the right column."""
        wall = y in (3, 4, 11, 12) or (5 <= y < 11 and x == 10)
        return (30, 30, 30, 128) if wall else (250, 250, 250, 128)

    cases = {}
    for name, (width, height, colour_at) in {"ring_with_enclosed_white": (40, 30, ring_with_hole),
                                             "no_background_on_border": (12, 9, white_only_inside),
                                             "diagonal_pocket": (14, 14, diagonal_pocket),
                                             "walled_regions": (21, 16, walled_regions)}.items():
        rgba = picture_rgba(width, height, colour_at)
        cases[name] = (as_tim2_rgba32(width, height, rgba), matte_alpha(width, height, rgba))
    return cases


def figure(width, height, box_width, box_height):
    """A dark box on white, 10 pixels in from the top left."""
    def colour_at(x, y):
        inside = 10 <= x < 10 + box_width and 10 <= y < 10 + box_height
        return (60, 40, 20, 128) if inside else (255, 255, 255, 128)
    return as_tim2_rgba32(width, height, picture_rgba(width, height, colour_at))


def art_cases():
    return {
        "figure_8x8": figure(30, 30, 8, 8),
        "figure_7x8": figure(30, 30, 7, 8),
        "figure_8x7": figure(30, 30, 8, 7),
        "all_white": figure(30, 30, 0, 0),
        "figure_60x90": figure(90, 120, 60, 90),
    }


def main():
    out = Path(sys.argv[1])
    rng = random.Random(7)
    for folder in ("decode", "matte", "art"):
        (out / folder).mkdir(parents=True, exist_ok=True)
    for name, (data, (kind, *expected)) in decode_cases(rng).items():
        (out / "decode" / f"{name}.tm2").write_bytes(data)
        if kind == "rgba":
            width, height, pixels = expected
            (out / "decode" / f"{name}.rgba").write_bytes(struct.pack("<II", width, height) + pixels)
        else:
            (out / "decode" / f"{name}.error").write_text(expected[0])
    for name, (data, alpha) in matte_cases(rng).items():
        (out / "matte" / f"{name}.tm2").write_bytes(data)
        (out / "matte" / f"{name}.alpha").write_bytes(alpha)
    for name, data in art_cases().items():
        (out / "art" / f"{name}.tm2").write_bytes(data)


if __name__ == "__main__":
    main()
