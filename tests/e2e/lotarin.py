"""Drive the real Tombal program through the accessibility bus and the X server, as a user would.

Runs inside tests/e2e/session.sh (a private Xvfb display, D-Bus session and accessibility bus) with
/usr/bin/python3; needs pyatspi, python3-xlib, xdotool and ImageMagick (poppler-utils for the PDF helpers).
The API is listed in tests/e2e/README.md.

Typical use:

    class MainMenuTest(lotarin.TombalTestCase):
        def test_quit(self):
            app = self.start_tombal()                 # fresh working directory per test
            win = app.window("Lotarin")               # top-level window by its exact title
            app.click(app.find(win, "push button", "終了"))
            self.assertEqual(app.wait_exit(), 0)

Every lookup polls gently until a timeout and fails with a dump of the program's accessible tree.
"""

import atexit
import functools
import os
import shutil
import subprocess
import sys
import tempfile
import time
import types
import unittest
import warnings

# pyatspi calls libatspi entry points that libatspi itself has deprecated; that is not ours to fix.
warnings.filterwarnings("ignore", category=DeprecationWarning, module=r"pyatspi(\.|$)")

import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402
from Xlib import X, display as xdisplay  # noqa: E402

# ImageMagick itself; a differently behaving convert may come first on PATH.
CONVERT = "/usr/bin/convert"
POLL = 0.08          # seconds between two looks: gentle on the buses and the X server
TIMEOUT = 10.0       # default for every wait

_ROLE_ALIASES = {
    "button": pyatspi.ROLE_PUSH_BUTTON,
    "push button": pyatspi.ROLE_PUSH_BUTTON,
    "label": pyatspi.ROLE_LABEL,
    "text": pyatspi.ROLE_TEXT,
    "check box": pyatspi.ROLE_CHECK_BOX,
    "frame": pyatspi.ROLE_FRAME,
    "dialog": pyatspi.ROLE_DIALOG,
    "panel": pyatspi.ROLE_PANEL,
    "window": pyatspi.ROLE_WINDOW,
    "filler": pyatspi.ROLE_FILLER,
    "icon": pyatspi.ROLE_ICON,
    "image": pyatspi.ROLE_IMAGE,
    "alert": pyatspi.ROLE_ALERT,
}


class E2EError(AssertionError):
    """A wait ran out or the program did something unexpected; the message says what was seen."""


def _role(role):
    if role is None or not isinstance(role, str):
        return role
    return _ROLE_ALIASES.get(role.lower(), None) or getattr(pyatspi, "ROLE_" + role.upper().replace(" ", "_"))


def wait_for(predicate, timeout=TIMEOUT, what="condition", interval=POLL):
    """Poll predicate() until it returns something truthy and return that; raise E2EError after timeout.

    Exceptions from the accessibility bus while the program is still building a window count as "not yet"."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = predicate()
            if value:
                return value
        except E2EError:
            raise
        except Exception as e:  # a dying or half-built accessible raises; try again
            last_error = e
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error!r})" if last_error else ""
            raise E2EError(f"timed out after {timeout:.1f} s waiting for {what}{detail}")
        time.sleep(interval)


# ----- reading and changing single accessibles -----------------------------------------------------------------

def name(acc):
    return acc.name or ""


name_of = name


def role_name(acc):
    return acc.getRoleName()


def states(acc):
    return acc.getState()


def has_state(acc, state):
    return acc.getState().contains(state)


def is_showing(acc):
    return has_state(acc, pyatspi.STATE_SHOWING)


def is_focused(acc):
    return has_state(acc, pyatspi.STATE_FOCUSED)


def is_enabled(acc):
    return has_state(acc, pyatspi.STATE_ENABLED)


def text(acc):
    """The whole text of a text box or label."""
    try:
        t = acc.queryText()
    except NotImplementedError:
        return name(acc)
    return t.getText(0, -1)


def set_text(acc, value):
    """Replace a text box's contents (any Unicode, Japanese included) without typing."""
    acc.queryEditableText().setTextContents(value)


