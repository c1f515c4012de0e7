"""The writers on a disk that runs full, in a read-only game folder and beside a read-only
backups folder: each fails in words and leaves every file as it was."""

import contextlib
import shutil
import subprocess

import fixtures as fx
import writers as w
from headless import LauncherEnded, answering, windows_path

MEGABYTES = 2  # the saves on the small disk
DISK = "48m"


def mount(*arguments):
    subprocess.run(["mount", *arguments], check=True)


@contextlib.contextmanager
def mounted(target, *arguments):
    target.mkdir(parents=True, exist_ok=True)
    mount(*arguments, str(target))
    try:
        yield target
    finally:
        if subprocess.run(["umount", str(target)]).returncode != 0:
            subprocess.run(["umount", "--lazy", str(target)], check=True)


@contextlib.contextmanager
def read_only(folder):
    """folder itself, read-only even for root."""
    with mounted(folder, "--bind", str(folder)):
        mount("-o", "remount,ro,bind", str(folder))
        yield folder


def fill(disk, leave):
    """Fills the disk up to `leave` bytes free."""
    with open(disk / "filler", "wb") as filler:
        room = fx.free_bytes(disk) - leave
        while room > 0:
            filler.write(bytes(min(room, 1 << 22)))
            room -= 1 << 22


def saved_size(files):
    return sum(len(data) for data in files.values())


def words(sweep, name, outcome):
    """An error reply in words; printed, since the texts are for a player."""
    said = f"ok: {outcome['result']}" if outcome["ok"] else f"error: {outcome['error']}"
    print(f"  {sweep}, {name}: {said}", flush=True)
    if outcome["ok"]:
        return [f"{name} answered ok: {outcome['result']}"]
    return [] if outcome["error"].strip() else [f"{name} failed without words"]


def safety_sets(writer, game):
    """The files of whole _before-restore sets holding the saves as they were: a restore keeps
    the set it made even when it fails later."""
    if not isinstance(writer, w.RestoreWriter):
        return ()
    return tuple(f"backups/{folder.name}/{path}" for folder in fx.set_folders(game)
                 if folder.name.endswith("_before-restore") and not fx.set_problems(folder)
                 and fx.set_contents(folder) == writer.before
                 for path in [*fx.set_contents(folder), "manifest.sha256"])


def attempt(launcher, writer, timeout=120):
    try:
        return writer.finish(launcher, writer.begin(launcher), timeout)
    except (TimeoutError, LauncherEnded) as error:
        return {"ok": False, "error": "", "result": None, "no answer": repr(error)}


