"""Every command of the launcher that writes files, with what it may leave when it is cut off.

A writer prepares a game folder, starts its work in a running launcher, waits for the work's end,
learns the finished state from one uninterrupted run, and judges a folder after a kill: which
state it is in (a label for the summary) and what is wrong with it (a list of words)."""

import getpass
import json
import os
import shutil
import urllib.parse
from pathlib import Path

import fixtures as fx
from headless import windows_path

SET_NAME = "2020-01-02_03-04-05"
KEPT_ASIDE = "system-card-a.parked"
PARKED_EARLIER = "system-before-swap-20200101T000000Z.parked"
PAD_BUTTONS = ["Up", "Right", "Down", "Left", "Triangle", "Circle", "Cross", "Square", "Select", "Start", "L1", "L2",
               "R1", "R2", "L3", "R3", "LUp", "LRight", "LDown", "LLeft", "RUp", "RRight", "RDown", "RLeft"]
SETTINGS_ARGS = {"values": {"Display.Scale": "4", "Audio.Mute": "1"}}
PAD_ARGS = {"pad": {button: f"Keyboard/{chr(ord('A') + i)}" for i, button in enumerate(PAD_BUTTONS)}}


def outcome_of(reply):
    """{"ok", "error", "result"} of a reply message."""
    return {"ok": reply.get("ok") is True, "error": reply.get("error", ""), "result": reply.get("result")}


def failed(outcome, what):
    return [] if outcome["ok"] else [f"{what} failed: {outcome['error']}"]


class Writer:
    name = ""
    command = ""
    args = None
    pause_points = []
    double_kills = []  # (point, point of the next start): a kill while a start finishes the work
    watched = None  # a file the work may write in place, where it has no pause point

    def setup(self, ctx):
        """Once, before the first run."""

    def teardown(self, ctx):
        """Once, after the last run."""

    def prepare(self, game):
        """The folder as it is before the work."""

    def begin(self, launcher):
        return launcher.send(self.command, self.args)

    def finish(self, launcher, handle, timeout):
        return outcome_of(launcher.reply(handle, timeout))

    def learn_before(self, init):
        """The init result before the uninterrupted run."""

    def learn(self, game, outcome, launcher):
        """After the uninterrupted run: records the finished state; what is wrong with it."""
        return failed(outcome, self.command)

    def judge(self, game, launcher, init):
        """(label, problems) of a folder left by a kill; launcher and init are None right after the
        kill, and the restarted launcher and its init result afterwards."""
        return "", []

    def recover(self, launcher, game):
        """After judging: the same work again in the restarted launcher; what is wrong."""
        return []


class SettingsWriter(Writer):
    """saveSettings and savePad: myr.ini is the old or the new text, and init shows that text."""
    pause_points = ["write:myr.ini"]

    def __init__(self, command, args, member):
        self.name = self.command = command
        self.args = args
        self.member = member  # what init shows of the file

    def prepare(self, game):
        (game / "myr.ini").write_bytes(fx.settings_text())

    def learn_before(self, init):
        self.shown = {"old": init.get(self.member)}

    def learn(self, game, outcome, launcher):
        problems = failed(outcome, self.command)
        self.old = fx.settings_text()
        self.new = (game / "myr.ini").read_bytes()
        self.shown["new"] = launcher.request("init").get("result", {}).get(self.member)
        if self.new == self.old:
            problems.append("myr.ini did not change")
        return problems

    def judge(self, game, launcher, init):
        path = game / "myr.ini"
        if not path.is_file():
            leftover = " (myr.ini.tmp is there)" if (game / "myr.ini.tmp").exists() else ""
            return "missing", [f"myr.ini is missing{leftover}"]
        text = path.read_bytes()
        label = "old" if text == self.old else "new" if text == self.new else None
        if label is None:
            return "mixed", [f"myr.ini is neither the old nor the new text ({len(text)} bytes)"]
        if init is not None and init.get(self.member) != self.shown[label]:
            return label, [f"init shows a {self.member} that is not the one of the {label} myr.ini"]
        return label, []

    def recover(self, launcher, game):
        problems = failed(outcome_of(launcher.request(self.command, self.args)), f"{self.command} after the kill")
        if (game / "myr.ini").read_bytes() != self.new:
            problems.append(f"myr.ini after {self.command} again is not the new text")
        return problems