def check_state(acc):
    """Tick of a check box: 0 unticked, 1 ticked, 2 greyed (partially checked)."""
    s = acc.getState()
    if s.contains(pyatspi.STATE_INDETERMINATE):
        return 2
    return 1 if s.contains(pyatspi.STATE_CHECKED) else 0


def is_checked(acc):
    return check_state(acc) == 1


def is_indeterminate(acc):
    return check_state(acc) == 2


def press(acc):
    """Press a button through its default action. Does not return while a modal dialog it opened is open:
    use click() for presses that may bring up a message box."""
    acc.queryAction().doAction(0)


def extents(acc):
    """(x, y, width, height) on the screen."""
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def centre(acc):
    x, y, w, h = extents(acc)
    return (x + w // 2, y + h // 2)


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def descendants(root):
    """Every accessible below root, depth first, in the program's child order."""
    out = []
    stack = list(reversed(children(root)))
    while stack:
        acc = stack.pop()
        if acc is None:
            continue
        out.append(acc)
        stack.extend(reversed(children(acc)))
    return out


def _matches(acc, role, name_, showing):
    if role is not None and acc.getRole() != role:
        return False
    if name_ is not None and (acc.name or "") != name_:
        return False
    if showing is not None and is_showing(acc) != showing:
        return False
    return True


def find_all(root, role=None, name=None, showing=None):
    """All descendants of root with this role (a pyatspi ROLE_ constant or a name such as "push button")
    and exactly this accessible name; None leaves a criterion out."""
    role = _role(role)
    return [a for a in descendants(root) if _matches(a, role, name, showing)]


def dump_tree(root, indent=0, out=None):
    """A readable listing of root and everything below it: role, name, states, text, extents."""
    lines = [] if out is None else out
    try:
        st = [pyatspi.stateToString(s) for s in root.getState().getStates()]
        keep = {"focused", "checked", "indeterminate", "showing", "visible", "enabled", "active"}
        st = [s for s in st if s in keep]
        line = f"{'  ' * indent}[{root.getRoleName()}] {root.name!r} {{{' '.join(st)}}}"
        try:
            line += f" @{extents(root)}"
        except Exception:
            pass
        if root.getRole() == pyatspi.ROLE_TEXT:
            try:
                line += f" text={text(root)!r}"
            except Exception:
                pass
        lines.append(line)
        for c in children(root):
            if c is not None:
                dump_tree(c, indent + 1, lines)
    except Exception as e:
        lines.append(f"{'  ' * indent}<unreadable: {e!r}>")
    return "\n".join(lines) if out is None else lines


# ----- focus events --------------------------------------------------------------------------------------------
# Finding the focus by walking a window costs a few D-Bus calls per control (over half a second for a list
# window); the program announces each focus change, so the last announcement is tried first.

_focus_by_pid = {}
_focus_listening = False


def _on_focus_event(event):
    try:
        pid = event.source.get_process_id()
        path = event.source.path
    except Exception:  # the control is already gone
        return
    if event.detail1:
        _focus_by_pid[pid] = event.source
    elif pid in _focus_by_pid and _focus_by_pid[pid].path == path:
        del _focus_by_pid[pid]


def listen_for_focus():
    """Start following focus changes; a program started afterwards reports them (called by Tombal.start)."""
    global _focus_listening
    if not _focus_listening:
        pyatspi.Registry.registerEventListener(_on_focus_event, "object:state-changed:focused")
        _focus_listening = True


def pump_events():
    """Deliver the accessibility events that have arrived (no main loop runs otherwise)."""
    ctx = GLib.MainContext.default()
    for _ in range(10000):
        if not ctx.pending():
            break
        ctx.iteration(False)


def announced_focus(pid):
    """The control of that process that last announced it took the focus, if it still has it; else None."""
    pump_events()
    acc = _focus_by_pid.get(pid)
    try:
        return acc if acc is not None and is_focused(acc) else None
    except Exception:
        return None


# ----- the X side ----------------------------------------------------------------------------------------------

_display = None


def x_display():
    """One shared connection to the X server for the whole test run."""
    global _display
    if _display is None:
        _display = xdisplay.Display()
        atexit.register(_display.close)
    return _display


def screen_size():
    """(width, height) of the screen in pixels, from the X root window."""
    s = x_display().screen()
    return (s.width_in_pixels, s.height_in_pixels)


def xdotool(*args, check=True):
    return subprocess.run(["xdotool", *map(str, args)], check=check, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True).stdout


def mouse_click(x, y, button=1):
    # "mousemove --sync" waits for the pointer to move, which never happens when it is
    # already there; a plain move followed by a short settle is enough for Qt.
    xdotool("mousemove", x, y, "sleep", "0.05", "click", button)


def _window_title(d, w):
    net = w.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
    if net is not None:
        v = net.value
        return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
    wm = w.get_wm_name()
    return wm.decode("latin-1") if isinstance(wm, bytes) else (wm or "")


def x_windows(pid=None):
    """[(xid, title, (x, y, w, h))] of the mapped top-level X windows, of one process if pid is given."""
    d = x_display()
    root = d.screen().root
    pid_atom = d.intern_atom("_NET_WM_PID")
    out = []
    for w in root.query_tree().children:
        try:
            if w.get_attributes().map_state != X.IsViewable:
                continue
            if pid is not None:
                p = w.get_full_property(pid_atom, X.AnyPropertyType)
                if p is None or int(p.value[0]) != pid:
                    continue
            g = w.get_geometry()
            out.append((w.id, _window_title(d, w), (g.x, g.y, g.width, g.height)))
        except Exception:  # the window went away meanwhile
            continue
    return out


def icon_sizes(xid):
    """[(w, h)] of the images in the X window's _NET_WM_ICON, empty when it has none."""
    d = x_display()
    prop = d.create_resource_object("window", xid).get_full_property(d.intern_atom("_NET_WM_ICON"),
                                                                      X.AnyPropertyType)
    values, sizes = list(prop.value) if prop is not None else [], []
    while len(values) >= 2 and values[0] * values[1] <= len(values) - 2:
        w, h = values[0], values[1]
        sizes.append((w, h))
        values = values[2 + w * h:]
    return sizes


def screenshot(xid, path, crop=None):
    """Save the X window xid as an image (format from path's extension, PNG for .png); returns path.

    crop=(x, y, w, h) in window coordinates keeps only that part. Only the part of the window that lies on the
    screen can be read; the rest is cut off."""
    d = x_display()
    win = d.create_resource_object("window", xid)
    g = win.get_geometry()
    pos = d.screen().root.translate_coords(win, 0, 0)
    sw, sh = screen_size()
    # The window's on-screen rectangle, in window coordinates.
    x0, y0 = max(0, -pos.x), max(0, -pos.y)
    x1, y1 = min(g.width, sw - pos.x), min(g.height, sh - pos.y)
    if crop is not None:
        cx, cy, cw, ch = crop
        x0, y0, x1, y1 = max(x0, cx), max(y0, cy), min(x1, cx + cw), min(y1, cy + ch)
    if x1 <= x0 or y1 <= y0:
        raise E2EError(f"nothing of window {xid:#x} to capture in {crop or 'its area'}")
    w, h = x1 - x0, y1 - y0
    img = win.get_image(x0, y0, w, h, X.ZPixmap, 0xFFFFFFFF)
    if d.screen().root_depth != 24 or len(img.data) != w * h * 4:
        raise E2EError(f"unexpected image format: depth {d.screen().root_depth}, {len(img.data)} bytes")
    subprocess.run([CONVERT, "-size", f"{w}x{h}", "-depth", "8", "bgra:-", "-alpha", "off", path],
                   check=True, input=img.data, stdout=subprocess.DEVNULL)
    return path


# ----- one running Tombal --------------------------------------------------------------------------------------

def tombal_path():
    """The program under test: $TOMBAL (run_e2e.sh sets it); tests skip when it is not set."""
    path = os.environ.get("TOMBAL")
    if not path:
        raise unittest.SkipTest("TOMBAL is not set to the built program")
    return path


class Tombal:
    """One run of the program in its own working directory, found on the accessibility bus by its pid."""

    def __init__(self, binary=None, workdir=None, env=None, args=()):
        self.binary = os.path.abspath(binary or tombal_path())
        # Inside session.sh's folder these go with the session even when a test never cleans up.
        scratch = os.environ.get("E2E_SESSION_DIR")
        self._own_workdir = workdir is None
        self.workdir = workdir or tempfile.mkdtemp(prefix="tombal-wd-", dir=scratch)
        self.logdir = tempfile.mkdtemp(prefix="tombal-log-", dir=scratch)
        self.env = dict(os.environ)
        if env:
            self.env.update(env)
        self.args = list(args)
        self.proc = None
        self.app = None
        self.returncode = None

    # -- life cycle --

    def start(self, timeout=TIMEOUT):
        """Start the program and wait until it is on the accessibility bus; returns self."""
        listen_for_focus()
        self._out = open(os.path.join(self.logdir, "output.txt"), "wb")
        self.proc = subprocess.Popen([self.binary, *self.args], cwd=self.workdir, env=self.env,
                                     stdin=subprocess.DEVNULL, stdout=self._out, stderr=subprocess.STDOUT)
        self.pid = self.proc.pid

        def registered():
            if self.proc.poll() is not None:
                raise E2EError(f"{self.binary} ended during start-up with status {self.proc.returncode}\n"
                               f"program output:\n{self.output()}")
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                try:
                    a = desktop.getChildAtIndex(i)
                    if a is not None and a.get_process_id() == self.pid:
                        return a
                except Exception:  # a program of an earlier test that is just going away
                    continue
            return None
        try:
            self.app = wait_for(registered, timeout, f"pid {self.pid} on the accessibility bus")
        except E2EError as e:
            if "program output" in str(e):
                raise
            raise E2EError(f"{e}\nprogram output:\n{self.output()}") from None
        return self

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=5.0):
        """Wait for the program to end by itself; returns its exit status (negative: killed by that signal)."""
        try:
            self.returncode = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError(f"the program is still running after {timeout:.1f} s\n" + self.describe()) from None
        return self.returncode

    def kill(self):
        """End the program if it still runs; always safe to call."""
        if self.proc is None:
            return
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(2.0)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5.0)
        self.returncode = self.proc.returncode
        self._out.close()

    def cleanup(self):
        self.kill()
        if os.environ.get("E2E_KEEP_LOGS") == "1":
            return
        if self._own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)
        shutil.rmtree(self.logdir, ignore_errors=True)

    def output(self):
        """What the program wrote to stdout and stderr so far."""
        try:
            with open(os.path.join(self.logdir, "output.txt"), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def workdir_files(self):
        return sorted(os.listdir(self.workdir))

    def path(self, name):
        """A file in the program's working directory."""
        return os.path.join(self.workdir, name)

    # -- windows --

    def windows(self, showing=True):
        """The program's top-level windows (the application's children, whatever their role: a plain QWidget
        shows as a filler, a QDialog as a dialog); showing=None includes hidden ones."""
        out = []
        for w in children(self.app):
            if w is not None and (showing is None or is_showing(w) == showing):
                out.append(w)
        return out

    def window(self, title, timeout=TIMEOUT):
        """The shown top-level window with exactly this title, waiting for it to appear."""
        return self._wait(lambda: next((w for w in self.windows() if name(w) == title), None),
                          timeout, f"a shown window titled {title!r}")

    def wait_window_gone(self, title, timeout=TIMEOUT):
        self._wait(lambda: all(name(w) != title for w in self.windows()), timeout,
                   f"the window {title!r} to close")

    def xid(self, title, timeout=TIMEOUT):
        """The X window id of the program's mapped top-level window with this title."""
        return self._wait(lambda: next((x for x, t, _ in x_windows(self.pid) if t == title), None),
                          timeout, f"a mapped X window titled {title!r}")

    def geometry(self, title, timeout=TIMEOUT):
        """(x, y, w, h) of that X window on the screen; with no window manager the frame is the client area."""
        xid = self.xid(title, timeout)
        return next(g for x, _, g in x_windows(self.pid) if x == xid)

    # -- controls --

    def find(self, root, role=None, name=None, showing=None, timeout=TIMEOUT):
        """The one descendant of root with this role and exact name, waiting for it; fails if there are more."""
        r = _role(role)

        def look():
            hits = [a for a in descendants(root) if _matches(a, r, name, showing)]
            if len(hits) > 1:
                raise E2EError(f"{len(hits)} accessibles match role={role!r} name={name!r}")
            return hits[0] if hits else None
        return self._wait(look, timeout, f"role={role!r} name={name!r} below {name_of(root)!r}")

    def find_all(self, root, role=None, name=None, showing=None):
        return find_all(root, role, name, showing)

    def focused_now(self):
        """The control that has the keyboard focus at this moment, or None."""
        acc = announced_focus(self.pid)
        if acc is not None:
            return acc
        for w in self.windows():
            for a in descendants(w):
                if is_focused(a):
                    return a
        return None

    def focused(self, timeout=TIMEOUT):
        """The control that has the keyboard focus, waiting until one has it."""
        return self._wait(self.focused_now, timeout, "a focused control")

    def wait_focus(self, role=None, name=None, timeout=TIMEOUT):
        """Wait until the focused control has this role and name; returns it."""
        r = _role(role)

        def look():
            a = self.focused_now()
            return a if a is not None and _matches(a, r, name, None) else None
        return self._wait(look, timeout, f"focus on role={role!r} name={name!r}")

    def key_moves_focus(self, title, *keys, timeout=TIMEOUT):
        """Send keys to the window with this title and return the control that has the focus once it has moved
        away from the one that had it before; fails if the focus stays where it was."""
        before = self.focused(timeout).path

        def moved():
            a = self.focused_now()
            return a if a is not None and a.path != before else None
        self.key(title, *keys)
        return self._wait(moved, timeout, f"the focus to move on from {before} after {' '.join(keys)}",
                          interval=0.02)

    def click(self, acc):
        """Press with the mouse at the centre of acc: returns at once, even if a modal dialog opens."""
        x, y = centre(acc)
        mouse_click(x, y)

    def key(self, title, *keys):
        """Focus the window with this title and send it key strokes (xdotool names: Tab, shift+Tab, Return,
        Escape, space). With title None the keys go to whichever window has the focus now."""
        if title is None:
            xdotool("key", "--delay", "30", *keys)
        else:
            xdotool("windowfocus", "--sync", self.xid(title), "key", "--delay", "30", *keys)

    def screenshot(self, title, path, crop=None):
        """Save an image of the window with this title; see the module-level screenshot()."""
        return screenshot(self.xid(title), path, crop)

    # -- failure reports --

    def describe(self):
        """Process state, X windows, the accessible tree and the program's output, for failure messages."""
        parts = []
        if self.proc is not None:
            rc = self.proc.poll()
            parts.append(f"process {self.pid}: " + ("running" if rc is None else f"ended with status {rc}"))
        try:
            parts.append("X windows: " + repr(x_windows(self.pid)))
        except Exception as e:
            parts.append(f"X windows unreadable: {e!r}")
        if self.app is not None and self.running():
            try:
                parts.append("accessible tree:\n" + dump_tree(self.app))
            except Exception as e:
                parts.append(f"accessible tree unreadable: {e!r}")
        out = self.output()
        if out:
            parts.append("program output:\n" + out)
        return "\n".join(parts)

    def _wait(self, predicate, timeout, what, interval=POLL):
        def check():
            if self.proc is not None and self.proc.poll() is not None:
                raise E2EError(f"the program ended while waiting for {what}")
            return predicate()
        try:
            return wait_for(check, timeout, what, interval)
        except E2EError as e:
            raise E2EError(f"{e}\n{self.describe()}") from None


# ----- printing ----------------------------------------------------------------------------------------------

def pdf_dir():
    """The folder where the PDF printer puts this user's jobs (run_e2e.sh sets $E2E_PDF_DIR from cups.sh);
    skips the test when no CUPS PDF printer was set up."""
    d = os.environ.get("E2E_PDF_DIR")
    if not d:
        raise unittest.SkipTest("no CUPS PDF printer (tests/e2e/cups.sh did not set one up)")
    return d


def pdf_files(folder=None):
    """The set of PDF file paths in the printer's output folder now."""
    folder = folder or pdf_dir()
    try:
        return {os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".pdf")}
    except FileNotFoundError:
        return set()


