#!/usr/bin/env python3
"""Double clicks on the first row of kavtra-window.exe and times each one.

Usage: windows_clicks.py WORK_DIR X Y COUNT

The clicks go straight to the X server through the XTEST extension, so no
helper program starts between the two clicks. t0 is the moment the X server
has taken the second press and release (XSync returned). From then on the
files directory is watched with inotify, and three moments are taken:
the first touch of Data.dat, its lock or its temporary file (the program has
the click and begins the save), the temporary file created, the temporary
file closed (written and flushed), Data.dat renamed into place (saved), and
the trace file grown by one transfer's lines (transfer done). Prints one line
of median, lowest and highest per part.
"""

import ctypes
import ctypes.util
import os
import select
import struct
import sys
import time

IN_MODIFY, IN_CLOSE_WRITE, IN_OPEN, IN_MOVED_TO, IN_CREATE = 0x2, 0x8, 0x20, 0x80, 0x100
TIMEOUT_S = 5.0


def now():
    return time.monotonic_ns()


class Screen:
    def __init__(self):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("no X display")

    def move(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.x11.XSync(self.display, 0)

    def click(self):
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XSync(self.display, 0)


class Watch:
    def __init__(self, directory):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK)
        mask = IN_MODIFY | IN_CLOSE_WRITE | IN_OPEN | IN_MOVED_TO | IN_CREATE
        if self.fd < 0 or self.libc.inotify_add_watch(self.fd, directory.encode(), mask) < 0:
            sys.exit("inotify: " + os.strerror(ctypes.get_errno()))

    def events(self, deadline):
        """(time, mask, name) as they come, until the deadline."""
        while True:
            left = deadline - now()
            if left <= 0 or not select.select([self.fd], [], [], left / 1e9)[0]:
                return
            seen = now()
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                continue
            offset = 0
            while offset < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, offset)
                name = data[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                offset += 16 + length
                yield seen, mask, name


def is_data(name):
    return name.startswith("Data.dat") or name.startswith(".Data.dat")


def double_click(screen, watch, trace, transfer):
    """Times of save begun, temporary created, temporary closed, saved and
    transfer done after t0, in ns."""
    start = os.path.getsize(trace)
    screen.click()
    time.sleep(0.05)
    t0 = now()
    screen.click()
    begun = created = closed = saved = None
    deadline = t0 + int(TIMEOUT_S * 1e9)
    for seen, mask, name in watch.events(deadline):
        if begun is None and is_data(name):
            begun = seen
        if name.startswith(".Data.dat") and mask & IN_CREATE:
            created = seen
        if name.startswith(".Data.dat") and mask & IN_CLOSE_WRITE:
            closed = seen
        if name == "Data.dat" and mask & IN_MOVED_TO:
            saved = seen
        if saved and name == "trace.txt" and os.path.getsize(trace) - start >= transfer:
            return [t - t0 for t in (begun, created, closed, saved, seen)]
    sys.exit("a double click saved nothing within %.0f s" % TIMEOUT_S)


def drain(watch, seconds):
    for _ in watch.events(now() + int(seconds * 1e9)):
        pass


def stats(label, values):
    values = sorted(values)
    print("%s: median %.1f ms, lowest %.1f, highest %.1f (%d)" % (
        label, values[(len(values) - 1) // 2] / 1e6, values[0] / 1e6, values[-1] / 1e6, len(values)))


def main():
    work, x, y, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    trace = os.path.join(work, "trace.txt")
    screen, watch = Screen(), Watch(work)
    screen.move(x, y)
    drain(watch, 0.3)
    # The first double click finds how many trace bytes one transfer writes.
    start = os.path.getsize(trace)
    double_click(screen, watch, trace, 1)
    drain(watch, 0.3)
    transfer = os.path.getsize(trace) - start
    parts = []
    for _ in range(count):
        drain(watch, 0.6)  # apart from the previous double click, so no triple click
        parts.append(double_click(screen, watch, trace, transfer))
    stats("double click to the save begun (X, Wine and Qt delivering the click)", [p[0] for p in parts])
    stats("save begun to the temporary file created (lock, states to text)", [p[1] - p[0] for p in parts])
    stats("temporary file created to closed (write, flush to disk)", [p[2] - p[1] for p in parts])
    stats("temporary file closed to Data.dat replaced (ReplaceFileW)", [p[3] - p[2] for p in parts])
    stats("Data.dat replaced to the transfer done (%d trace bytes)" % transfer, [p[4] - p[3] for p in parts])
    stats("double click to Data.dat saved and transfer done", [p[4] for p in parts])


main()
