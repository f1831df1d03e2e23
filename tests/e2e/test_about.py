"""The About window of the real program: its texts, its keys and the icon animation as the screen shows it."""

import threading
import time
import unittest

from Xlib import X, display as xdisplay, error as xerror

import lotarin
from lotarin import text

MENU = "Lotarin"
TITLE = "Lotarinについて"
LABELS = ["Lotarin", "Version 4.3", "(C) Lotarin 開発チーム", "E-Mail:lotarin@example.org",
          "HomePage:lotarin.example.org"]
# Pic_ApIcon in the window at 96 dpi: Left 240, Top 60 twips; the box holds the whole 32-pixel icon.
ICON = (16, 4, 32, 32)
FRAME_SEQUENCE = 9    # 0 1 2 3 4 3 2 1 0, as distinct consecutive images
SAMPLE = 0.02         # seconds between two looks at the icon; each frame stays 0.2 s


def icon_pixels(xid, d=None):
    """The icon's pixels as the X server holds them now, or None once the window is gone or unmapped."""
    d = d or lotarin.x_display()
    win = d.create_resource_object("window", xid)
    try:
        if win.get_attributes().map_state != X.IsViewable:
            return None
        return win.get_image(*ICON, X.ZPixmap, 0xFFFFFFFF).data
    except (xerror.BadWindow, xerror.BadMatch, xerror.BadDrawable):
        return None


class IconWatcher(threading.Thread):
    """Samples the icon every SAMPLE seconds on its own X connection for `limit` seconds or until the window goes
    away; meanwhile the test can click."""

    def __init__(self, xid, limit=8.0):
        super().__init__(daemon=True)
        self.xid, self.limit = xid, limit
        self.samples = []
        self._stop_event = threading.Event()

    def run(self):
        d = xdisplay.Display()
        try:
            deadline = time.monotonic() + self.limit
            while not self._stop_event.is_set() and time.monotonic() < deadline:
                px = icon_pixels(self.xid, d)
                self.samples.append(px)
                if px is None:
                    break
                time.sleep(SAMPLE)
        finally:
            d.close()

    def sequence(self, timeout=10.0):
        """Wait for the watch to end; the images the screen showed, in order (None last if the window went)."""
        self.join(timeout)
        self._stop_event.set()
        self.join()
        return collapse(self.samples)


def click_at(x, y, repeat=1):
    """Click there with the mouse. The pointer leaves first: `mousemove --sync` to the place where the pointer
    already is waits many seconds for a motion that never comes."""
    lotarin.xdotool("mousemove", 0, 0, "mousemove", "--sync", x, y, "click", "--repeat", repeat, "--delay", 80, 1)


def collapse(samples):
    """The samples with runs of equal images folded into one: the images in the order the screen showed them."""
    out = []
    for s in samples:
        if not out or out[-1] != s:
            out.append(s)
    return out


def is_turn(seq):
    """Frames 0 1 2 3 4 3 2 1 0: five different images, then the same ones back."""
    return len(seq) == FRAME_SEQUENCE and len(set(seq)) == 5 and seq == seq[::-1]


class AboutWindowTest(lotarin.TombalTestCase):

    def setUp(self):
        super().setUp()
        self.app = self.start_tombal()
        menu = self.app.window(MENU)
        click_at(*lotarin.centre(self.app.find(menu, "push button", "Lotarinについて")))
        self.win = self.app.window(TITLE)
        self.xid = self.app.xid(TITLE)

    def click_icon(self, repeat=1):
        x, y, _, _ = self.app.geometry(TITLE)
        click_at(x + ICON[0] + ICON[2] // 2, y + ICON[1] + ICON[3] // 2, repeat)

    def test_shows_the_credits(self):
        found = sorted(text(l) for l in self.app.find_all(self.win, "label") if text(l))
        self.assertEqual(found, sorted(LABELS))
        for caption in LABELS:
            self.assertTrue(lotarin.is_showing(self.app.find(self.win, "label", caption)), caption)
        buttons = [lotarin.name(b) for b in self.app.find_all(self.win, "push button")]
        self.assertEqual(buttons, ["OK"])
        sw, sh = lotarin.screen_size()
        x, y, w, h = self.app.geometry(TITLE)
        self.assertEqual((w, h), (407, 207))
        self.assertLessEqual(abs(x - (sw - w) // 2), 1)
        self.assertLessEqual(abs(y - (sh - h) // 2), 1)

    def test_escape_does_nothing_and_enter_closes(self):
        self.app.wait_focus("push button", "OK")
        self.app.key(TITLE, "Escape")
        time.sleep(0.5)
        self.assertEqual([lotarin.name(w) for w in self.app.windows() if lotarin.name(w) == TITLE], [TITLE])
        self.app.key(TITLE, "Return")
        self.app.wait_window_gone(TITLE)
        self.app.window(MENU)
        self.assertTrue(self.app.running())

    def test_menu_button_again_keeps_the_one_window_in_place(self):
        before = self.app.geometry(TITLE)
        menu = self.app.window(MENU)
        click_at(*lotarin.centre(self.app.find(menu, "push button", "Lotarinについて")))
        time.sleep(0.3)
        self.assertEqual([t for _, t, _ in lotarin.x_windows(self.app.pid)].count(TITLE), 1)
        self.assertEqual(self.app.geometry(TITLE), before)

    def test_click_turns_the_icon_and_back(self):
        # Each frame must reach the screen before its pause: the X server shows all nine in turn. The watch
        # goes on well past the 1.8 s, in case a tenth image follows.
        start = icon_pixels(self.xid)
        self.assertIsNotNone(start)
        watcher = IconWatcher(self.xid, limit=3.5)
        watcher.start()
        self.click_icon()
        seq = watcher.sequence()
        self.assertEqual(seq[0], start)
        self.assertTrue(is_turn(seq), f"{len(seq)} images in turn, {len(set(seq))} different")
        self.assertEqual(icon_pixels(self.xid), start)

    def test_two_quick_clicks_play_two_whole_turns(self):
        start = icon_pixels(self.xid)
        watcher = IconWatcher(self.xid, limit=6.0)
        watcher.start()
        self.click_icon(repeat=2)
        seq = watcher.sequence()
        # The second turn's first frame is the first turn's last, so they join: 17 images.
        self.assertEqual(len(seq), 2 * FRAME_SEQUENCE - 1, f"{len(seq)} images in turn")
        self.assertTrue(is_turn(seq[:FRAME_SEQUENCE]) and is_turn(seq[FRAME_SEQUENCE - 1:]))
        self.assertEqual(seq[0], start)

    def test_ok_during_the_turn_closes_after_it(self):
        start = icon_pixels(self.xid)
        x, y, _, _ = self.app.geometry(TITLE)
        watcher = IconWatcher(self.xid)
        watcher.start()
        self.click_icon()
        time.sleep(0.3)
        # The program is busy now and answers no accessibility calls: the X server alone gives the place.
        # Cmd_OK: Left 4800, Top 2340, 1035 x 480 twips.
        click_at(x + 320 + 34, y + 156 + 16)
        seq = watcher.sequence()
        self.assertIsNone(seq[-1], "the window should have closed")
        self.assertEqual(seq[0], start)
        self.assertTrue(is_turn(seq[:-1]), f"{len(seq) - 1} images before closing")
        self.app.window(MENU)
        self.assertTrue(self.app.running())


if __name__ == "__main__":
    unittest.main()
