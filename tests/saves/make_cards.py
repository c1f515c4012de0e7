#!/usr/bin/env python3
"""Memory card images for the tests, written from the published PS2 memory card format.

    make_cards.py <output folder>

blank.ps2      every byte erased (0xFF)
formatted.ps2  a freshly formatted, empty card (root folder dated 2024-05-06 07:08:09)
saves.ps2      a card holding saves with Shift-JIS titles and a few damaged or odd entries

The layout: 16384 pages of 512 data bytes and 16 spare bytes (a Hamming code of each
128-byte quarter, then 4 zero bytes); a cluster is two pages; superblock in page 0;
indirect FAT in cluster 8, FAT in clusters 9-40, allocatable clusters from 41 on.
"""

import struct
import sys
from pathlib import Path

PAGE_DATA = 512
PAGE = PAGE_DATA + 16
PAGES = 16384
CLUSTER = 2 * PAGE_DATA
CLUSTERS = 8192
ALLOC_OFFSET = 41
ALLOC_END = 8135
IFC_CLUSTER = 8
FAT_FIRST = 9
FAT_CLUSTERS = 32

MODE_FILE = 0x8497
MODE_FOLDER = 0x8427
MODE_PARENT = 0xA426

IN_USE_END = 0xFFFFFFFF
FREE = 0x7FFFFFFF

FORMAT_TIME = (2024, 5, 6, 7, 8, 9)


def parity(value):
    return bin(value).count("1") & 1


def quarter_code(chunk):
    """Column parity (3 bits for the low/odd bit groups, 3 for the high ones) and two line parities."""
    groups = {0: 0x55, 1: 0x33, 2: 0x0F, 4: 0xAA, 5: 0xCC, 6: 0xF0}
    column = 0
    for bit, mask in groups.items():
        column |= (sum(parity(b & mask) for b in chunk) & 1) << bit
    line0 = 0
    line1 = 0
    for index, b in enumerate(chunk):
        if parity(b):
            line0 ^= ~index & 0x7F
            line1 ^= index
    return bytes([(column ^ 0x77) & 0x77, line0 ^ 0x7F, line1 ^ 0x7F])


