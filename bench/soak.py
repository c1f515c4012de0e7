#!/usr/bin/env python3
"""A soak of the real launcher through its headless page: mixed requests at a steady rate for a
long time, in cycles of a game run (the stand-in game floods its log; every read-only command and
saveSettings, with backup and restore, which must be refused) and a pause between runs (the same
commands, with backups and restores far more often than any player makes them). Every 10 s it
samples the launcher's resident memory, handles and threads. Run by bench/soak.sh inside a Wine
session.

usage: soak.py <game folder> <demo image> <process_counts.exe> [--seconds 600] [--rate 1000]
               [--plot file.svg] [--json file.json]
"""

import argparse
import bisect
import json
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter, defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "saves" / "robustness"))
sys.path.insert(0, str(ROOT / "tests" / "support"))
sys.path.insert(0, str(ROOT / "tools"))
import fixtures as fx  # noqa: E402
import make_icon  # noqa: E402
from headless import Launcher, make_game_folder, windows_path  # noqa: E402
from wine_session import until  # noqa: E402

SAMPLE_EVERY = 10.0
# How long the end waits for replies before it closes the launcher's input (which ends it).
DRAIN_SECONDS = 300
THUMB_SLOTS = range(1, 7)
# Read-only commands and saveSettings, with their arguments; "thumb" asks for slots with and
# without a picture.
ARGUMENTS = {
    "init": None,
    "saves": None,
    "cacheInfo": None,
    "disc": None,
    "ready": None,
    "thumb": lambda rng: {"slot": rng.choice([*THUMB_SLOTS, 99])},
    "saveSettings": lambda rng: {"values": {"Display.FrameRate": rng.choice(["60", "120"]),
                                            "Display.Scale": rng.choice(["2", "3", "4"])}},
}
# Shares of the stream (per mille), weighted towards what a page asks often and cheaply.
DEFAULT_MIX = "ready=650,thumb=200,disc=120,init=12,saveSettings=12,cacheInfo=5,saves=1"
BACKUP_EVERY = 0.5
RESTORE_EVERY = 3.0
# Sets beyond these many (newest kept) are deleted at the start of each run, as a player tidies up,
# so that the disk does not fill with hundreds of copies of the saves.
KEPT_SETS = 12
SET_NAME = re.compile(r"\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_[0-9a-z-]{1,28})?")
# Refusals that the soak makes happen on purpose; any other error is a finding.
EXPECTED_REFUSALS = {
    "backup": ("Close the game first", "Another file operation is still running."),
    "restore": ("Close the game first", "Another file operation is still running."),
    # Asked again until it starts: a backup of the pause may still be running.
    "play": ("Wait until the file operation has finished.",),
}


def prepare(game, out_game, scratch):
    make_game_folder(game, out_game / "myr_launcher.exe", out_game / "launcher-ui")
    shutil.copy(out_game / "myr.exe", game / "myr.exe")
    cards = scratch / "cards"
    subprocess.run([sys.executable, str(ROOT / "tests" / "saves" / "make_cards.py"), str(cards)], check=True)
    picture = make_icon.png(64, make_icon.render(64))
    files = {"memcards/Mcd001.ps2": (cards / "saves.ps2").read_bytes(),
             "memcards/Mcd002.ps2": (cards / "formatted.ps2").read_bytes(),
             "states/quick.state": fx.noise(1 << 20, 7)}
    for slot in THUMB_SLOTS:
        files[f"{fx.SAVE_DATA}/save-{slot:03}.myrsave"] = fx.noise(96 << 10, slot)
        files[f"{fx.SAVE_DATA}/save-{slot:03}.json"] = json.dumps({"place": f"Place {slot}", "playTime": 3600 * slot}).encode()
        files[f"{fx.SAVE_DATA}/save-{slot:03}.png"] = picture
    fx.put_files(game, files)
    return sum(len(data) for data in files.values())


def backup_sets(game):
    folder = game / "backups"
    if not folder.is_dir():
        return []
    return sorted(p.name for p in folder.iterdir()
                  if p.is_dir() and SET_NAME.fullmatch(p.name) and (p / "manifest.sha256").is_file())


def prune_sets(game):
    for name in backup_sets(game)[:-KEPT_SETS]:
        shutil.rmtree(game / "backups" / name, ignore_errors=True)