class BackupWriter(Writer):
    name = command = "backup"

    def __init__(self, megabytes):
        self.saves = fx.save_sets(megabytes)[0]
        self.pause_points = ["backup:copied#1", f"backup:copied#{len(self.saves) // 2}",
                             f"backup:copied#{len(self.saves)}", "write:manifest.sha256", "backup:rename"]

    def prepare(self, game):
        fx.put_files(game, self.saves)

    def _sets_hold_the_saves(self, game):
        return [f"set {folder.name} does not hold the saves" for folder in fx.set_folders(game)
                if fx.set_contents(folder) != self.saves]

    def learn(self, game, outcome, launcher):
        problems = failed(outcome, "backup")
        if len(fx.set_folders(game)) != 1:
            problems.append(f"backup made {len(fx.set_folders(game))} sets, not one")
        return problems + self._sets_hold_the_saves(game)

    def judge(self, game, launcher, init):
        problems = [] if fx.saves_now(game) == self.saves else ["the saves changed"]
        problems += self._sets_hold_the_saves(game)
        return ("set" if fx.set_folders(game) else "no set"), problems

    def recover(self, launcher, game):
        count = len(fx.set_folders(game))
        problems = failed(outcome_of(launcher.request("backup")), "backup after the kill")
        if len(fx.set_folders(game)) != count + 1:
            problems.append("backup after the kill made no set")
        return problems + self._sets_hold_the_saves(game)


class RestoreWriter(Writer):
    """The saves are as before or as the set once the launcher started again; when they changed,
    a safety set holds them as they were."""
    name = command = "restore"
    args = {"name": SET_NAME}

    def __init__(self, megabytes):
        self.before, self.in_set, self.restored = fx.save_sets(megabytes)
        moved = len(self.in_set)
        deleted = sum(1 for path in self.before if path.startswith(fx.SAVE_DATA) and path not in self.in_set)
        self.pause_points = ["backup:copied#2", "write:manifest.sha256", "backup:rename", "write:restore.journal",
                             "restore:moved#1", f"restore:moved#{moved}"]
        self.pause_points += [f"restore:deleted#{i}" for i in range(1, deleted + 1)]
        self.double_kills = [("restore:moved#1", "restore:moved#1"), (f"restore:moved#{moved}", "restore:deleted#1")]

    def prepare(self, game):
        fx.put_files(game, self.before)
        fx.write_set(game, SET_NAME, self.in_set)

    def _safety_sets(self, game):
        return [f for f in fx.set_folders(game) if f.name.endswith("_before-restore")]

    def _check(self, game):
        saves = fx.saves_now(game)
        label = "before" if saves == self.before else "restored" if saves == self.restored else "mixed"
        problems = []
        if label == "mixed":
            paths = sorted(saves.keys() | self.before.keys() | self.restored.keys())
            as_set = [p for p in paths if saves.get(p) == self.restored.get(p) != self.before.get(p)]
            neither = [p for p in paths if saves.get(p) not in (self.before.get(p), self.restored.get(p))]
            problems.append(f"the saves are neither as before nor as the set: as the set {as_set}, "
                            f"as neither {neither}")
        if saves != self.before and not any(fx.set_contents(f) == self.before for f in self._safety_sets(game)):
            problems.append("saves changed and no _before-restore set holds them as they were")
        if fx.set_contents(game / "backups" / SET_NAME) != self.in_set:
            problems.append(f"the set {SET_NAME} itself changed")
        return label, problems

    def learn(self, game, outcome, launcher):
        problems = failed(outcome, "restore")
        label, found = self._check(game)
        if label != "restored":
            problems.append(f"the saves after the restore are {label}")
        return problems + found

    def judge(self, game, launcher, init):
        if init is None:
            return "", []  # the next start finishes what a kill cut off
        return self._check(game)

    def recover(self, launcher, game):
        problems = failed(outcome_of(launcher.request("restore", self.args)), "restore after the kill")
        label, found = self._check(game)
        if label != "restored":
            problems.append(f"the saves after restoring again are {label}")
        return problems + found


class FormatWriter(Writer):
    name = command = "formatCard"
    args = {"slot": 1}
    pause_points = ["write:Mcd001.ps2"]
    card = Path("memcards/Mcd001.ps2")

    def prepare(self, game):
        fx.put_files(game, {self.card: fx.blank_card()})

    def learn(self, game, outcome, launcher):
        self.formatted = (game / self.card).read_bytes()
        problems = failed(outcome, "formatCard")
        state = fx.card_state(self.formatted)
        return problems + ([] if state == "formatted" else [f"the card after formatCard is {state}"])

    def judge(self, game, launcher, init):
        path = game / self.card
        if not path.is_file():
            return "missing", ["Mcd001.ps2 is missing"]
        state = fx.card_state(path.read_bytes(), self.formatted)
        return state, ([] if state in ("blank", "formatted") else [f"the card is {state}"])

    def recover(self, launcher, game):
        was = fx.card_state((game / self.card).read_bytes(), self.formatted)
        outcome = outcome_of(launcher.request("formatCard", self.args))
        if was == "blank":
            problems = failed(outcome, "formatCard of the blank card after the kill")
        else:
            problems = [] if not outcome["ok"] and "not a blank card" in outcome["error"] else [
                f"formatCard of a formatted card after the kill answered {outcome}"]
        now = fx.card_state((game / self.card).read_bytes(), self.formatted)
        return problems + ([] if now == "formatted" else [f"the card is {now} after formatting again"])


