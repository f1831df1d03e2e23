"""The main menu of the real program, driven through the accessibility bus on a private X display."""

import unittest

import lotarin
from lotarin import text

TITLE = "Lotarin"
# In tab order: Command1 to Command4, then the label, then Command5.
BUTTONS = ["参加者設定", "景品設定", "開始", "終了", "Lotarinについて"]
LABEL = "参加者と景品を設定して、開始ボタンを押して下さい"


class MainMenuTest(lotarin.TombalTestCase):

    def setUp(self):
        super().setUp()
        self.app = self.start_tombal()
        self.win = self.app.window(TITLE)

    def test_shows_five_buttons_and_the_instruction(self):
        found = [lotarin.name(b) for b in self.app.find_all(self.win, "push button")]
        self.assertEqual(sorted(found), sorted(BUTTONS))
        for caption in BUTTONS:
            b = self.app.find(self.win, "push button", caption)
            self.assertTrue(lotarin.is_showing(b), caption)
            self.assertTrue(lotarin.is_enabled(b), caption)
        label = self.app.find(self.win, "label", LABEL)
        self.assertEqual(text(label), LABEL)
        self.assertTrue(lotarin.is_showing(label))

    def test_window_is_centred_on_the_screen(self):
        sw, sh = lotarin.screen_size()
        x, y, w, h = self.app.geometry(TITLE)
        # No window manager: the frame is the client area, so these are the outer sizes the centring uses.
        self.assertLessEqual(abs(x - (sw - w) // 2), 1, f"left {x} for width {w} on a {sw} px screen")
        self.assertLessEqual(abs(y - (sh - h) // 2), 1, f"top {y} for height {h} on a {sh} px screen")
        self.assertEqual(lotarin.extents(self.win), (x, y, w, h))

    def test_windows_carry_the_program_icon(self):
        # Set once the menu is up (off the start-up path); windows opened later have it from the start.
        lotarin.wait_for(lambda: (32, 32) in lotarin.icon_sizes(self.app.xid(TITLE)), what="the menu's icon")
        self.app.click(self.app.find(self.win, "push button", "参加者設定"))
        self.app.window("参加者設定")
        self.assertIn((32, 32), lotarin.icon_sizes(self.app.xid("参加者設定")))

    def test_tab_walks_the_buttons_in_order_and_wraps(self):
        first = self.app.focused()
        self.assertEqual(lotarin.name(first), BUTTONS[0], "focus when the window is shown")
        order = [BUTTONS[1], BUTTONS[2], BUTTONS[3], BUTTONS[4], BUTTONS[0]]
        seen = [lotarin.name(self.app.key_moves_focus(TITLE, "Tab")) for _ in order]
        self.assertEqual(seen, order)
        back = [lotarin.name(self.app.key_moves_focus(TITLE, "shift+Tab")) for _ in order]
        self.assertEqual(back, [BUTTONS[4], BUTTONS[3], BUTTONS[2], BUTTONS[1], BUTTONS[0]])

    def test_quit_ends_the_program_and_writes_nothing(self):
        self.assertEqual(self.app.workdir_files(), [], "start-up alone must not create a list file")
        self.app.click(self.app.find(self.win, "push button", "終了"))
        self.assertEqual(self.app.wait_exit(timeout=5), 0)
        self.assertEqual(self.app.workdir_files(), [])

    def test_enter_presses_the_focused_button(self):
        self.app.wait_focus("push button", BUTTONS[0])
        for _ in range(3):
            self.app.key_moves_focus(TITLE, "Tab")
        self.assertEqual(lotarin.name(self.app.focused()), "終了")
        self.app.key(TITLE, "Return")
        self.assertEqual(self.app.wait_exit(timeout=5), 0)


if __name__ == "__main__":
    unittest.main()
