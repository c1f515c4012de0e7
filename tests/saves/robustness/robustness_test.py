#!/usr/bin/env python3
"""Every writer of the real launcher killed, starved of disk space and locked out.

    robustness_test.py GAME_DIR PAUSABLE_LAUNCHER_EXE DISC_IMAGE GAME_FILE_DIGESTS
                       [--sweeps kill,full,ro] [--only WRITER,...] [--keep]

GAME_DIR holds myr_launcher.exe and launcher-ui; the pausable launcher behaves the same but can
stop at named points (MYR_LAUNCHER_PAUSE_AT) so that a kill reaches short moments. Runs inside
the Wine session of the Windows tests (DISPLAY and WINEPREFIX set), as root for the mounts.

MYR_SAVE_KILL_POINTS (default 3) timed kills per writer and MYR_SAVE_KILL_MEGABYTES (default 8,
the size of the saves) make a longer robustness run.
"""

import argparse
import os
import re
import shutil
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no compiled modules left in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import disk_sweeps  # noqa: E402
import fixtures as fx  # noqa: E402
import kill_sweep  # noqa: E402
import writers as w  # noqa: E402
from headless import Launcher, make_game_folder  # noqa: E402


def setting(name, fallback):
    value = os.environ.get(name, "")
    return int(value) if value.isdigit() and int(value) > 0 else fallback


class Context:
    def __init__(self, arguments):
        game_dir = Path(arguments.game_dir)
        self.launcher_exe = game_dir / "myr_launcher.exe"
        self.page = game_dir / "launcher-ui"
        self.pausable_exe = Path(arguments.pausable_exe)
        self.image = Path(arguments.image).resolve()
        self.digests = fx.read_digest_list(arguments.digests)
        self.keep = arguments.keep
        self.root = Path(tempfile.mkdtemp(prefix="myr-robustness-"))
        self.passed = self.failed = 0
        self.trials = 0
        self.disposable = set()

    def make_game(self, folder, exe):
        make_game_folder(folder, exe, self.page)

    def game_for(self, writer, label, exe):
        """A fresh game folder for one run."""
        self.trials += 1
        game = self.root / writer.name / f"{self.trials:03}-{re.sub(r'[^A-Za-z0-9.-]', '-', label)}" / "game"
        self.make_game(game, exe)
        self.disposable.add(game)
        return game

    def start(self, game, environment=None):
        return Launcher(game, self.root, environment)

    def case(self, title, problems, game=None):
        if problems:
            self.failed += 1
            print(f"FAIL {title}", flush=True)
            for problem in problems:
                print(f"     {problem}", flush=True)
        else:
            self.passed += 1
            print(f"ok   {title}", flush=True)
        if game in self.disposable:
            if problems and self.keep:
                print(f"     kept in {game}", flush=True)
            else:
                shutil.rmtree(game.parent, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("game_dir")
    parser.add_argument("pausable_exe")
    parser.add_argument("image")
    parser.add_argument("digests")
    parser.add_argument("--sweeps", default="kill,full,ro")
    parser.add_argument("--only", help="the kill sweep's writers to run, by name, separated by commas")
    parser.add_argument("--keep", action="store_true", help="keep the game folders of failed kills")
    arguments = parser.parse_args()
    ctx = Context(arguments)
    started = time.monotonic()
    sweeps = arguments.sweeps.split(",")
    megabytes = setting("MYR_SAVE_KILL_MEGABYTES", 8)
    try:
        if not ctx.pausable_exe.is_file():
            ctx.case("the pausable launcher", [f"{ctx.pausable_exe} does not exist: no kill at a pause point"])
            ctx.pausable_exe = None
        if "kill" in sweeps:
            kill_sweep.run(ctx, [writer for writer in [
                w.SettingsWriter("saveSettings", w.SETTINGS_ARGS, "settings"),
                w.SettingsWriter("savePad", w.PAD_ARGS, "pad"),
                w.BackupWriter(megabytes),
                w.RestoreWriter(megabytes),
                w.FormatWriter(),
                w.SwapWriter(),
                w.ExtractWriter(ctx.image, ctx.digests),
                w.CacheWriter(),
                w.ShortcutWriter(),
            ] if not arguments.only or writer.name in arguments.only.split(",")], setting("MYR_SAVE_KILL_POINTS", 3))
        if "full" in sweeps:
            disk_sweeps.full_disk(ctx)
        if "ro" in sweeps:
            disk_sweeps.read_only_game(ctx)
            disk_sweeps.read_only_backups(ctx)
    finally:
        if not (ctx.keep and ctx.failed):
            shutil.rmtree(ctx.root, ignore_errors=True)
    print(f"{time.monotonic() - started:.0f} s")
    print(f"{ctx.passed} passed, {ctx.failed} failed")
    return 1 if ctx.failed else 0


if __name__ == "__main__":
    sys.exit(main())
