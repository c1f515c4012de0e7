#!/usr/bin/env python3
"""Disc images for the disc tests, written by xorriso (an image tool independent of the
launcher's readers), and a 64 MiB stream with its digest from sha1sum.

    make_fixtures.py FOLDER

demo.iso          the demo disc; demo.sha1 its digest list
override.iso      decoys the extraction must not take: a root SYSPATCH.IMG (the container's
                  copy wins) and a container A/MDA.IRX (IRX/MDA.IRX sorts later and wins)
empty_file.iso    MDB.IRX is empty; empty_file.sha1 its digest list
no_container.iso  no DATAPAK.CVM at all
sub_container.iso DATAPAK.CVM only in a subfolder
stream.bin        64 MiB of SHAKE-128 output; stream.sha1 from sha1sum
"""

import hashlib
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools" / "demo_disc"))
import make_demo_disc  # noqa: E402

DECOY = b"not the file the game needs\n"


def disc(folder, name, **options):
    with tempfile.TemporaryDirectory(dir=folder) as work:
        digests = make_demo_disc.build_disc(folder / f"{name}.iso", Path(work), **options)
    (folder / f"{name}.sha1").write_text(make_demo_disc.digest_list(digests))


def main():
    folder = Path(sys.argv[1]).resolve()
    folder.mkdir(parents=True, exist_ok=True)
    disc(folder, "demo")
    disc(folder, "override", extra_root={"SYSPATCH.IMG": DECOY}, extra_data={"A/MDA.IRX": DECOY})
    disc(folder, "empty_file", overrides={"MDB.IRX": b""})
    disc(folder, "no_container", container_path=None)
    disc(folder, "sub_container", container_path="SUB/DATAPAK.CVM")
    stream = folder / "stream.bin"
    stream.write_bytes(hashlib.shake_128(b"myr-sha1-stream").digest(64 << 20))
    listing = subprocess.run(["sha1sum", stream.name], cwd=folder, check=True, capture_output=True, text=True)
    (folder / "stream.sha1").write_text(listing.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
