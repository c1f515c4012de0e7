#!/usr/bin/python3
"""Drops one file onto an X window the way a file manager does, over the XDND protocol.

    xdnd_drop.py <x-window-id> <x> <y> <path>

x and y are root (screen) coordinates inside the window. The script owns XdndSelection,
offers the file as text/uri-list, sends XdndEnter, XdndPosition, waits for XdndStatus, sends
XdndDrop, answers the target's request for the data and waits for XdndFinished. Every wait has
a time limit; the exit code is 0 only when the target accepted the drop.
"""

import sys
import time
import urllib.parse
from pathlib import Path

from Xlib import X, Xatom, display, error
from Xlib.protocol import event

XDND_VERSION = 5
STEP_TIMEOUT = 5.0


class DropFailed(Exception):
    pass


class DragSource:
    def __init__(self, target_id, path):
        self.d = display.Display()
        self.root = self.d.screen().root
        self.target = self.d.create_resource_object("window", target_id)
        self.window = self.root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, override_redirect=True)
        self.atom = {name: self.d.intern_atom(name) for name in (
            "XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndDrop", "XdndFinished",
            "XdndLeave", "XdndSelection", "XdndActionCopy", "text/uri-list", "XdndTypeList")}
        self.uri_list = ("file://" + urllib.parse.quote(str(Path(path).resolve())) + "\r\n").encode()

    def aware_window(self):
        """The target or the nearest ancestor that announces XDND support."""
        window = self.target
        while window is not None:
            prop = window.get_full_property(self.atom["XdndAware"], X.AnyPropertyType)
            if prop is not None and prop.value:
                return window, min(int(prop.value[0]), XDND_VERSION)
            tree = window.query_tree()
            window = tree.parent if tree.parent and tree.parent.id != self.root.id else None
        raise DropFailed("the window does not accept drops (no XdndAware)")

    def send(self, window, name, data):
        message = event.ClientMessage(window=window, client_type=self.atom[name], data=(32, data))
        window.send_event(message, event_mask=X.NoEventMask)
        self.d.flush()

    def answer_selection_request(self, request):
        """Hands the uri list to whoever asks for XdndSelection."""
        prop = request.property or request.target
        if request.target == self.atom["text/uri-list"]:
            request.requestor.change_property(prop, request.target, 8, self.uri_list)
        else:
            prop = X.NONE
        notify = event.SelectionNotify(time=request.time, requestor=request.requestor, selection=request.selection,
                                       target=request.target, property=prop)
        request.requestor.send_event(notify)
        self.d.flush()

    def wait_for(self, name, what):
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline:
            while self.d.pending_events():
                ev = self.d.next_event()
                if ev.type == X.SelectionRequest:
                    self.answer_selection_request(ev)
                elif ev.type == X.ClientMessage and ev.client_type == self.atom[name]:
                    return ev.data[1]
            time.sleep(0.02)
        raise DropFailed(f"no {name} from the target ({what})")

    def drop(self, x, y):
        target, version = self.aware_window()
        self.window.set_selection_owner(self.atom["XdndSelection"], X.CurrentTime)
        self.d.flush()
        if self.d.get_selection_owner(self.atom["XdndSelection"]) != self.window:
            raise DropFailed("could not own XdndSelection")
        source = self.window.id
        self.send(target, "XdndEnter", [source, version << 24, self.atom["text/uri-list"], 0, 0])
        self.send(target, "XdndPosition", [source, 0, (x << 16) | y, X.CurrentTime, self.atom["XdndActionCopy"]])
        status = self.wait_for("XdndStatus", "after XdndPosition")
        if not status[1] & 1:
            self.send(target, "XdndLeave", [source, 0, 0, 0, 0])
            raise DropFailed("the target refused the drop at this point")
        self.send(target, "XdndDrop", [source, 0, X.CurrentTime, 0, 0])
        finished = self.wait_for("XdndFinished", "after XdndDrop")
        if version >= 5 and not finished[1] & 1:
            raise DropFailed("the target reported the drop as not done")


def main():
    if len(sys.argv) != 5:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    window_id, x, y, path = int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    try:
        DragSource(window_id, path).drop(x, y)
    except (DropFailed, error.XError) as problem:
        print(f"xdnd_drop: {problem}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
