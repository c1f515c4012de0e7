#!/usr/bin/env python3
"""Builds the demo disc image: a stand-in for the retail disc with the same layout.

The root holds SYSTEM.CNF (BOOT2 names QXUS_404.04, serial QXUS-40404), the boot file,
MODPAK.BIN and two containers whose volumes start 6144 bytes into the file: DATAPAK.CVM
with the other game files (some in subfolders) and ARTPK.CVM with the art picture
ART_FIGURE_01.TM2 (the figure of tools/demo_art on a near-white background; tests use a small
placeholder). File contents are
pseudo-random bytes from SHAKE-128 of fixed seeds, so every run gives the same files.
The image itself is written by xorriso.

    make_demo_disc.py [--scale N] [--flat] [--digests FILE] IMAGE

--digests writes the eleven game files' SHA-1 digests in sha1sum format, in the order the
launcher copies them (src/disc/game_file_digests.sha1 is that output for scale 1).
--scale multiplies the file sizes (the benchmark uses a disc of more than 1 GiB).
--flat puts all eleven files in the disc's root and leaves DATAPAK.CVM's volume empty, so that
other tools can extract the very same files directly (the benchmark compares with xorriso).
"""

import argparse
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

# The launcher copies the files in this order; the boot file comes last.
GAME_FILES = [
    "SYSTEM.CNF", "SYSPATCH.IMG", "MODPAK.BIN", "MDA.IRX", "MDB.IRX", "MDC.IRX",
    "OV_MAIN_ONE_US.OVL", "OV_MAIN_TWO_US.OVL", "OV_MAIN_THREE_US.OVL", "OV_MAIN_FOUR_US.OVL",
    "QXUS_404.04",
]

SYSTEM_CNF = b"BOOT2 = cdrom0:\\QXUS_404.04;1\r\nVER = 1.00\r\nVMODE = NTSC\r\n"

# Sizes at scale 1; the boot file is larger than the launcher's 1 MiB copy buffer.
SIZES = {
    "SYSPATCH.IMG": 40_000, "MODPAK.BIN": 310_000, "MDA.IRX": 12_345, "MDB.IRX": 17_000,
    "MDC.IRX": 20_480, "OV_MAIN_ONE_US.OVL": 65_536, "OV_MAIN_TWO_US.OVL": 123_457,
    "OV_MAIN_THREE_US.OVL": 200_001, "OV_MAIN_FOUR_US.OVL": 98_304, "QXUS_404.04": 1_300_000,
}

# Where each file lies: the disc's root or a path inside DATAPAK.CVM's volume.
ROOT_FILES = ["SYSTEM.CNF", "QXUS_404.04", "MODPAK.BIN"]
CONTAINER_PATHS = {
    "SYSPATCH.IMG": "SYSPATCH.IMG", "MDA.IRX": "IRX/MDA.IRX", "MDB.IRX": "IRX/MDB.IRX",
    "MDC.IRX": "IRX/MDC.IRX", "OV_MAIN_ONE_US.OVL": "OVL/OV_MAIN_ONE_US.OVL",
    "OV_MAIN_TWO_US.OVL": "OVL/OV_MAIN_TWO_US.OVL", "OV_MAIN_THREE_US.OVL": "OVL/OV_MAIN_THREE_US.OVL",
    "OV_MAIN_FOUR_US.OVL": "OVL/OV_MAIN_FOUR_US.OVL",
}

NESTED_VOLUME_OFFSET = 6144
FIXED_TIME = 1_000_000_000  # file and volume dates, so that images come out identical
CHUNK = 1 << 20


