"""The moment a file is first written in place, seen through Linux's inotify: where a writer has no
pause point of its own, a kill at that moment lands in the middle of the write."""

import ctypes
import os
import select
import struct
import time

IN_MODIFY = 0x002
IN_CLOEXEC = 0o2000000
EVENT_HEAD = struct.Struct("iIII")

_libc = ctypes.CDLL(None, use_errno=True)


class InPlaceWrites:
    def __init__(self, path):
        self.name = os.fsencode(path.name)
        self.fd = _libc.inotify_init1(IN_CLOEXEC)
        if self.fd < 0 or _libc.inotify_add_watch(self.fd, os.fsencode(path.parent), IN_MODIFY) < 0:
            raise OSError(ctypes.get_errno(), f"inotify on {path.parent}")

    def wait(self, timeout, stop=lambda: False):
        """True as soon as the file is written in place; False after timeout or once stop() is true."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and not stop():
            if not select.select([self.fd], [], [], 0.01)[0]:
                continue
            data = os.read(self.fd, 65536)
            while data:
                _, mask, _, length = EVENT_HEAD.unpack_from(data)
                name = data[EVENT_HEAD.size:EVENT_HEAD.size + length].rstrip(b"\0")
                data = data[EVENT_HEAD.size + length:]
                if mask & IN_MODIFY and name == self.name:
                    return True
        return False

    def close(self):
        os.close(self.fd)