def wait_new_pdf(before, folder=None, timeout=30.0):
    """Wait for a PDF that was not in before (a set from pdf_files()) to be complete; returns its path.

    cups-pdf writes in steps, so a file counts as complete when its size holds still and pdfinfo reads it."""
    folder = folder or pdf_dir()
    sizes = {}

    def complete():
        for path in sorted(pdf_files(folder) - before):
            size = os.path.getsize(path)
            if size > 0 and sizes.get(path) == size and subprocess.run(
                    ["pdfinfo", path], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL).returncode == 0:
                return path
            sizes[path] = size
        return None
    return wait_for(complete, timeout, f"a new complete PDF in {folder}", interval=0.25)


def pdf_pages(path):
    return int(next(line.split()[1] for line in subprocess.run(
        ["pdfinfo", path], check=True, stdout=subprocess.PIPE, text=True).stdout.splitlines()
        if line.startswith("Pages:")))


def pdf_to_png(path, out_prefix, dpi=150):
    """Render every page of a PDF to PNG files out_prefix-1.png, ...; returns their paths in page order."""
    subprocess.run(["pdftoppm", "-r", str(dpi), "-png", path, out_prefix], check=True, stdin=subprocess.DEVNULL)
    folder, base = os.path.split(out_prefix)
    return sorted(os.path.join(folder or ".", f) for f in os.listdir(folder or ".")
                  if f.startswith(base + "-") and f.endswith(".png"))


