"""What the Python tests and benchmarks that run the launcher under Wine share."""

import time
from pathlib import Path


def windows_path(path):
    """A path of this machine as Wine's programs see it."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def until(condition, what, timeout=30):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.2)
