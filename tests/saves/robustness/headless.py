"""The real launcher as a process with its headless page: requests in, replies and events out,
and a hard end (SIGKILL) at any moment."""

import contextlib
import json
import os
import queue
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "support"))
from wine_session import windows_path  # noqa: E402,F401  (for the other modules too)

REPLY_TIMEOUT = 60


class LauncherEnded(Exception):
    pass


def make_game_folder(folder, launcher_exe, page_folder):
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(launcher_exe, folder / "myr_launcher.exe")
    shutil.copytree(page_folder, folder / "launcher-ui")


class Launcher:
    """One run of game/myr_launcher.exe. cwd stays outside the game folder: Wine's desktop process,
    started by the first window of a session, keeps its starter's folder as its own."""

    def __init__(self, game, cwd, environment=None):
        self.game = Path(game)
        env = dict(os.environ, MYR_LAUNCHER_BROWSER="stdio")
        for name in ("MYR_ISO", "MYR_LAUNCHER_PAUSE_AT", "MYR_LAUNCHER_PAUSED", "ZEVR_DATA_DIR"):
            env.pop(name, None)
        env.update(environment or {})
        self.stderr = open(Path(cwd) / "launcher-stderr.txt", "ab")
        self.process = subprocess.Popen(["wine", str(self.game / "myr_launcher.exe")], cwd=cwd, env=env,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.stderr)
        self.messages = queue.Queue()
        self.events = []
        self.next_id = 1
        # When set, watch(message, arrival) takes every message instead of the queue: arrival is
        # time.monotonic() as the line was read, so a benchmark's timing leaves out its own queueing.
        self.watch = None
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            arrival = time.monotonic()
            try:
                message = json.loads(line)
            except ValueError:
                message = {"unparsed": line.decode(errors="replace")}
            watch = self.watch
            if watch is not None:
                watch(message, arrival)
            else:
                self.messages.put(message)
        self.process.stdout.close()
        self.messages.put(None)

    def _next_message(self, deadline):
        try:
            message = self.messages.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            raise TimeoutError from None
        if message is None:
            self.messages.put(None)
            raise LauncherEnded(f"the launcher ended (exit {self.process.poll()})")
        return message

    def send_line(self, text):
        self.process.stdin.write(text.encode() + b"\n")
        self.process.stdin.flush()

    def send(self, cmd, args=None):
        """Sends a request; its id."""
        ident = self.next_id
        self.next_id += 1
        request = {"id": ident, "cmd": cmd}
        if args is not None:
            request["args"] = args
        self.send_line(json.dumps(request))
        return ident

    def reply(self, ident, timeout=REPLY_TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            message = self._next_message(deadline)
            if message.get("id") == ident:
                return message
            if "event" in message:
                self.events.append(message)

    def request(self, cmd, args=None, timeout=REPLY_TIMEOUT):
        return self.reply(self.send(cmd, args), timeout)

    def event(self, name, accept=lambda data: True, timeout=REPLY_TIMEOUT):
        """The first event of that name whose data passes accept, seen before or after this call."""
        for i, message in enumerate(self.events):
            if message.get("event") == name and accept(message.get("data")):
                del self.events[: i + 1]
                return message["data"]
        deadline = time.monotonic() + timeout
        while True:
            message = self._next_message(deadline)
            if message.get("event") == name and accept(message.get("data")):
                return message["data"]
            if "event" in message:
                self.events.append(message)

    def _end_input(self):
        try:
            self.process.stdin.close()
        except BrokenPipeError:
            pass

    def kill(self):
        """SIGKILL: under Wine the Unix process is the Windows process, threads and all."""
        os.kill(self.process.pid, signal.SIGKILL)
        self.process.wait(timeout=30)
        self._end_input()
        self.stderr.close()

    def close(self, timeout=60):
        """Ends the page's input; the exit code."""
        self._end_input()
        try:
            return self.process.wait(timeout=timeout)
        finally:
            self.stderr.close()

    def ensure_gone(self):
        if self.process.poll() is None:
            self.kill()


@contextlib.contextmanager
def answering(launcher, problems, ended="the launcher ended", no_answer="no answer"):
    """The body's requests to a launcher that must then end with 0 when its input closes; a
    launcher that stops answering is a problem too, and it is gone afterwards whatever happened."""
    try:
        yield launcher
        if (code := launcher.close()) != 0:
            problems.append(f"{ended} with {code}")
    except (TimeoutError, LauncherEnded) as error:
        problems.append(f"{no_answer}: {error!r}")
    finally:
        launcher.ensure_gone()