def full_disk(ctx):
    before, in_set, _ = fx.save_sets(MEGABYTES)
    swap = w.SwapWriter()
    # (writer, bytes left free, files that may change on failure)
    cases = [
        (w.SettingsWriter("saveSettings", w.SETTINGS_ARGS, "settings"), 64 << 10, ()),
        (w.SettingsWriter("savePad", w.PAD_ARGS, "pad"), 64 << 10, ()),
        (w.BackupWriter(MEGABYTES), saved_size(before) // 2, ()),
        (w.RestoreWriter(MEGABYTES), saved_size(before) // 2, ()),
        (w.RestoreWriter(MEGABYTES), saved_size(before) + saved_size(in_set) // 2, ()),
        (w.FormatWriter(), fx.CARD_BYTES // 2, ()),
        (swap, 0, ()),
        # The drop stores the image in myr.ini before the files are copied.
        (w.ExtractWriter(ctx.image, ctx.digests), 256 << 10, ("myr.ini",)),
    ]
    failed_before = ctx.failed
    for number, (writer, leave, may_change) in enumerate(cases, 1):
        name = f"{writer.name} with {leave >> 10} KiB free"
        problems = []
        with mounted(ctx.root / "full" / str(number), "-t", "tmpfs", "-o", f"size={DISK}", "tmpfs") as disk:
            game = disk / "game"
            ctx.make_game(game, ctx.launcher_exe)
            writer.prepare(game)
            launcher = ctx.start(game)
            with answering(launcher, problems):
                problems += [] if launcher.request("init").get("ok") else ["init failed"]
                digests = fx.tree_digests(game)
                fill(disk, leave)
                outcome = attempt(launcher, writer)
                problems += [outcome["no answer"]] if "no answer" in outcome else []
                if writer is swap and outcome["ok"]:
                    # Renaming needs no room: a swap may well succeed, but it must lose nothing.
                    print(f"  full disk, {name}: ok", flush=True)
                    problems += writer.judge(game, None, None)[1]
                else:
                    problems += words("full disk", name, outcome)
                    problems += fx.tree_changes(digests, fx.tree_digests(game), may_change + safety_sets(writer, game))
                    problems += fx.disc_problems(game, ctx.digests)
                saves = launcher.request("saves")
                problems += [] if saves.get("ok") else [f"saves on the full disk failed: {saves.get('error')}"]
        ctx.case(f"full disk, {name}", problems)
    print(f"full disk: {len(cases)} commands on a {DISK} disk, {ctx.failed - failed_before} failed", flush=True)


def read_only_game(ctx):
    """The whole game folder read-only: every writer fails in words."""
    before = fx.save_sets(MEGABYTES)[0]
    source = ctx.root / "read-only" / "game"
    ctx.make_game(source, ctx.launcher_exe)
    fx.put_files(source, before)
    fx.put_files(source, {"memcards/Mcd002.ps2": fx.blank_card()})
    fx.write_set(source, w.SET_NAME, fx.save_sets(MEGABYTES)[1])
    w.SwapWriter().prepare(source)
    # Loose entries only: every one of them must count as not deleted.
    fx.put_files(source / "shadercache", {f"entry-{i}.bin": fx.noise(4096, i) for i in range(5)})
    # The stored image makes init start an extraction, which cannot create disc\.
    settings = fx.settings_text() + f"[Game]\r\nIso={windows_path(ctx.image)}\r\n".encode()
    (source / "myr.ini").write_bytes(settings)
    digests = fx.tree_digests(source)
    requests = [("saveSettings", w.SETTINGS_ARGS), ("savePad", w.PAD_ARGS), ("backup", None),
                ("restore", {"name": w.SET_NAME}), ("formatCard", {"slot": 2}),
                ("swapSystem", {"file": w.KEPT_ASIDE}), ("clearCache", None)]
    failed_before = ctx.failed
    with read_only(source) as game:
        launcher = ctx.start(game)
        try:
            init = launcher.request("init")
            problems = [] if init.get("ok") else [f"init failed: {init.get('error')}"]
            extraction = w.ExtractWriter.extraction_end(launcher, init.get("result", {}).get("disc", {}), 60)
            ctx.case("read-only game folder, extraction at start",
                     problems + words("read-only game folder", "extraction", extraction))
            dropped = attempt(launcher, w.ExtractWriter(ctx.image, ctx.digests))
            ctx.case("read-only game folder, dropping the image", words("read-only game folder", "drop", dropped))
            for command, args in requests:
                outcome = w.outcome_of(launcher.request(command, args))
                ctx.case(f"read-only game folder, {command}", words("read-only game folder", command, outcome))
            problems = [] if (code := launcher.close()) == 0 else [f"the launcher ended with {code}"]
        except (TimeoutError, LauncherEnded) as error:
            problems = [f"no answer: {error!r}"]
        finally:
            launcher.ensure_gone()
    ctx.case("read-only game folder, nothing changed", problems + fx.tree_changes(digests, fx.tree_digests(source)))
    print(f"read-only game folder: {len(requests) + 2} commands, {ctx.failed - failed_before} failed", flush=True)


def read_only_backups(ctx):
    """backups\\ read-only: backup and restore fail in words and change nothing; the writers that
    never touch backups\\ still work."""
    before, in_set, _ = fx.save_sets(MEGABYTES)
    game = ctx.root / "read-only-backups" / "game"
    ctx.make_game(game, ctx.launcher_exe)
    fx.put_files(game, before)
    fx.write_set(game, w.SET_NAME, in_set)
    w.SwapWriter().prepare(game)
    failed_before, passed_before = ctx.failed, ctx.passed
    with read_only(game / "backups"):
        launcher = ctx.start(game)
        try:
            def refused(title, command, args):
                digests = fx.tree_digests(game)
                outcome = w.outcome_of(launcher.request(command, args))
                problems = words("read-only backups", title, outcome)
                ctx.case(f"read-only backups, {title}", problems + fx.tree_changes(digests, fx.tree_digests(game)))

            refused("backup", "backup", None)
            refused("restore", "restore", {"name": w.SET_NAME})
            for top in ("memcards", "savedata", "states"):
                shutil.rmtree(game / top)
            # With no saves there is no safety set to make: the restore stages the set and must
            # take it all back when it cannot note what it is doing.
            refused("restore with no current saves", "restore", {"name": w.SET_NAME})
            fx.put_files(game, {"memcards/Mcd002.ps2": fx.blank_card()})
            w.SwapWriter().prepare(game)
            for command, args in (("formatCard", {"slot": 2}), ("swapSystem", {"file": w.KEPT_ASIDE})):
                outcome = w.outcome_of(launcher.request(command, args))
                ctx.case(f"read-only backups, {command} works beside it", w.failed(outcome, command))
            problems = [] if (code := launcher.close()) == 0 else [f"the launcher ended with {code}"]
        except (TimeoutError, LauncherEnded) as error:
            problems = [f"no answer: {error!r}"]
        finally:
            launcher.ensure_gone()
    if problems:
        ctx.case("read-only backups, the launcher", problems)
    cases = ctx.failed + ctx.passed - failed_before - passed_before
    print(f"read-only backups: {cases} commands, {ctx.failed - failed_before} failed", flush=True)
