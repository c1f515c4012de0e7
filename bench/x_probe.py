#!/usr/bin/python3
"""Watches windows from the X display, as a player's eyes would, for the benchmarks.

Times are CLOCK_MONOTONIC milliseconds, the clock of `x_probe.py now`, so a shell script can take
a start time on the same clock before it starts a program.

  now
  find-window NAME TIMEOUT_MS                 -> "<window id> <ms>" once a viewable window's name holds NAME
  wait-pixels WINDOW X Y W H changed|RRGGBB TIMEOUT_MS
                                              -> "<ms>" once the region differs from its first look, or shows the colour
  input-latency WINDOW key:NAME|click:X,Y X Y W H RUNS
                                              -> one line per run: ms from the input sent until the region changed

Debian's /usr/bin/python3 with python3-xlib; the input goes through the XTEST extension. Keys go
where the keyboard focus is: click the window first (Wine's windows take the focus from a click,
not from a bare SetInputFocus).
"""

import sys
import time

from Xlib import X, XK, display
from Xlib.ext import xtest

SETTLED_MS = 300  # the region must stay unchanged this long between two inputs


def now_ms():
    return time.monotonic() * 1000.0


def window_name(window):
    try:
        name = window.get_wm_name() or ""
    except Exception:  # a window may go away while it is looked at
        return ""
    return name.decode("utf-8", "replace") if isinstance(name, bytes) else name


def viewable_windows(window):
    try:
        children = window.query_tree().children
    except Exception:
        return
    for child in children:
        try:
            if child.get_attributes().map_state != X.IsViewable:
                continue
        except Exception:
            continue
        yield child
        yield from viewable_windows(child)


def find_window(screen_display, name, timeout_ms):
    deadline = now_ms() + timeout_ms
    root = screen_display.screen().root
    while now_ms() < deadline:
        for window in viewable_windows(root):
            if name in window_name(window):
                return window
        time.sleep(0.005)
    raise SystemExit(f"no window named like {name!r} within {timeout_ms} ms")


def region(window, x, y, width, height):
    return window.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data


def shows_colour(pixels, colour):
    blue, green, red = colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF
    wanted = bytes((blue, green, red))
    return any(pixels[at:at + 3] == wanted for at in range(0, len(pixels), 4))


def wait_pixels(window, box, condition, timeout_ms):
    deadline = now_ms() + timeout_ms
    first = region(window, *box)
    while now_ms() < deadline:
        pixels = region(window, *box)
        seen = now_ms()
        if (condition == "changed" and pixels != first) or (
            condition != "changed" and shows_colour(pixels, int(condition, 16))
        ):
            return seen
    raise SystemExit(f"the region did not become {condition} within {timeout_ms} ms")


def settle(window, box):
    last, since = region(window, *box), now_ms()
    while now_ms() - since < SETTLED_MS:
        pixels = region(window, *box)
        if pixels != last:
            last, since = pixels, now_ms()
    return last


def send_input(screen_display, window, what):
    kind, _, argument = what.partition(":")
    if kind == "key":
        code = screen_display.keysym_to_keycode(XK.string_to_keysym(argument))
        xtest.fake_input(screen_display, X.KeyPress, code)
        xtest.fake_input(screen_display, X.KeyRelease, code)
    elif kind == "click":
        x, y = (int(part) for part in argument.split(","))
        origin = window.translate_coords(screen_display.screen().root, 0, 0)
        xtest.fake_input(screen_display, X.MotionNotify, x=x - origin.x, y=y - origin.y)
        xtest.fake_input(screen_display, X.ButtonPress, 1)
        xtest.fake_input(screen_display, X.ButtonRelease, 1)
    else:
        raise SystemExit(f"unknown input {what!r}")
    screen_display.sync()


def input_latency(screen_display, window, what, box, runs):
    for _ in range(runs):
        before = settle(window, box)
        sent = now_ms()
        send_input(screen_display, window, what)
        while region(window, *box) == before:
            if now_ms() - sent > 10_000:
                raise SystemExit("the region did not change within 10 s of the input")
        print(f"{now_ms() - sent:.1f}", flush=True)


def main(arguments):
    command = arguments[0] if arguments else ""
    if command == "now":
        print(f"{now_ms():.1f}")
        return
    screen_display = display.Display()
    if command == "find-window":
        window = find_window(screen_display, arguments[1], int(arguments[2]))
        print(f"{window.id:#x} {now_ms():.1f}")
        return
    window = screen_display.create_resource_object("window", int(arguments[1], 0))
    if command == "wait-pixels":
        box = tuple(int(value) for value in arguments[2:6])
        print(f"{wait_pixels(window, box, arguments[6], int(arguments[7])):.1f}")
    elif command == "input-latency":
        box = tuple(int(value) for value in arguments[3:7])
        input_latency(screen_display, window, arguments[2], box, int(arguments[7]))
    else:
        raise SystemExit(__doc__)

if __name__ == "__main__":
    main(sys.argv[1:])
