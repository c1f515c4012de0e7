"""Game folder contents made for the sweeps, and independent readings of what the launcher leaves."""

import hashlib
import os
import random
import subprocess
from pathlib import Path

CARD_BYTES = 8650752
CARD_PAGE = 528
CARD_HEADER = b"Sony PS2 Memory Card Format "
# Cluster 41, the root folder's two entries: the only pages that carry the time of formatting.
CARD_DATED_PAGES = range(82, 84)
SAVE_DATA = "savedata/QXUS-40404"
TEMPORARY_ENDINGS = (".tmp", ".import-tmp")
BOOT_FILE = "QXUS_404.04"


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def put_files(game, files):
    for path, data in files.items():
        target = Path(game, path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)


def save_sets(megabytes):
    """The saves as they are (before) and as a set holds them: two cards, save data, states."""
    size = megabytes << 20
    before = {
        "memcards/Mcd001.ps2": noise(size // 3, 1),
        "memcards/Mcd002.ps2": noise(size // 3, 2),
        f"{SAVE_DATA}/save-001.myrsave": noise(size // 12, 3),
        f"{SAVE_DATA}/save-001.json": b'{"place":"before"}',
        f"{SAVE_DATA}/save-002.myrsave": noise(size // 24, 4),
        "states/slot-a.state": noise(size // 6, 5),
    }
    in_set = {
        "memcards/Mcd001.ps2": noise(size // 3, 11),
        f"{SAVE_DATA}/save-001.myrsave": noise(size // 12, 13),
        f"{SAVE_DATA}/save-003.myrsave": noise(size // 24, 14),
        "states/slot-b.state": noise(size // 6, 15),
    }
    # A restore keeps cards and states it does not hold; the port's save data becomes the set's.
    restored = {path: data for path, data in before.items() if not path.startswith(SAVE_DATA + "/")}
    restored.update(in_set)
    return before, in_set, restored


def write_set(game, name, files):
    """A backup set as the common checksum tool would check it."""
    folder = Path(game, "backups", name)
    put_files(folder, files)
    manifest = "".join(f"{sha256(data)}  {path}\n" for path, data in files.items())
    (folder / "manifest.sha256").write_text(manifest)
    return folder


def is_temporary(path):
    return str(path).endswith(TEMPORARY_ENDINGS)


def saves_now(game):
    """relative path -> bytes of every save file under its final name."""
    found = {}
    for top in ("memcards", "savedata", "states"):
        base = Path(game, top)
        if not base.is_dir():
            continue
        for path in base.rglob("*"):
            if path.is_file() and not is_temporary(path.name):
                found[path.relative_to(game).as_posix()] = path.read_bytes()
    return found


def tree_digests(folder, skip=("logs",)):
    """relative path -> SHA-256 of every file, apart from the top folders in skip."""
    found = {}
    for path in Path(folder).rglob("*"):
        relative = path.relative_to(folder)
        if relative.parts[0] in skip or not path.is_file():
            continue
        found[relative.as_posix()] = sha256(path.read_bytes())
    return found


def tree_changes(before, after, may_change=()):
    """Words for every file that appeared, went or changed between two tree_digests."""
    changes = [(path, f"new file {path}") for path in after.keys() - before.keys()]
    changes += [(path, f"{path} is gone") for path in before.keys() - after.keys()]
    changes += [(path, f"{path} changed") for path in before.keys() & after.keys() if before[path] != after[path]]
    return [words for path, words in sorted(changes) if path not in may_change]


def set_folders(game):
    """Folders of backups\\ under a final name (anything but a .partial one)."""
    backups = Path(game, "backups")
    if not backups.is_dir():
        return []
    return sorted(p for p in backups.iterdir() if p.is_dir() and not p.name.endswith(".partial"))


def set_problems(folder):
    """Why a folder under a set's final name is not a whole set; empty when it is one."""
    if not (folder / "manifest.sha256").is_file():
        return [f"{folder.name} has no manifest.sha256"]
    check = subprocess.run(["sha256sum", "-c", "--strict", "--quiet", "manifest.sha256"], cwd=folder,
                           capture_output=True, text=True)
    problems = []
    if check.returncode != 0:
        problems.append(f"{folder.name}: sha256sum -c: {(check.stdout + check.stderr).strip()}")
    listed = {line[66:] for line in (folder / "manifest.sha256").read_text().splitlines() if line}
    present = {p.relative_to(folder).as_posix() for p in folder.rglob("*") if p.is_file()} - {"manifest.sha256"}
    if present != listed:
        problems.append(f"{folder.name} holds files its manifest does not list: {sorted(present - listed)}")
    return problems


def set_contents(folder):
    return {p.relative_to(folder).as_posix(): p.read_bytes() for p in folder.rglob("*")
            if p.is_file() and p.name != "manifest.sha256"}


def blank_card():
    return b"\xff" * CARD_BYTES


def undated(card):
    """A card image without the pages that carry the time of formatting."""
    pages = bytearray(card)
    for page in CARD_DATED_PAGES:
        pages[page * CARD_PAGE:(page + 1) * CARD_PAGE] = bytes(CARD_PAGE)
    return bytes(pages)


def card_state(data, formatted_reference=None):
    """"blank", "formatted" (like the reference apart from its date) or what else it is."""
    if data == blank_card():
        return "blank"
    if len(data) != CARD_BYTES:
        return f"{len(data)} bytes long"
    if not data.startswith(CARD_HEADER):
        return "neither blank nor formatted"
    if formatted_reference is not None and undated(data) != undated(formatted_reference):
        return "a formatted header over other pages"
    return "formatted"


def system_save(seed, size=4096):
    return b"MYRSAVE\0" + noise(size - 8, seed)


def system_files(game):
    """Sorted contents of system.myrsave and every kept-aside file: what a swap must never lose."""
    folder = Path(game, SAVE_DATA)
    files = [folder / "system.myrsave"] + sorted(folder.glob("*.parked"))
    return sorted(p.read_bytes() for p in files if p.is_file())


def read_digest_list(path):
    """name -> SHA-1 from the launcher's list of game files (sha1sum form, boot file last)."""
    table = {}
    for line in Path(path).read_text().splitlines():
        if line.strip():
            digest, name = line.split("  ", 1)
            table[name] = digest
    return table


def disc_problems(game, digests):
    """A file of the game under its final name is whole, and the boot file means all eleven are."""
    folder = Path(game, "disc")
    problems = []
    for name, digest in digests.items():
        path = folder / name
        if path.is_file() and hashlib.sha1(path.read_bytes()).hexdigest() != digest:
            problems.append(f"disc/{name} is there but not whole ({path.stat().st_size} bytes)")
    if (folder / BOOT_FILE).exists():
        missing = [name for name in digests if not (folder / name).is_file()]
        if missing:
            problems.append(f"disc/{BOOT_FILE} is there without {', '.join(missing)}")
    return problems


def disc_complete(game, digests):
    folder = Path(game, "disc")
    return all((folder / name).is_file() for name in digests) and not disc_problems(game, digests)


def settings_text(notes=3000):
    """A myr.ini a player edited by hand: comments, known and unknown sections, a long tail."""
    lines = ["; kept by hand", "[Display]", "Scale=2", "Aspect=16:9", "", "[Audio]", "Mute=0", "[Notes]"]
    lines += [f"Note{i}=a line the player keeps in the file, number {i}" for i in range(notes)]
    return ("\r\n".join(lines) + "\r\n").encode()


def cache_tree():
    """relative path under shadercache -> bytes: loose entries and folders of entries."""
    files = {f"entry-{i:03}.bin": noise(12 * 1024, 100 + i) for i in range(40)}
    for folder in range(3):
        for i in range(40):
            files[f"pipeline-{folder}/part-{i:03}.bin"] = noise(12 * 1024, 1000 * folder + i)
    return files


SHELL_LINK_CLSID = bytes.fromhex("0114020000000000c000000000000046")
LINK_STRINGS = ((0x04, "description"), (0x08, "relative path"), (0x10, "working folder"), (0x20, "arguments"),
                (0x40, "icon"))


def shortcut_strings(data):
    """The strings of a whole shell link file (its published binary layout); ValueError when the
    file is cut short or holds more than its structures."""
    def need(end):
        if end > len(data):
            raise ValueError(f"cut short: {len(data)} bytes, a structure ends at {end}")

    need(0x4C)
    if int.from_bytes(data[0:4], "little") != 0x4C or data[4:20] != SHELL_LINK_CLSID:
        raise ValueError("no shell link header")
    flags = int.from_bytes(data[0x14:0x18], "little")
    at = 0x4C
    if flags & 0x01:  # the target's item list
        need(at + 2)
        at += 2 + int.from_bytes(data[at:at + 2], "little")
    if flags & 0x02:  # where the target lies
        need(at + 4)
        at += int.from_bytes(data[at:at + 4], "little")
    wide = 2 if flags & 0x80 else 1
    strings = {}
    for flag, name in LINK_STRINGS:
        if flags & flag:
            need(at + 2)
            count = int.from_bytes(data[at:at + 2], "little") * wide
            need(at + 2 + count)
            text = data[at + 2:at + 2 + count].decode("utf-16-le" if wide == 2 else "latin-1")
            strings[name] = text.rstrip("\0")  # some writers count the terminating zero
            at += 2 + count
    while True:  # extra blocks, up to the terminal one
        need(at + 4)
        size = int.from_bytes(data[at:at + 4], "little")
        if size < 4:
            at += 4
            break
        need(at + size)
        at += size
    if at != len(data):
        raise ValueError(f"{len(data) - at} bytes after the terminal block")
    return strings


def free_bytes(folder):
    stat = os.statvfs(folder)
    return stat.f_bavail * stat.f_frsize