def write_stream(path, seed, size):
    """size bytes of SHAKE-128 output, 1 MiB per seeded chunk; returns the SHA-1."""
    digest = hashlib.sha1()
    with open(path, "wb") as out:
        for index in range(0, (size + CHUNK - 1) // CHUNK):
            length = min(CHUNK, size - index * CHUNK)
            chunk = hashlib.shake_128(f"{seed}:{index}".encode()).digest(length)
            digest.update(chunk)
            out.write(chunk)
    return digest.hexdigest()


def write_bytes(path, data):
    path.write_bytes(data)
    return hashlib.sha1(data).hexdigest()


def tim2_placeholder(width=96, height=96):
    """A 32-bit TIM2 picture: a dark figure (head and body) on a near-white background."""
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            head = (x - 48) ** 2 + (y - 26) ** 2 <= 14 ** 2
            body = 28 <= x < 68 and 40 <= y < 88
            if head:
                pixels += bytes((200, 160, 120, 128))
            elif body:
                pixels += bytes((40, 60, 140, 128))
            else:
                pixels += bytes((250, 250, 248, 128))
    header_size = 48
    picture = struct.pack("<IIIHHBBBBHH", header_size + len(pixels), 0, len(pixels), header_size, 0,
                          0, 1, 0, 3, width, height)
    picture += bytes(header_size - len(picture))
    return b"TIM2" + bytes((4, 0)) + struct.pack("<H", 1) + bytes(8) + picture + bytes(pixels)


def run_xorriso(stage, image, volume_id):
    for path in [stage, *stage.rglob("*")]:
        os.utime(path, (FIXED_TIME, FIXED_TIME))
    if image.exists():
        image.unlink()
    environment = dict(os.environ, SOURCE_DATE_EPOCH=str(FIXED_TIME))
    subprocess.run(["xorriso", "-outdev", str(image), "-blank", "as_needed", "-volid", volume_id,
                    "-compliance", "iso_9660_level=2", "-rockridge", "off", "-padding", "0",
                    "-map", str(stage), "/"],
                   check=True, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def write_container(stage_of_volume, container, volume_id, work):
    """A container file: a header of 6144 bytes, then an ISO 9660 volume."""
    volume = work / (container.name + ".volume")
    run_xorriso(stage_of_volume, volume, volume_id)
    with open(container, "wb") as out, open(volume, "rb") as source:
        out.write(b"MYRCVM".ljust(NESTED_VOLUME_OFFSET, b"\0"))
        shutil.copyfileobj(source, out, CHUNK)
    volume.unlink()


def stage_game_files(root, data, scale, overrides=None, flat=False):
    """Writes the eleven files into the disc's root and the data container's folder; returns
    name -> SHA-1. overrides maps a name to bytes used instead of its usual content."""
    overrides = overrides or {}
    digests = {}
    for name in GAME_FILES:
        target = root / name if flat or name in ROOT_FILES else data / CONTAINER_PATHS[name]
        target.parent.mkdir(parents=True, exist_ok=True)
        if name in overrides:
            digests[name] = write_bytes(target, overrides[name])
        elif name == "SYSTEM.CNF":
            digests[name] = write_bytes(target, SYSTEM_CNF)
        else:
            digests[name] = write_stream(target, f"myr-demo:{name}", int(SIZES[name] * scale))
    return digests


def figure_picture(work):
    """The demo's figure picture, drawn by the art tool (a 512 x 768 TIM2)."""
    out = Path(work) / "figure.tm2"
    subprocess.run([sys.executable, str(Path(__file__).resolve().parents[1] / "demo_art" / "make_figure_tim2.py"),
                    str(out)], check=True)
    return out.read_bytes()


def build_disc(image, work, scale=1, overrides=None, extra_root=None, extra_data=None,
               container_path="DATAPAK.CVM", art_picture=None, flat=False):
    """Stages and writes one disc image; returns name -> SHA-1 of the game files.
    extra_root and extra_data map paths to bytes added to the disc's root or the container;
    container_path is where the data container lies on the disc (None: nowhere)."""
    root, data, art = work / "root", work / "data", work / "art"
    for folder in (root, data, art):
        folder.mkdir(parents=True)
    digests = stage_game_files(root, data, scale, overrides, flat)
    for base, extra in ((root, extra_root), (data, extra_data)):
        for path, content in (extra or {}).items():
            (base / path).parent.mkdir(parents=True, exist_ok=True)
            (base / path).write_bytes(content)
    if container_path:
        (root / container_path).parent.mkdir(parents=True, exist_ok=True)
        write_container(data, root / container_path, "DATAPAK", work)
    (art / "ART_FIGURE_01.TM2").write_bytes(art_picture or tim2_placeholder())
    write_container(art, root / "ARTPK.CVM", "ARTPK", work)
    run_xorriso(root, Path(image), "MYRROWEN")
    return digests


def digest_list(digests):
    return "".join(f"{digests[name]}  {name}\n" for name in GAME_FILES)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("image", type=Path)
    parser.add_argument("--scale", type=float, default=1)
    parser.add_argument("--flat", action="store_true")
    parser.add_argument("--digests", type=Path)
    args = parser.parse_args()
    args.image.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=args.image.parent) as work:
        digests = build_disc(args.image.resolve(), Path(work), args.scale, art_picture=figure_picture(work),
                             flat=args.flat)
    if args.digests:
        args.digests.write_text(digest_list(digests))
    return 0


if __name__ == "__main__":
    sys.exit(main())