class SwapWriter(Writer):
    name = command = "swapSystem"
    args = {"file": KEPT_ASIDE}
    pause_points = ["swap:parked"]

    def __init__(self):
        self.files = {f"{fx.SAVE_DATA}/system.myrsave": fx.system_save(21),
                      f"{fx.SAVE_DATA}/{KEPT_ASIDE}": fx.system_save(22),
                      f"{fx.SAVE_DATA}/{PARKED_EARLIER}": fx.system_save(23)}
        self.all = sorted(self.files.values())

    def prepare(self, game):
        fx.put_files(game, self.files)

    def _label(self, game):
        system = game / fx.SAVE_DATA / "system.myrsave"
        if not system.is_file():
            return "none in use"
        return {fx.system_save(21): "before", fx.system_save(22): "swapped"}.get(system.read_bytes(), "other in use")

    def _lost(self, game):
        return [] if fx.system_files(game) == self.all else [
            f"system.myrsave and the .parked files hold {len(fx.system_files(game))} saves, not the 3 before"]

    def learn(self, game, outcome, launcher):
        problems = failed(outcome, "swapSystem")
        if self._label(game) != "swapped":
            problems.append(f"after swapSystem the system save in use is {self._label(game)}")
        return problems + self._lost(game)

    def judge(self, game, launcher, init):
        return self._label(game), self._lost(game)

    def recover(self, launcher, game):
        if not (game / fx.SAVE_DATA / KEPT_ASIDE).exists():
            return []
        problems = failed(outcome_of(launcher.request("swapSystem", self.args)), "swapSystem after the kill")
        if self._label(game) != "swapped":
            problems.append(f"after swapping again the system save in use is {self._label(game)}")
        return problems + self._lost(game)


class ExtractWriter(Writer):
    """A dropped disc image: myr.ini stores it, then the eleven game files are extracted."""
    name = "extraction"
    pause_points = ["write:myr.ini", "extract:placed#1", "extract:placed#10", "extract:placed#11"]

    def __init__(self, image, digests):
        self.image = image
        self.digests = digests

    def begin(self, launcher):
        # As a browser hands over a dropped file.
        url = "file:///" + urllib.parse.quote(windows_path(self.image).replace("\\", "/"), safe="/:")
        launcher.send_line(json.dumps({"$navigate": url}))
        return {}

    def finish(self, launcher, handle, timeout):
        # Called again after a time-out: what was already seen is kept in handle.
        if "dropped" not in handle:
            handle["dropped"] = launcher.event("isoDropped", timeout=timeout)
        dropped = handle["dropped"]
        if not dropped.get("accepted"):
            return {"ok": False, "error": dropped.get("error", ""), "result": dropped}
        return self.extraction_end(launcher, dropped.get("disc", {}), timeout)

    @staticmethod
    def extraction_end(launcher, disc, timeout):
        if not disc.get("extract", {}).get("running"):
            error = disc.get("extract", {}).get("error", "")
            return {"ok": not error and bool(disc.get("discFolder")), "error": error, "result": disc}
        end = launcher.event("discExtract", lambda data: data.get("running") is False, timeout)
        return {"ok": end.get("ok") is True, "error": end.get("error", ""), "result": end}

    def learn(self, game, outcome, launcher):
        self.ini = (game / "myr.ini").read_bytes()
        problems = failed(outcome, "extraction")
        return problems + ([] if fx.disc_complete(game, self.digests) else ["the game files are not all there"])

    def judge(self, game, launcher, init):
        problems = fx.disc_problems(game, self.digests) if init is None else []
        ini = game / "myr.ini"
        label = "no image" if not ini.exists() else "image stored" if ini.read_bytes() == self.ini else "mixed"
        if label == "mixed":
            problems.append("myr.ini is neither missing nor the text that stores the image")
        if init is not None and label == "image stored":
            # The start goes on with the extraction by itself.
            end = self.extraction_end(launcher, init.get("disc", {}), 60)
            problems += failed(end, "the extraction after the start") + fx.disc_problems(game, self.digests)
            label = "extracted" if end["ok"] else label
        return label, problems

    def recover(self, launcher, game):
        problems = []
        if not fx.disc_complete(game, self.digests):
            problems += failed(self.finish(launcher, self.begin(launcher), 60), "dropping the image again")
        if not fx.disc_complete(game, self.digests):
            problems.append("the game files are still not all there")
        leftovers = sorted(p.name for p in (game / "disc").glob("*.partial"))
        return problems + ([f"temporary files stay after a whole extraction: {leftovers}"] if leftovers else [])


