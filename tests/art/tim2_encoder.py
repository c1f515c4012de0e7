"""A TIM2 encoder written from the published layout.

A 16-byte file header ("TIM2", version, format, picture count), then per picture a 48-byte
header (total, palette and image sizes, header size, colour count, format, mipmaps, palette
type, image type, width, height, four GS register fields), the pixels, and the palette.
256-colour palettes are stored the console's way, with entries 8-15 and 16-23 of every 32
exchanged. Alpha counts 0 to 128, where 128 is opaque.
"""

import struct

RGBA32, INDEXED4, INDEXED8 = 3, 4, 5
CLUT16, CLUT32 = 1, 3


def tim2(image_type, width, height, image, clut=b"", colours=0, clut_type=CLUT32, *, header_size=48,
         pictures=1, image_size=None, clut_size=None, file_format=0):
    """One picture; declared sizes default to the data actually written."""
    image_size = len(image) if image_size is None else image_size
    clut_size = len(clut) if clut_size is None else clut_size
    file_header = struct.pack("<4sBBH8x", b"TIM2", 4, file_format, pictures)
    total = max(header_size, 48) + len(image) + len(clut)
    picture_header = struct.pack("<IIIHHBBBBHHQQII", total, clut_size, image_size, header_size, colours,
                                 0, 1, clut_type, image_type, width, height, 0, 0, 0, 0)
    padding = bytes(max(header_size - 48, 0))
    return file_header + picture_header + padding + image + clut


def clut32(palette):
    """Entries (r, g, b, a) with a on the console's 0-128 scale."""
    return b"".join(bytes(entry) for entry in palette)


def clut16(palette):
    """Entries (r5, g5, b5, alpha bit)."""
    return b"".join(struct.pack("<H", r | g << 5 | b << 10 | bit << 15) for r, g, b, bit in palette)


def storage_order(palette):
    """The order a 256-colour palette is written in: blocks 8-15 and 16-23 of each 32 swap."""
    stored = []
    for position in range(256):
        block = position % 32 // 8
        swapped = {1: 2, 2: 1}.get(block, block)
        stored.append(palette[position - block * 8 + swapped * 8])
    return stored


def nibbles(indices):
    """Two pixels a byte, the left one in the low half."""
    padded = list(indices) + [0] * (len(indices) % 2)
    return bytes(padded[k] | padded[k + 1] << 4 for k in range(0, len(padded), 2))
