"""The real Tombal ($TOMBAL) on a private desktop (tests/e2e/desktop): controls found and read through the
accessibility bus, clicks and keys sent through the X server."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import pyatspi
from PIL import Image
from Xlib import X, display

TIMEOUT = 15.0


def wait(predicate, what, timeout=TIMEOUT):
    # The bus raises now and then while a window is being built.
    deadline, last = time.monotonic() + timeout, None
    while time.monotonic() < deadline:
        try:
            value = predicate()
            if value:
                return value
        except Exception as e:  # noqa: BLE001
            last = e
        time.sleep(0.08)
    raise AssertionError(f"timed out waiting for {what}" + (f" ({last!r})" if last else ""))


def descendants(acc):
    for child in acc:
        yield child
        yield from descendants(child)


def out(*command, **kw):
    return subprocess.run(command, capture_output=True, text=True, **kw).stdout


def xdotool(*args):
    return out("xdotool", *map(str, args), check=True)


def xid(title, timeout=TIMEOUT):
    return int(wait(lambda: xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()[0], title, timeout))


def activate(xid):
    # By the window manager, or where none runs, by hand.
    if subprocess.run(["xdotool", "windowactivate", "--sync", str(xid)], capture_output=True).returncode:
        xdotool("windowraise", xid, "windowfocus", "--sync", xid)


def closed(title):
    return not out("xdotool", "search", "--onlyvisible", "--name", f"^{title}$")


def gone(title):
    wait(lambda: closed(title), f"{title} to close")


def key(title, *keys):
    activate(xid(title))
    xdotool("key", "--delay", "60", *keys)


def frame(xid):
    """A window's outer frame on the screen: its client area in the window manager's borders."""
    info = out("xwininfo", "-id", str(xid), check=True)
    x, y, w, h = (
        int(re.search(rf"{k}:\s+(-?\d+)", info)[1]) for k in ("ute upper-left X", "ute upper-left Y", "Width", "Height")
    )
    extents = out("xprop", "-id", str(xid), "_NET_FRAME_EXTENTS")
    left, right, top, bottom = map(int, re.findall(r"\d+", extents.partition("=")[2]) or [0] * 4)
    return x - left, y - top, w + left + right, h + top + bottom


def window_image(xid):
    d = display.Display()
    window = d.create_resource_object("window", xid)
    g = window.get_geometry()
    data = window.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF).data
    d.close()
    return Image.frombytes("RGB", (g.width, g.height), data, "raw", "BGRX")


def red(image):
    return sum(1 for r, g, b in image.getdata() if r > 180 and g < 90 and b < 90)


def list_file(rows):
    """rows maps a row to (tick, name), the other rows are empty."""
    return b"".join(b'%d,"%s"\r\n' % (t, name.encode("cp932")) for t, name in (rows.get(i, (0, "")) for i in range(40)))


def printed():
    pdf_dir = os.environ["E2E_PDF_DIR"]
    return set(os.listdir(pdf_dir)) if os.path.isdir(pdf_dir) else set()


def printed_page(before):
    """The page printed since `before`, once cups-pdf has finished it."""
    pdf_dir = os.environ["E2E_PDF_DIR"]
    return wait(
        lambda: next(
            os.path.join(pdf_dir, f)
            for f in printed() - before
            if f.endswith(".pdf") and "Pages:" in out("pdfinfo", os.path.join(pdf_dir, f))
        ),
        "the printed PDF",
        timeout=60,
    )


class Tombal:
    def __init__(self, workdir, env=None):
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(
            [os.environ["TOMBAL"]],
            cwd=workdir,
            env={k: v for k, v in {**os.environ, **(env or {})}.items() if v is not None},  # None: left out
            stdin=subprocess.DEVNULL,
            stdout=self.log,
            stderr=subprocess.STDOUT,
        )
        try:
            self.app = wait(self.on_bus, "the program on the bus", timeout=2 * TIMEOUT)
        except AssertionError as e:
            self.proc.kill()
            raise AssertionError(f"{e}; exit status {self.proc.wait()}, output:\n{self.output()}") from None

    def on_bus(self):
        # The desktop's cached children can miss a registration made while the registry was starting.
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        return next(a for a in desktop if a and a.get_process_id() == self.proc.pid)

    def output(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace")

    def windows(self):
        return [w for w in self.app if w and w.getState().contains(pyatspi.STATE_SHOWING)]

    def window(self, title):
        return wait(lambda: next(w for w in self.windows() if w.name == title), f"the window {title}")

    def controls(self, title, last):
        """The window's controls by (role, name), in one walk once `last` is there."""
        wait(lambda: any(a.name == last for a in descendants(self.window(title))), f"{last} in {title}")
        return {(a.getRoleName(), a.name): a for a in descendants(self.window(title))}

    def click(self, acc):
        e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdotool("mousemove", e.x + e.width // 2, e.y + e.height // 2, "sleep", "0.05", "click", "1")

    def press(self, title, caption):
        activate(xid(title))
        self.click(self.controls(title, caption)[("push button", caption)])


class TestCase(unittest.TestCase):
    def folder(self, files=None):
        path = tempfile.mkdtemp(prefix="tombal-")
        self.addCleanup(shutil.rmtree, path, True)
        for name, data in (files or {}).items():
            Path(path, name).write_bytes(data)
        return path

    def window_manager(self, name):
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        wm = subprocess.Popen([name], env={**os.environ, "HOME": self.folder()}, **quiet)
        self.addCleanup(lambda: (wm.kill(), wm.wait()))  # fluxbox may not heed SIGTERM
        wait(lambda: name in out("wmctrl", "-m").lower(), name)

    def assertCentred(self, title):
        """The window's outer frame in the middle of the screen, to the pixel, and left there when maximised or made
        full screen."""
        window = xid(title)
        x, y, w, h = before = frame(window)
        sw, sh = map(int, xdotool("getdisplaygeometry").split())
        self.assertEqual((x, y), ((sw - w) // 2, (sh - h) // 2), f"the frame of {title}, {w} by {h}")
        for state in ("maximized_vert,maximized_horz", "fullscreen"):
            subprocess.run(["wmctrl", "-i", "-r", str(window), "-b", "add," + state], check=True)
        time.sleep(1)
        self.assertEqual(frame(window), before, title)

    def start(self, workdir, env=None):
        app = Tombal(workdir, env)
        self.addCleanup(self.finish, app)
        app.window("Lotarin")
        return app

    def finish(self, app):
        if app.proc.poll() is None:
            app.proc.kill()
            app.proc.wait()
        out = app.output()
        app.log.close()
        self.assertNotRegex(out, "ERROR: (Address|Leak)Sanitizer|runtime error:", "the program reported a fault")

    def check_page(self, pdf, folder):
        """One page holding the whole sheet, winners in red."""
        self.addCleanup(os.remove, pdf)
        subprocess.run(["pdftoppm", "-r", "50", "-png", "-singlefile", pdf, os.path.join(folder, "page")], check=True)
        page = Image.open(os.path.join(folder, "page.png")).convert("RGB")
        # The sheet is the window's grey; rows and columns mostly grey, the dated line's text aside.
        grey = page.convert("L").point(lambda v: 1 if abs(v - 239) <= 6 else 0)
        w, h = grey.size
        rows = [y for y in range(h) if sum(grey.crop((0, y, w, y + 1)).getdata()) > w // 5]
        cols = [x for x in range(w) if sum(grey.crop((x, 0, x + 1, h)).getdata()) > h // 5]
        long_side, short_side = sorted((rows[-1] - rows[0], cols[-1] - cols[0]), reverse=True)
        self.assertAlmostEqual(long_side / short_side, 794 / 551, delta=0.03, msg="the printed sheet is not whole")
        self.assertGreater(red(page), 5, "the winners are not red on paper")