class CacheWriter(Writer):
    """clearCache: what stays of the shader cache is untouched, and the folder stays."""
    name = command = "clearCache"
    pause_points = ["cache:deleted#1", "cache:deleted#40"]

    def __init__(self):
        self.files = fx.cache_tree()

    def prepare(self, game):
        fx.put_files(game / "shadercache", self.files)

    def _check(self, game):
        folder = game / "shadercache"
        if not folder.is_dir():
            return "no folder", ["the shadercache folder is gone"]
        left = {p.relative_to(folder).as_posix(): p.read_bytes() for p in folder.rglob("*") if p.is_file()}
        changed = [path for path, data in left.items() if self.files.get(path) != data]
        return f"{len(left)} left", ([f"cache files changed: {changed}"] if changed else [])

    def learn(self, game, outcome, launcher):
        label, problems = self._check(game)
        return failed(outcome, "clearCache") + problems + ([] if label == "0 left" else [f"{label} after clearCache"])

    def judge(self, game, launcher, init):
        label, problems = self._check(game)
        return ("emptied" if label == "0 left" else "part left"), problems

    def recover(self, launcher, game):
        problems = failed(outcome_of(launcher.request("clearCache")), "clearCache after the kill")
        if any((game / "shadercache").iterdir()):
            problems.append("the shader cache is not empty after clearCache again")
        return problems


def host_path(windows):
    """The file of this machine behind a path of Wine's drives."""
    drive, rest = windows[:2].lower(), windows[3:].replace("\\", "/")
    return Path(os.path.realpath(Path(os.environ["WINEPREFIX"], "dosdevices", drive) / rest))


class ShortcutWriter(Writer):
    """The launcher's shortcut on the prefix's desktop is the one before or the new one."""
    name = command = "shortcut"
    args = {"kind": "launcher"}

    def setup(self, ctx):
        # The prefix's own shortcut goes back in place at the end.
        self.file = self.watched = Path(os.environ["WINEPREFIX"], "drive_c", "users", getpass.getuser(), "Desktop",
                                        "Myrrowen Launcher.lnk").resolve()
        self.kept = ctx.root / "desktop-shortcut-before"
        if self.file.exists():
            shutil.copy(self.file, self.kept)
        # An older shortcut from another game folder: the one a kill must not damage.
        other = ctx.root / "shortcut-other" / "game"
        ctx.make_game(other, ctx.launcher_exe)
        launcher = ctx.start(other)
        reply = outcome_of(launcher.request("shortcut", self.args))
        launcher.close()
        if not reply["ok"] or host_path(reply["result"]["path"]) != self.file:
            raise RuntimeError(f"shortcut: {reply}, expected {self.file}")
        self.old = self.file.read_bytes()
        self.old_folder = windows_path(other)
        if fx.shortcut_strings(self.old).get("working folder") != self.old_folder:
            raise RuntimeError(f"the shortcut made in {other} does not start there")

    def teardown(self, ctx):
        if self.kept.exists():
            shutil.copy(self.kept, self.file)
        else:
            self.file.unlink(missing_ok=True)

    def prepare(self, game):
        self.file.write_bytes(self.old)

    def _label(self, game):
        """"old" or "new" by the folder the shortcut starts in; the bytes differ from one run to the
        next, since the link records the times of the folders on the way to the launcher."""
        if not self.file.exists():
            return "missing", ["the shortcut is missing"]
        try:
            folder = fx.shortcut_strings(self.file.read_bytes()).get("working folder", "")
        except ValueError as error:
            return "damaged", [f"the shortcut is damaged: {error}"]
        if folder == windows_path(game):
            return "new", []
        if folder == self.old_folder:
            return "old", []
        return "other", [f"the shortcut starts in {folder}"]

    def learn(self, game, outcome, launcher):
        problems = failed(outcome, "shortcut")
        label, found = self._label(game)
        return problems + found + ([] if label == "new" else [f"the shortcut after the run is {label}"])

    def judge(self, game, launcher, init):
        return self._label(game)

    def recover(self, launcher, game):
        problems = failed(outcome_of(launcher.request("shortcut", self.args)), "shortcut after the kill")
        label, found = self._label(game)
        return problems + found + ([] if label == "new" else [f"the shortcut after making it again is {label}"])
