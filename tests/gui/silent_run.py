"""The installer started from a command line, as a deployment script starts it: through
quilldrive's watcher, which records every window the process ever creates."""

import collections

import quilltest as qt

USAGE_START = qt.POOL_TEXTS["ConstUsageText"].split("\r\n")[0]

Watched = collections.namedtuple("Watched", "code windows seconds")


def watch(*args, timeout=120):
    """Runs the built installer with `args` joined by single spaces, unquoted, and waits for
    its end. Returns its exit code, the classes of the windows it created, and its time."""
    res = qt.drive("watch", qt.to_windows(qt.require_installer()), *args, timeout=timeout)
    fields = {r[0]: r[1:] for r in res.records}
    if "timeout" in fields:
        raise AssertionError(f"installer {' '.join(args)} still running after {timeout} s")
    windows = [r[2] for r in res.records if r[0] == "window"]
    return Watched(int(fields["exit"][0]), windows, int(fields["time"][0]) / 1000)