# Requests of each command sent at once, to see what one costs the launcher.
CALIBRATION = {"ready": 2000, "thumb": 1000, "disc": 1000, "init": 300, "saveSettings": 300, "cacheInfo": 300,
               "saves": 30}


def calibrate(launcher):
    """Seconds per request of each command in a burst of that command alone, with no game running."""
    rng = random.Random(2)
    done = set()
    changed = threading.Condition()

    def watch(message, _):
        if "id" in message:
            with changed:
                done.add(message["id"])
                changed.notify_all()
    launcher.watch = watch
    costs = {}
    for command, count in CALIBRATION.items():
        make_args = ARGUMENTS[command]
        start = time.monotonic()
        ids = [launcher.send(command, make_args(rng) if make_args else None) for _ in range(count)]
        with changed:
            if not changed.wait_for(lambda: done.issuperset(ids), timeout=300):
                raise RuntimeError(f"a burst of {command} was not answered")
        costs[command] = (time.monotonic() - start) / count
    return costs


def percentile(values, fraction):
    if not values:
        return float("nan")
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


class Record:
    """Every request sent and every reply seen, from the sending thread and the launcher's reader."""

    def __init__(self, start):
        self.start = start
        self.lock = threading.Lock()
        self.sent = {}  # id -> (command, phase, time sent)
        self.replies = Counter()
        self.latency = {}  # id -> seconds, of the first reply
        self.outcomes = defaultdict(Counter)  # command -> "ok" or the error's text -> count
        self.unknown = 0
        self.events = Counter()
        self.log_lines = 0
        self.log_dropped = 0
        self.game_running = False
        self.play_failed = False

    def sending(self, ident, command, phase, due):
        """due: when the steady rate asked for the request; a launcher that holds the page back
        delays the sending, and that delay counts in the reply time."""
        with self.lock:
            self.sent[ident] = (command, phase, min(due, time.monotonic()))

    def watch(self, message, arrival):
        if "event" in message:
            name = message["event"]
            self.events[name] += 1
            data = message.get("data") or {}
            if name == "log":
                self.log_lines += len(data.get("lines", []))
                self.log_dropped += int(data.get("dropped", 0))
            elif name == "gameStarted":
                self.game_running = True
            elif name == "gameExited":
                self.game_running = False
            return
        ident = message.get("id")
        with self.lock:
            request = self.sent.get(ident)
            if request is None:
                self.unknown += 1
                return
            self.replies[ident] += 1
            if self.replies[ident] > 1:
                return
            command, _, sent_at = request
            self.latency[ident] = arrival - sent_at
        if message.get("ok"):
            outcome = "ok"
        else:
            outcome = str(message.get("error"))
        self.outcomes[command][outcome] += 1
        if command == "play" and outcome != "ok":
            self.play_failed = True

    def answered(self):
        with self.lock:
            return len(self.replies), len(self.sent)


def proc_status(pid):
    fields = {}
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        name, _, value = line.partition(":")
        fields[name] = value.split()
    # utime and stime, after the command name (which may hold blanks) and its closing parenthesis.
    stat = Path(f"/proc/{pid}/stat").read_text().rpartition(")")[2].split()
    return {"rssKiB": int(fields["VmRSS"][0]), "linuxThreads": int(fields["Threads"][0]),
            "fds": len(list(Path(f"/proc/{pid}/fd").iterdir())),
            "cpuSeconds": (int(stat[11]) + int(stat[12])) / os.sysconf("SC_CLK_TCK"),
            "loadAverage": os.getloadavg()[0]}


def windows_counts(probe, windows_pid):
    done = subprocess.run(["wine", str(probe), str(windows_pid)], capture_output=True, text=True, timeout=60)
    line = json.loads(done.stdout.strip().splitlines()[-1])
    if "error" in line:
        raise RuntimeError(f"process_counts: error {line['error']} for process {windows_pid}")
    return line


def find_windows_pid(probe, game):
    """The launcher's Windows process id: the one running our copy of myr_launcher.exe."""
    wanted = windows_path(game / "myr_launcher.exe").lower()

    def look():
        done = subprocess.run(["wine", str(probe), "--find", "myr_launcher.exe"], capture_output=True, text=True,
                              timeout=60)
        found = [json.loads(line) for line in done.stdout.splitlines() if line.strip()]
        return [p["pid"] for p in found if p["image"].lower() == wanted]
    [pid] = until(look, "the launcher in the process list")
    return int(pid)