class Card:
    def __init__(self):
        self.image = bytearray(b"\xff" * (PAGE * PAGES))
        self.clusters = {}  # absolute cluster -> 1024 data bytes
        self.fat = {}       # relative cluster -> entry
        self.next_free = 0

    def write_page(self, page, data):
        assert len(data) == PAGE_DATA
        spare = b"".join(quarter_code(data[q * 128:(q + 1) * 128]) for q in range(4)) + b"\0" * 4
        self.image[page * PAGE:(page + 1) * PAGE] = data + spare

    def put_cluster(self, absolute, data):
        self.clusters[absolute] = data.ljust(CLUSTER, b"\0")

    def allocate(self, data, count=None):
        """Stores data in a fresh chain of relative clusters; returns the first one."""
        count = count or max(1, -(-len(data) // CLUSTER))
        chain = list(range(self.next_free, self.next_free + count))
        self.next_free += count
        for i, n in enumerate(chain):
            self.fat[n] = 0x80000000 | chain[i + 1] if i + 1 < count else IN_USE_END
            self.put_cluster(ALLOC_OFFSET + n, data[i * CLUSTER:(i + 1) * CLUSTER])
        return chain[0]

    def finish(self, created=FORMAT_TIME):
        superblock = bytearray(PAGE_DATA)
        superblock[0:28] = b"Sony PS2 Memory Card Format "
        superblock[0x1C:0x28] = b"1.2.0.0".ljust(12, b"\0")
        struct.pack_into("<HHHH", superblock, 0x28, PAGE_DATA, 2, 16, 0xFF00)
        struct.pack_into("<IIIIII", superblock, 0x30, CLUSTERS, ALLOC_OFFSET, ALLOC_END, 0, 1023, 1022)
        struct.pack_into("<I", superblock, 0x50, IFC_CLUSTER)
        superblock[0xD0:0x150] = b"\xff" * 0x80
        superblock[0x150] = 2
        superblock[0x151] = 0x52
        superblock[0x154:] = b"\xff" * (PAGE_DATA - 0x154)
        self.write_page(0, bytes(superblock))

        self.put_cluster(IFC_CLUSTER, b"".join(struct.pack("<I", FAT_FIRST + i) for i in range(FAT_CLUSTERS))
                         .ljust(CLUSTER, b"\xff"))
        for i in range(FAT_CLUSTERS):
            entries = []
            for n in range(i * 256, (i + 1) * 256):
                entries.append(self.fat.get(n, IN_USE_END if n >= ALLOC_END else FREE))
            self.put_cluster(FAT_FIRST + i, struct.pack("<256I", *entries))
        for absolute, data in self.clusters.items():
            self.write_page(2 * absolute, data[:PAGE_DATA])
            self.write_page(2 * absolute + 1, data[PAGE_DATA:])
        return bytes(self.image)


def card_time(year, month, day, hours, minutes, seconds):
    return struct.pack("<BBBBBBH", 0, seconds, minutes, hours, day, month, year)


def entry(mode, length, cluster, name, modified=FORMAT_TIME, raw_time=None):
    stamp = raw_time if raw_time is not None else card_time(*modified)
    data = bytearray(512)
    struct.pack_into("<HHI", data, 0, mode, 0, length)
    data[0x08:0x10] = stamp
    struct.pack_into("<I", data, 0x10, cluster)
    data[0x18:0x20] = stamp
    data[0x40:0x40 + len(name)] = name
    return bytes(data)


def icon_sys(title_lines, line_break=None, magic=b"PS2D"):
    """icon.sys with a 68-byte Shift-JIS title; line_break defaults to the first line's length."""
    first = title_lines[0].encode("cp932")
    second = title_lines[1].encode("cp932") if len(title_lines) > 1 else b""
    title = (first + second).ljust(68, b"\0")
    assert len(title) == 68
    data = bytearray(964)
    data[0:4] = magic
    struct.pack_into("<H", data, 6, len(first) if line_break is None else line_break)
    data[192:260] = title
    return bytes(data)


def formatted_card():
    card = Card()
    card.allocate(entry(MODE_FOLDER, 2, 0, b".") + entry(MODE_PARENT, 0, 0, b".."))
    return card.finish()


def saves_card():
    """The saves, in root order, with what a reader should report (see card_image_test.cpp)."""
    card = Card()
    root_entries = 11
    root = card.allocate(b"", count=-(-root_entries * 512 // CLUSTER))  # relative clusters 0-5
    assert root == 0

    def folder(name, files, modified=None, raw_time=None, length=None, broken=False):
        """A save folder with its files; returns its root entry."""
        placed = []
        for file_name, data in files:
            placed.append(entry(MODE_FILE, len(data), card.allocate(data), file_name))
        count = len(placed) + 2
        if broken:
            cluster = ALLOC_END + 5  # beyond the allocatable clusters
        else:
            cluster = card.next_free
            body = entry(MODE_FOLDER, count, cluster, b".") + entry(MODE_PARENT, 0, 0, b"..") + b"".join(placed)
            assert card.allocate(body) == cluster
        return entry(MODE_FOLDER, count if length is None else length, cluster, name,
                     modified=modified or FORMAT_TIME, raw_time=raw_time)

    entries = [
        entry(MODE_FOLDER, root_entries, 0, b"."),
        entry(MODE_PARENT, 0, 0, b".."),
        # Two lines: katakana, then full-width Latin letters, digits and blanks.
        folder(b"BISLPM-65001MYR00",
               [(b"icon.sys", icon_sys(["ミローウェン", "ＳＡＶＥ　０１　ＤＡＴＡ"])), (b"MYR00", bytes(range(256)) * 12)],
               modified=(2024, 3, 15, 21, 4, 5)),
        # Line break 0: the whole title in one line; trailing full-width blanks go.
        folder(b"BISLPM-65001MYR01", [(b"icon.sys", icon_sys(["ひらがな　ＴＥＳＴ　　"], line_break=0))],
               modified=(2024, 13, 1, 0, 0, 0)),
        # Line break past the title: one line, year 2200 still valid.
        folder(b"BISLPM-65001MYR02", [(b"icon.sys", icon_sys(["ＡＢＣ", "ｘｙｚ"], line_break=100))],
               modified=(2200, 12, 31, 23, 59, 59)),
        # No PS2D magic: no title; year 2201 is not a valid time.
        folder(b"BISLPM-65001MYR03", [(b"icon.sys", icon_sys(["ＸＸ"], magic=b"PS1D")), (b"DATA", b"x" * 10)],
               modified=(2201, 1, 1, 0, 0, 0)),
        # A folder entry whose count is 0 reads its count from its own "." entry.
        folder(b"BISLPM-65001MYR04", [(b"DATA", b"y" * 2049)], length=0, modified=(1990, 1, 1, 0, 0, 0)),
        # Deleted folder and a file in the root: not saves.
        entry(MODE_FOLDER & 0x7FFF, 2, 0, b"DELETED"),
        entry(MODE_FILE, 5, card.allocate(b"hello"), b"ROOTFILE"),
        # A folder whose directory chain lies outside the card: listed without size or title.
        folder(b"BROKEN", [], broken=True, modified=(2023, 1, 2, 3, 4, 5)),
        # A name with a byte that is not ASCII (Latin-1 e acute): passed on to the system's code page.
        folder(b"CAF\xc9", []),
    ]
    assert len(entries) == root_entries
    data = b"".join(entries)
    for i in range(-(-len(data) // CLUSTER)):
        card.put_cluster(ALLOC_OFFSET + root + i, data[i * CLUSTER:(i + 1) * CLUSTER])
    print(f"saves.ps2: {card.next_free} clusters in use", file=sys.stderr)
    return card.finish()


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "blank.ps2").write_bytes(b"\xff" * (PAGE * PAGES))
    (out / "formatted.ps2").write_bytes(formatted_card())
    (out / "saves.ps2").write_bytes(saves_card())


if __name__ == "__main__":
    main()
