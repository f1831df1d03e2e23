#!/usr/bin/python3
"""Start a Tombal once and close it the way a window manager would.

    start-once.py PROGRAM WORKDIR

Runs inside tests/e2e/session.sh (it needs DISPLAY). Starts PROGRAM in WORKDIR, waits until a
top-level window titled "Lotarin" is mapped, asks it to close with WM_DELETE_WINDOW (the close
box) and expects the program to end by itself with status 0, leaving WORKDIR as empty as it
found it: start-up reads and writes no list file. Exits non-zero with the reason and the
program's output otherwise.
"""

import os
import subprocess
import sys
import tempfile
import time

from Xlib import X, Xatom, display as xdisplay
from Xlib.protocol import event

TITLE = "Lotarin"
START_TIMEOUT = 30.0  # a loaded CI machine, the first start of fontconfig's cache
EXIT_TIMEOUT = 15.0


def title(d, w):
    try:
        net = w.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        if net and net.value:
            v = net.value
            return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
        name = w.get_wm_name()
        return name.decode("latin-1") if isinstance(name, bytes) else name
    except Exception:  # a window that went away while we looked
        return None


def find_window(d):
    """The mapped top-level window with the title, or None. No window manager runs, so
    top-level windows are the root window's children."""
    for w in d.screen().root.query_tree().children:
        try:
            if w.get_attributes().map_state != X.IsViewable:
                continue
        except Exception:
            continue
        if title(d, w) == TITLE:
            return w
    return None


def main():
    program, workdir = sys.argv[1], sys.argv[2]
    d = xdisplay.Display()
    before = sorted(os.listdir(workdir))
    with tempfile.TemporaryFile() as out:
        proc = subprocess.Popen([program], cwd=workdir, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT)

        def fail(message):
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            out.seek(0)
            output = out.read().decode("utf-8", "replace").strip()
            print("FAIL: " + message, file=sys.stderr)
            print("program output:\n" + (output or "(none)"), file=sys.stderr)
            sys.exit(1)

        deadline = time.monotonic() + START_TIMEOUT
        window = None
        while window is None:
            if proc.poll() is not None:
                fail("%s ended with status %d before showing a window titled %r"
                     % (program, proc.returncode, TITLE))
            if time.monotonic() > deadline:
                fail("no window titled %r was mapped within %.0f s" % (TITLE, START_TIMEOUT))
            window = find_window(d)
            if window is None:
                time.sleep(0.1)
        print("window %r mapped (0x%x)" % (TITLE, window.id))

        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        advertised = window.get_full_property(protocols, Xatom.ATOM)
        if not advertised or delete not in advertised.value:
            fail("the window does not take WM_DELETE_WINDOW, so no close box could close it")
        window.send_event(event.ClientMessage(window=window, client_type=protocols,
                                              data=(32, [delete, X.CurrentTime, 0, 0, 0])))
        d.flush()

        try:
            status = proc.wait(timeout=EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            fail("still running %.0f s after its only window was closed" % EXIT_TIMEOUT)
        if status != 0:
            fail("ended with status %d after its window was closed" % status)
        after = sorted(os.listdir(workdir))
        if after != before:
            fail("start-up changed the working folder: %s" % sorted(set(after) ^ set(before)))
        print("closed through WM_DELETE_WINDOW; exit status 0; working folder untouched")


if __name__ == "__main__":
    main()