def check_linux_pid(pid):
    """Under Wine the Unix process that `wine` became is the Windows process: its command line names the program."""
    command_line = Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
    if "myr_launcher.exe" not in command_line:
        raise RuntimeError(f"process {pid} is not the launcher: {command_line}")
    return command_line


class Sampler(threading.Thread):
    def __init__(self, record, linux_pid, windows_pid, probe, seconds, phase_at):
        super().__init__(daemon=True)
        self.record, self.linux_pid, self.windows_pid, self.probe = record, linux_pid, windows_pid, probe
        self.seconds, self.phase_at = seconds, phase_at
        self.samples = []
        self.failure = None

    def run(self):
        try:
            for n in range(int(self.seconds // SAMPLE_EVERY) + 1):
                wait = self.record.start + n * SAMPLE_EVERY - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
                self.take(n * SAMPLE_EVERY)
        except Exception as error:  # noqa: BLE001 (reported by the main thread)
            self.failure = error

    def take(self, at):
        answered, sent = self.record.answered()
        sample = {"t": at, "phase": self.phase_at(at), "sent": sent, "outstanding": sent - answered}
        sample.update(proc_status(self.linux_pid))
        counts = windows_counts(self.probe, self.windows_pid)
        sample.update(handles=counts["handles"], handleTable=counts["handleTable"], threads=counts["threads"],
                      workingSetKiB=counts["workingSet"] // 1024, privateKiB=counts["pagefile"] // 1024)
        previous = self.samples[-1] if self.samples else None
        sample["cpuPercent"] = (100 * (sample["cpuSeconds"] - previous["cpuSeconds"]) / (at - previous["t"])
                                if previous else 0.0)
        self.samples.append(sample)
        print(f"t={at:5.0f}s {sample['phase']:4} rss {sample['rssKiB'] / 1024:7.1f} MiB  working set"
              f" {sample['workingSetKiB'] / 1024:7.1f} MiB  private {sample['privateKiB'] / 1024:7.1f} MiB  handles"
              f" {sample['handles']:5} (table {sample['handleTable']:5})  threads {sample['threads']:3} (Linux {sample['linuxThreads']:3})  fds"
              f" {sample['fds']:4}  CPU {sample['cpuPercent']:3.0f} %  sent {sent:7}  outstanding {sample['outstanding']:5}"
              f"  machine load {sample['loadAverage']:.1f}", flush=True)


class Soak:
    def __init__(self, launcher, game, record, args):
        self.launcher, self.game, self.record, self.args = launcher, game, record, args
        self.rng = random.Random(1)
        self.cycle = args.run_seconds + args.idle_seconds
        self.commands = list(args.mix)
        self.weights = [args.mix[c] for c in self.commands]

    def phase_at(self, elapsed):
        return "run" if elapsed % self.cycle < self.args.run_seconds else "idle"

    def send(self, command, args, phase, due=math.inf):
        self.record.sending(self.launcher.next_id, command, phase, due)
        self.launcher.send(command, args)

    def run(self):
        record, args = self.record, self.args
        phase = None
        sent = 0
        next_backup = next_restore = 0.0
        next_play = 0.0
        pruned = False
        restoring = False
        while True:
            elapsed = time.monotonic() - record.start
            if elapsed >= args.seconds:
                break
            now_phase = self.phase_at(elapsed)
            if now_phase != phase:
                phase = now_phase
                if phase == "run":
                    record.play_failed = False
                    self.send("play", None, phase)
                    next_play = elapsed + 0.2
                    pruned = False
                else:
                    self.send("stop", None, phase)
            if phase == "run" and not record.game_running and record.play_failed and elapsed >= next_play:
                # A backup of the pause may still run, and play waits for it.
                record.play_failed = False
                self.send("play", None, phase)
                next_play = elapsed + 0.2
            if phase == "run" and record.game_running and not pruned:
                prune_sets(self.game)
                pruned = True
            for _ in range(int(elapsed * args.rate) - sent):
                due = record.start + sent / args.rate
                # The rarer restore first, and no backup just before it, so that backups do not
                # always hold the file operations when a restore is due.
                if elapsed >= next_restore and (sets := backup_sets(self.game)):
                    next_restore = elapsed + RESTORE_EVERY
                    restoring = True
                    self.send("restore", {"name": self.rng.choice(sets)}, phase, due)
                elif elapsed >= next_backup and not (restoring and next_restore - elapsed <= BACKUP_EVERY):
                    next_backup = elapsed + BACKUP_EVERY
                    self.send("backup", None, phase, due)
                else:
                    [command] = self.rng.choices(self.commands, self.weights)
                    make_args = ARGUMENTS[command]
                    self.send(command, make_args(self.rng) if make_args else None, phase, due)
                sent += 1
            time.sleep(0.001)
        self.send("stop", None, "idle")


def latency_table(record):
    by_command = defaultdict(list)
    ready = defaultdict(list)
    for ident, seconds in record.latency.items():
        command, phase, _ = record.sent[ident]
        by_command[command].append(seconds * 1000)
        if command == "ready":
            ready[phase].append(seconds * 1000)
    return by_command, ready


def growth(samples, warmup, cycle, key):
    """The highest value of the first whole cycle after the warm-up and of the last cycle, the
    highest after the warm-up, and the growth from the first to the last: samples in one cycle
    fall in the game run and in the pause alike, so the two compare like with like."""
    after = [s for s in samples if s["t"] >= warmup]
    if not after:
        return None
    first = max(s[key] for s in after if s["t"] < after[0]["t"] + cycle)
    last = max(s[key] for s in after if s["t"] > after[-1]["t"] - cycle)
    peak = max(s[key] for s in after)
    return first, last, peak, (last - first) * 100.0 / first if first else float("nan")


def svg_plot(samples, ready_windows, soak, seconds, warmup, path):
    """Four small panels over time: memory, handles, threads and the p99 of "ready" (log scale,
    with the 50 ms goal); game runs shaded."""
    width, left, right, panel, gap, top = 760, 60, 20, 110, 44, 34
    plot_width = width - left - right
    panels = [
        ("resident memory (MiB)", [("Linux RSS", "#1f6fb2", [(s["t"], s["rssKiB"] / 1024) for s in samples]),
                                   ("working set", "#d9822b", [(s["t"], s["workingSetKiB"] / 1024) for s in samples]),
                                   ("private", "#6a3d9a", [(s["t"], s["privateKiB"] / 1024) for s in samples])]),
        ("handles", [("open handles", "#1f6fb2", [(s["t"], s["handles"]) for s in samples])]),
        ("threads", [("Windows", "#1f6fb2", [(s["t"], s["threads"]) for s in samples]),
                     ("Linux", "#d9822b", [(s["t"], s["linuxThreads"]) for s in samples])]),
        ("p99 of \u201cready\u201d per 10 s (ms, log scale)", [("p99", "#b22222", ready_windows)]),
    ]
    height = top + len(panels) * (panel + gap)
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'font-family="sans-serif" font-size="11">',
           f'<rect width="{width}" height="{height}" fill="white" stroke="none"/>',
           f'<text x="{left}" y="16" font-size="13">Launcher soak, {seconds:.0f} s at {soak.args.rate:.0f} requests/s;'
           f' grey: game running and flooding its log; dashed: end of warm-up</text>']

    def x_of(t):
        return left + plot_width * t / seconds

    for index, (title, series) in enumerate(panels):
        y0 = top + index * (panel + gap) + 14
        logarithmic = index == len(panels) - 1
        values = [v for _, _, points in series for _, v in points if v == v]
        if logarithmic:
            low, high = -1.0, math.log10(max(values + [100])) + 0.2

            def y_of(v, y0=y0, low=low, high=high):
                return y0 + panel - panel * (math.log10(max(v, 10 ** low)) - low) / (high - low)
            ticks = [(10.0 ** k, f"{10 ** k:g}") for k in range(0, int(high) + 1)]
        else:
            high = max(values + [1]) * 1.15

            def y_of(v, y0=y0, high=high):
                return y0 + panel - panel * v / high
            ticks = [(high * f, f"{high * f:.0f}") for f in (0, 0.5, 1)]
        out.append(f'<text x="{left}" y="{y0 - 5}">{title}</text>')
        for start in range(0, int(seconds), soak.cycle):
            end = min(seconds, start + soak.args.run_seconds)
            out.append(f'<rect x="{x_of(start):.1f}" y="{y0}" width="{x_of(end) - x_of(start):.1f}" height="{panel}" '
                       f'fill="#e8e8e8" stroke="none"/>')
        out.append(f'<rect x="{left}" y="{y0}" width="{plot_width}" height="{panel}" fill="none" stroke="#888"/>')
        out.append(f'<line x1="{x_of(warmup):.1f}" y1="{y0}" x2="{x_of(warmup):.1f}" y2="{y0 + panel}" '
                   f'stroke="#444" stroke-dasharray="4 3"/>')
        for value, label in ticks:
            y = y_of(value)
            out.append(f'<text x="{left - 6}" y="{y + 4:.1f}" text-anchor="end">{label}</text>')
            out.append(f'<line x1="{left}" y1="{y:.1f}" x2="{left + 4}" y2="{y:.1f}" stroke="#888"/>')
        if logarithmic:
            goal = y_of(50)
            out.append(f'<line x1="{left}" y1="{goal:.1f}" x2="{left + plot_width}" y2="{goal:.1f}" stroke="#b22222" '
                       f'stroke-dasharray="2 3"/>')
            out.append(f'<text x="{left + 6}" y="{goal - 3:.1f}" fill="#b22222">goal 50 ms</text>')
        legend_x = left + plot_width
        for label, colour, points in reversed(series):
            legend_x -= 7 * len(label) + 30
            out.append(f'<line x1="{legend_x}" y1="{y0 - 9}" x2="{legend_x + 18}" y2="{y0 - 9}" stroke="{colour}" '
                       f'stroke-width="2"/>')
            out.append(f'<text x="{legend_x + 22}" y="{y0 - 5}">{label}</text>')
            drawn = [(t, v) for t, v in points if v == v]
            if drawn:
                path_points = " ".join(f"{x_of(t):.1f},{y_of(v):.1f}" for t, v in drawn)
                out.append(f'<polyline points="{path_points}" fill="none" stroke="{colour}" stroke-width="1.6"/>')
        step = 60 if seconds > 120 else 10
        for t in range(0, int(seconds) + 1, step):
            out.append(f'<text x="{x_of(t):.1f}" y="{y0 + panel + 13}" text-anchor="middle">{t} s</text>')
    out.append("</svg>")
    Path(path).write_text("\n".join(out) + "\n")


def ready_p99_windows(record, seconds):
    windows = defaultdict(list)
    for ident, latency in record.latency.items():
        command, _, sent_at = record.sent[ident]
        if command == "ready":
            windows[int((sent_at - record.start) // SAMPLE_EVERY)].append(latency * 1000)
    return [((n + 0.5) * SAMPLE_EVERY, percentile(values, 0.99)) for n, values in sorted(windows.items())
            if (n + 0.5) * SAMPLE_EVERY <= seconds]


def report(record, samples, soak, args, costs):
    warmup = args.warmup
    answered = sum(1 for n in record.replies.values() if n >= 1)
    duplicates = sum(1 for n in record.replies.values() if n > 1)
    missing = [ident for ident in record.sent if record.replies[ident] == 0]
    elapsed = args.seconds
    print()
    print(f"load: {args.rate:.0f} requests/s for {elapsed:.0f} s, cycles of a {args.run_seconds:.0f} s game run"
          f" (stand-in flooding its log) and a {args.idle_seconds:.0f} s pause; a backup every {BACKUP_EVERY} s"
          f" and a restore every {RESTORE_EVERY} s (refused while the game runs)")
    print(f"the stand-in's flood: {'as fast as it can' if args.flood_rate == 0 else f'{args.flood_rate / 1e6:g} MB/s'}"
          f" of 64-byte lines")
    total = sum(args.mix.values())
    print("mix of the other requests: " + ", ".join(f"{c} {w * 100 / total:.1f} %" for c, w in args.mix.items()))
    asked = sum(args.rate * w / total * costs[c] for c, w in args.mix.items())
    print("launcher time per request in a burst of one command, no game running (ms): "
          + ", ".join(f"{c} {seconds * 1000:.2f}" for c, seconds in costs.items()))
    print(f"so the mix asks about {asked:.2f} s of launcher time per second (beside backups, restores and the flood)")
    print(f"requests: sent {len(record.sent)} ({len(record.sent) / elapsed:.0f} per second; the launcher holds"
          f" the page back when it falls behind), answered {answered}, answered twice or more {duplicates},"
          f" missing {len(missing)}, replies to unknown ids {record.unknown}")
    if missing:
        print("  missing: " + ", ".join(f"{i} ({record.sent[i][0]})" for i in missing[:20]))
    print(f"events: {dict(record.events)}; log lines {record.log_lines}, dropped by the launcher {record.log_dropped}")
    by_command, ready = latency_table(record)
    print("reply times (ms), whole run:")
    for command in sorted(by_command):
        values = by_command[command]
        print(f"  {command:13} n {len(values):7}  p50 {percentile(values, 0.5):8.2f}  p99 {percentile(values, 0.99):8.2f}"
              f"  max {max(values):8.1f}")
    for phase in ("run", "idle"):
        values = ready.get(phase, [])
        print(f'  "ready" while {"the game runs" if phase == "run" else "no game runs":14} n {len(values):7}'
              f"  p50 {percentile(values, 0.5):8.2f}  p99 {percentile(values, 0.99):8.2f}")
    all_ready = ready.get("run", []) + ready.get("idle", [])
    print(f'  "ready" all: p99 {percentile(all_ready, 0.99):.2f} ms (goal < 50 ms)')
    # Starting and ending the game holds the launcher's UI thread for a moment, and at this rate
    # hundreds of requests queue behind it.
    turns = sorted(sent_at for command, _, sent_at in record.sent.values() if command in ("play", "stop"))
    near, away = [], []
    for ident, seconds in record.latency.items():
        command, _, sent_at = record.sent[ident]
        if command == "ready":
            index = bisect.bisect_right(turns, sent_at) - 1
            (near if index >= 0 and sent_at - turns[index] < 1.0 else away).append(seconds * 1000)
    print(f'  "ready" within 1 s after a play or stop: n {len(near)}, p99 {percentile(near, 0.99):.2f} ms;'
          f' at other times: n {len(away)}, p99 {percentile(away, 0.99):.2f} ms')
    print("outcomes:")
    unexpected = 0
    for command in sorted(record.outcomes):
        for outcome, n in record.outcomes[command].most_common():
            expected = outcome == "ok" or outcome.startswith(EXPECTED_REFUSALS.get(command, ()))
            unexpected += 0 if expected else n
            print(f"  {command:13} {n:7}  {outcome[:110]}{'' if expected else '   <- unexpected'}")
    loads = [sample["loadAverage"] for sample in samples]
    cpu = [sample["cpuPercent"] for sample in samples[1:]]
    if loads and cpu:
        print(f"machine load average (1 min) during the soak: {min(loads):.1f} to {max(loads):.1f} on"
              f" {os.cpu_count()} processors; the launcher's CPU use per 10 s: {min(cpu):.0f} to {max(cpu):.0f} %")
    print(f"after a warm-up of {warmup:.0f} s (highest of the first {soak.cycle} s after it -> highest of the last"
          f" {soak.cycle} s; highest of all; growth):")
    results = {}
    for key, label, scale in (("rssKiB", "Linux RSS (MiB)", 1024), ("workingSetKiB", "working set (MiB)", 1024),
                              ("privateKiB", "private bytes (MiB)", 1024), ("handles", "handles", 1),
                              ("handleTable", "handle table size", 1),
                              ("threads", "Windows threads", 1), ("linuxThreads", "Linux threads", 1),
                              ("fds", "open descriptors", 1)):
        found = growth(samples, warmup, soak.cycle, key)
        if found:
            first, last, peak, percent = found
            results[key] = percent
            print(f"  {label:20} {first / scale:9.1f} -> {last / scale:9.1f}  (highest {peak / scale:9.1f})"
                  f"  {percent:+6.1f} %")
    return {"sent": len(record.sent), "answered": answered, "duplicates": duplicates, "missing": len(missing),
            "unknown": record.unknown, "unexpectedErrors": unexpected, "growth": results,
            "readyP99": percentile(all_ready, 0.99)}


def mix(text):
    shares = {}
    for part in text.split(","):
        name, _, weight = part.partition("=")
        if name not in ARGUMENTS:
            raise argparse.ArgumentTypeError(f"not a command of the mix: {name}")
        shares[name] = float(weight)
    return shares


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("game_folder", type=Path)
    parser.add_argument("image", type=Path)
    parser.add_argument("probe", type=Path)
    parser.add_argument("--seconds", type=float, default=600)
    parser.add_argument("--rate", type=float, default=1000, help="requests per second")
    parser.add_argument("--mix", type=mix, default=mix(DEFAULT_MIX),
                        help=f"command=weight,... (default {DEFAULT_MIX})")
    parser.add_argument("--flood-rate", type=int, default=8_000_000,
                        help="bytes per second the stand-in game prints while it runs (0: as fast as it can)")
    parser.add_argument("--run-seconds", type=int, default=20, help="length of each game run")
    parser.add_argument("--idle-seconds", type=int, default=10, help="length of each pause between runs")
    parser.add_argument("--warmup", type=float, default=None, help="default: 60 s, or a third of a shorter soak")
    parser.add_argument("--plot", type=Path, help="where to write the SVG plot")
    parser.add_argument("--json", type=Path, help="where to write the samples and the summary")
    args = parser.parse_args()
    if args.warmup is None:
        args.warmup = min(60.0, args.seconds / 3)

    scratch = Path(tempfile.mkdtemp(prefix="myr-soak-"))
    game = scratch / "game"
    saves_bytes = prepare(game, args.game_folder, scratch)
    print(f"game folder {game}: saves of {saves_bytes / 1e6:.1f} MB (two cards, six port saves with pictures,"
          f" a state)")
    # The stand-in floods until it is stopped: far more than a run can take.
    environment = {"MYR_ISO": windows_path(args.image), "STANDIN_FLOOD_BYTES": str(1 << 50),
                   "STANDIN_FLOOD_RATE": str(args.flood_rate)}
    launcher = Launcher(game, scratch, environment)
    try:
        if not launcher.request("init").get("ok"):
            raise RuntimeError("init failed")
        until(lambda: launcher.request("disc")["result"].get("discFolder"), "the demo disc to be extracted",
              timeout=180)
        linux_pid = launcher.process.pid
        command_line = check_linux_pid(linux_pid)
        windows_pid = find_windows_pid(args.probe, game)
        print(f"launcher: Linux process {linux_pid} ({command_line.strip()}), Windows process {windows_pid}")
        costs = calibrate(launcher)

        record = Record(time.monotonic())
        launcher.watch = record.watch
        soak = Soak(launcher, game, record, args)
        sampler = Sampler(record, linux_pid, windows_pid, args.probe, args.seconds, soak.phase_at)
        sampler.start()
        soak.run()
        sampler.join()
        if sampler.failure:
            raise sampler.failure
        try:
            until(lambda: record.answered()[0] == record.answered()[1], "every request to be answered",
                  timeout=DRAIN_SECONDS)
        except AssertionError:
            answered, sent = record.answered()
            print(f"{sent - answered} requests still unanswered {DRAIN_SECONDS} s after the last was sent")
    finally:
        try:
            exit_code = launcher.close(timeout=60)
        except subprocess.TimeoutExpired:
            launcher.kill()
            exit_code = "none: killed, still busy 60 s after its input ended"
    time.sleep(1)  # the reader's last lines
    summary = report(record, sampler.samples, soak, args, costs)
    print(f"launcher exit code {exit_code}")
    if args.plot:
        svg_plot(sampler.samples, ready_p99_windows(record, args.seconds), soak, args.seconds, args.warmup, args.plot)
        print(f"plot: {args.plot}")
    if args.json:
        slow = sorted((record.sent[i][2] - record.start, record.sent[i][0], latency * 1000)
                      for i, latency in record.latency.items() if latency > 0.05)
        args.json.write_text(json.dumps({"samples": sampler.samples, "summary": summary,
                                         "slowReplies": [{"t": round(t, 3), "command": c, "ms": round(ms, 1)}
                                                         for t, c, ms in slow]}, indent=1))
    shutil.rmtree(scratch, ignore_errors=True)


main()