# ----- unittest glue -------------------------------------------------------------------------------------------

# What AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer print when they find something.
SANITIZER_MARKERS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


class TombalTestCase(unittest.TestCase):
    """Base class: start_tombal() gives a fresh program in a fresh working directory, ended after the test.

    When a test fails, the accessible tree and output of every program it started go to stderr, and with
    $E2E_ARTIFACTS set a screenshot of the whole screen is saved there."""

    def __init__(self, methodName="runTest"):
        super().__init__(methodName)
        method = getattr(self, methodName, None)
        if method is None:
            return

        # The state is reported from inside the test method, while the programs still run. The wrapper stays a
        # bound method, as unittest's loader expects of a test named on the command line.
        @functools.wraps(method)
        def reporting(self, *args, **kwargs):
            try:
                return method(*args, **kwargs)
            except unittest.SkipTest:
                raise
            except E2EError:  # its message already holds the state
                self._report_state(with_tree=False)
                raise
            except BaseException:
                self._report_state()
                raise
        setattr(self, methodName, types.MethodType(reporting, self))

    def setUp(self):
        self._apps = []
        # unittest resets the warning filters for its run; pyatspi's use of deprecated libatspi calls is noise.
        warnings.filterwarnings("ignore", category=DeprecationWarning, module=r"pyatspi(\.|$)")

    def start_tombal(self, workdir=None, env=None, timeout=TIMEOUT):
        """Start the program in workdir (default: a fresh empty folder); it is ended when the test ends, and a
        sanitizer report in its output fails the test."""
        app = Tombal(workdir=workdir, env=env)
        self._apps.append(app)
        self.addCleanup(self._finish, app)
        return app.start(timeout)

    def _finish(self, app):
        app.kill()
        out = app.output()
        app.cleanup()
        if any(marker in out for marker in SANITIZER_MARKERS):
            self.fail("the program reported a fault:\n" + out)

    def _report_state(self, with_tree=True):
        for app in getattr(self, "_apps", []) if with_tree else []:
            sys.stderr.write(f"\n--- {self.id()}: state at failure ---\n{app.describe()}\n")
        artifacts = os.environ.get("E2E_ARTIFACTS")
        if artifacts:
            os.makedirs(artifacts, exist_ok=True)
            shot = os.path.join(artifacts, self.id() + ".png")
            try:
                screenshot(x_display().screen().root.id, shot)
                sys.stderr.write(f"screen at failure: {shot}\n")
            except Exception as e:
                sys.stderr.write(f"no screenshot: {e!r}\n")
