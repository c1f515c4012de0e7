"""Each writer ended by SIGKILL at moments spread over its work and at its pause points; the next
start of the launcher must find every file whole and finish or forget what was cut off."""

import time
from collections import Counter

import fixtures as fx
from file_watch import InPlaceWrites
from headless import LauncherEnded, answering, windows_path


def sets_problems(game):
    return [p for folder in fx.set_folders(game) for p in fx.set_problems(folder)]


def started_problems(init, saves):
    problems = []
    if not init.get("ok"):
        problems.append(f"init after the kill failed: {init.get('error')}")
    elif init["result"].get("pendingRestore", None) is not None:
        problems.append(f"init after the kill has pendingRestore {init['result']['pendingRestore']}")
    if not saves.get("ok"):
        problems.append(f"saves after the kill failed: {saves.get('error')}")
    return problems


def wait_for_pause(launcher, writer, handle, flag, timeout=60):
    """True once the launcher stands at the point; False when the work ended without reaching it."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if flag.exists() and flag.stat().st_size > 0:
            return True
        try:
            writer.finish(launcher, handle, 0.05)
            return flag.exists() and flag.stat().st_size > 0
        except TimeoutError:
            pass
    return False


class StartUp:
    """The work a start does by itself before it answers init."""

    @staticmethod
    def finish(launcher, handle, timeout):
        return launcher.reply(handle, timeout)


def kill(ctx, game, begin, point=None, delay=None, watched=None):
    """Starts the launcher in game, begins work and kills it standing at point (the pausable
    launcher), as soon as the watched file is written in place, or delay seconds after the work
    began; problems."""
    flag = game.parent / "paused.txt"
    flag.unlink(missing_ok=True)
    environment = {"MYR_LAUNCHER_PAUSE_AT": point, "MYR_LAUNCHER_PAUSED": windows_path(flag)} if point else {}
    watch = InPlaceWrites(watched) if watched else None
    launcher = ctx.start(game, environment)
    problems = []
    try:
        work, handle = begin(launcher)
        if watch:
            done = []

            def finished():
                try:
                    done.append(work.finish(launcher, handle, 0))
                    return True
                except TimeoutError:
                    return False

            # Work that ends without writing in place gives nothing to cut: it is killed after.
            if not watch.wait(60, finished) and not done:
                problems.append(f"{watched.name} was neither written nor the work done")
        elif point is None:
            time.sleep(delay)
        elif not wait_for_pause(launcher, work, handle, flag):
            problems.append(f"{point} was never reached")
        elif flag.read_text().strip() != point.split("#")[0]:
            problems.append(f"paused at {flag.read_text().strip()!r}, not at {point}")
        launcher.kill()
    except (TimeoutError, LauncherEnded) as error:
        problems.append(f"before the kill: {error!r}")
    finally:
        launcher.ensure_gone()
        if watch:
            watch.close()
    return problems


def baseline(ctx, writer):
    """Runs the work to its end once; its duration, or None when it does not work at all."""
    game = ctx.game_for(writer, "uninterrupted", ctx.launcher_exe)
    writer.prepare(game)
    problems = []
    launcher = ctx.start(game)
    duration = 0.0
    with answering(launcher, problems):
        init = launcher.request("init")
        writer.learn_before(init.get("result", {}))
        started = time.monotonic()
        outcome = writer.finish(launcher, writer.begin(launcher), 120)
        duration = time.monotonic() - started
        problems += writer.learn(game, outcome, launcher)
        problems += sets_problems(game)
    ctx.case(f"kill sweep, {writer.name}: uninterrupted run ({duration * 1000:.0f} ms)", problems, game)
    return None if problems else duration


def trial(ctx, writer, delay=None, point=None, then=None, watched=False):
    """One kill (and, with then, a second one while the next start finishes what the first cut
    off) and the start after it; the state the kill left, as the writer names it."""
    if watched:
        where = f"at the first write in place of {writer.watched.name}"
    else:
        where = f"at {point}" if point else f"{delay * 1000:.0f} ms into the work"
    where += f", then at {then} while starting again" if then else ""
    exe = ctx.pausable_exe if point else ctx.launcher_exe
    folder = "watched" if watched else f"{point}-then-{then}" if then else point or f"timed-{delay:.3f}"
    game = ctx.game_for(writer, folder, exe)
    writer.prepare(game)

    def begin(launcher):
        if not launcher.request("init").get("ok"):
            raise LauncherEnded("init before the work failed")
        return writer, writer.begin(launcher)

    problems = kill(ctx, game, begin, point, delay, writer.watched if watched else None)
    _, left = writer.judge(game, None, None)
    problems += [f"right after the kill: {p}" for p in left + sets_problems(game)]
    if then:
        problems += kill(ctx, game, lambda launcher: (StartUp, launcher.send("init")), then)
        _, left = writer.judge(game, None, None)
        problems += [f"right after the second kill: {p}" for p in left + sets_problems(game)]

    label = "no answer"
    restarted = ctx.start(game)
    with answering(restarted, problems, "the launcher started after the kill ended", "after the kill"):
        try:
            init = restarted.request("init")
        except LauncherEnded as error:
            # One launcher per prefix: while the killed one still runs in Wine's eyes, a new one
            # hands over to it and ends at once.
            raise LauncherEnded(f"{error}: the killed launcher still counts as running") from None
        problems += started_problems(init, restarted.request("saves"))
        label, found = writer.judge(game, restarted, init.get("result", {}))
        problems += found + sets_problems(game)
        problems += writer.recover(restarted, game) + sets_problems(game)
    ctx.case(f"kill sweep, {writer.name}: killed {where} -> {label}", problems, game)
    return label


def timed_delays(duration, count):
    """From the first moment of the work to just past its end."""
    if count == 1:
        return [duration / 2]
    return [duration * i / (count - 1) * 1.05 for i in range(count)]


def run(ctx, writers, timed_kills):
    outcomes = Counter()
    timed = paused = watched = 0
    failed_before = ctx.failed
    for writer in writers:
        try:
            writer.setup(ctx)
        except (RuntimeError, TimeoutError, LauncherEnded) as error:
            ctx.case(f"kill sweep, {writer.name}: setting up", [repr(error)])
            writer.teardown(ctx)
            continue
        try:
            duration = baseline(ctx, writer)
            if duration is None:
                continue
            for delay in timed_delays(duration, timed_kills):
                outcomes[f"{writer.name} {trial(ctx, writer, delay=delay)}"] += 1
                timed += 1
            # The write lasts about a millisecond: a kill may still land after it.
            for _ in range(3 if writer.watched else 0):
                outcomes[f"{writer.name} {trial(ctx, writer, watched=True)}"] += 1
                watched += 1
            if ctx.pausable_exe is None:
                continue
            for point in writer.pause_points:
                outcomes[f"{writer.name} {trial(ctx, writer, point=point)}"] += 1
                paused += 1
            for point, then in writer.double_kills:
                outcomes[f"{writer.name} {trial(ctx, writer, point=point, then=then)}"] += 1
                paused += 2
        finally:
            writer.teardown(ctx)
    summary = ", ".join(f"{label} {count}" for label, count in outcomes.items())
    print(f"kill sweep: {timed + paused + watched} kills ({timed} timed, {paused} at pause points, {watched} at a first"
          f" write in place) over {len(writers)} writers,"
          f" {ctx.failed - failed_before} failed; outcomes: {summary}", flush=True)
