#!/usr/bin/env python3
"""The real launcher's window icons as the desktop shows them (the X window's _NET_WM_ICON):
the program's icon without a disc, the demo disc's figure after start-up with it, and the art of
another image once that one is dropped on the window.

    window_icons_test.py LAUNCHER_EXE PAGE_FOLDER PROGRAM_ICO ART_PIXELS_EXE DEMO_ISO OTHER_ISO

Runs inside the Wine session of the Windows tests (DISPLAY and WINEPREFIX set).
"""

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from wine_session import until, windows_path  # noqa: E402

TOLERANCE = 2  # per channel, for the desktop's own rounding


def desktop_icons():
    """side -> RGBA bytes of each icon on the launcher's window; empty while there is none."""
    try:
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Myrrowen$"], check=True,
                                capture_output=True, text=True).stdout.split()[0]
        text = subprocess.run(["xprop", "-id", window, "-notype", "-f", "_NET_WM_ICON", "32c", " $0+",
                               "_NET_WM_ICON"], check=True, capture_output=True, text=True).stdout
    except (subprocess.CalledProcessError, IndexError):
        return {}
    if "=" in text or "not found" in text or "no such" in text:
        return {}
    values = [int(v) for v in text.split(None, 1)[1].replace(",", " ").split()]
    icons = {}
    while len(values) >= 2:
        width, height = values[0], values[1]
        argb = values[2:2 + width * height]
        values = values[2 + width * height:]
        icons[width] = bytes(b for v in argb for b in ((v >> 16) & 255, (v >> 8) & 255, v & 255, (v >> 24) & 255))
    return icons


def art_pixels(tool, image):
    """side -> RGBA bytes of the art the launcher reads from the image."""
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", tool, windows_path(image)], check=True, stdout=out, stderr=subprocess.DEVNULL)
        out.seek(0)
        lines = out.read().decode().split()
    return {int(side): bytes.fromhex(hexdigits) for side, hexdigits in zip(lines[0::2], lines[1::2])}


def ico_pixels(ico, side):
    frames = subprocess.run(["identify", "-format", "%w\n", ico], check=True, capture_output=True, text=True).stdout
    index = [int(w) for w in frames.split()].index(side)
    return subprocess.run(["convert", f"{ico}[{index}]", "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout


def visible_difference(shown, expected):
    """The largest channel difference over the pixels that are not fully transparent in both."""
    worst = 0
    for i in range(0, len(expected), 4):
        if shown[i + 3] == 0 and expected[i + 3] == 0:
            continue
        worst = max(worst, *(abs(shown[i + k] - expected[i + k]) for k in range(4)))
    return worst


def shows(expected_by_side):
    """Whether the window's icons are these pictures (every side the desktop holds)."""
    icons = desktop_icons()
    if not icons:
        return False
    return all(side in expected_by_side and len(icons[side]) == len(expected_by_side[side])
               and visible_difference(icons[side], expected_by_side[side]) <= TOLERANCE for side in icons)


class Launcher:
    def __init__(self, exe, page, folder, iso=None):
        shutil.copy(exe, folder / "myr_launcher.exe")
        if not (folder / "launcher-ui").exists():
            shutil.copytree(page, folder / "launcher-ui")
        if iso:
            (folder / "myr.ini").write_text(f"[Game]\nIso={windows_path(iso)}\n")
        environment = dict(os.environ, MYR_LAUNCHER_BROWSER="stdio")
        environment.pop("MYR_ISO", None)
        self.log = open(folder / "launcher.log", "wb")
        self.process = subprocess.Popen(["wine", str(folder / "myr_launcher.exe")], stdin=subprocess.PIPE,
                                        stdout=self.log, stderr=self.log, env=environment)

    def send(self, line):
        self.process.stdin.write(line.encode() + b"\n")
        self.process.stdin.flush()

    def close(self):
        self.process.stdin.close()
        assert self.process.wait(timeout=30) == 0
        until(lambda: not desktop_icons(), "the window to go", timeout=10)
        self.log.close()


def main():
    exe, page, ico, tool, demo, other = sys.argv[1:]
    demo_art, other_art = art_pixels(tool, demo), art_pixels(tool, other)
    assert demo_art and other_art and demo_art[32] != other_art[32], "the two images need art of their own"
    program = {side: ico_pixels(ico, side) for side in (16, 32)}

    with tempfile.TemporaryDirectory() as work:
        launcher = Launcher(exe, page, Path(work))
        until(lambda: shows(program), "the program's icon without a disc")
        launcher.close()

        launcher = Launcher(exe, page, Path(work), iso=demo)
        until(lambda: shows(demo_art), "the demo disc's figure after start-up")
        dropped = Path(work) / "other.iso"
        shutil.copy(other, dropped)
        launcher.send('{"$navigate":"file:///' + windows_path(dropped).replace("\\", "/") + '"}')
        until(lambda: shows(other_art), "the dropped image's art")
        launcher.close()
    print("window icons: program icon, start-up art and stored image's art as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
