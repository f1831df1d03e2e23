"""The participant and prize list windows of the real program: typing names, ticking rows, saving with 設定,
cancelling, and the list files' bytes on the disk.

The rows' controls are found by their accessible names: in the participant window the check box "参加 N" and
the text box "名前 N", in the prize window "抽選 N" and "景品 N", N being the row's frame caption (1 to 40).
"""

import os
import shutil
import tempfile
import unittest

import pyatspi

import lotarin
from lotarin import check_state, text

MAIN = "Lotarin"
MESSAGE_ROLES = (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)


def record(tick, name=""):
    return str(tick).encode("ascii") + b',"' + name.encode("cp932") + b'"\r\n'


def list_file(rows=None):
    """The bytes of a list file as the program writes it: rows maps a row index to (tick, name)."""
    rows = rows or {}
    return b"".join(record(*rows.get(i, (0, ""))) for i in range(40))


def type_text(app, title, s):
    """Type ASCII text with real key strokes into the focused control of the window with this title."""
    lotarin.xdotool("windowfocus", "--sync", app.xid(title), "type", "--delay", "30", s)


class ListWindowCase:
    """The tests both list windows share; subclasses say which window."""
    MENU_BUTTON = TITLE = FILE = CHECK = TEXT = SELECT_ALL = None

    def setUp(self):
        super().setUp()
        self.workdir = tempfile.mkdtemp(prefix="tombal-lists-")
        self.addCleanup(shutil.rmtree, self.workdir, True)

    # -- helpers --

    def start(self, file_bytes=None):
        if file_bytes is not None:
            with open(os.path.join(self.workdir, self.FILE), "wb") as f:
                f.write(file_bytes)
        self.app = self.start_tombal(workdir=self.workdir)
        self.menu = self.app.window(MAIN)

    def open_window(self):
        lotarin.press(self.app.find(self.menu, "push button", self.MENU_BUTTON))
        win = self.app.window(self.TITLE)
        # The load has finished once the last row is there. One walk of the window's tree then finds every
        # control: looking each one up afresh would walk its 130 accessibles every time.
        self.app.find(win, "text", f"{self.TEXT} 40")
        self.controls = {(a.getRole(), lotarin.name(a)): a for a in lotarin.descendants(win)}
        return win

    def _control(self, role, name):
        acc = self.controls.get((role, name))
        if acc is None:
            raise lotarin.E2EError(f"no {role} named {name!r} in {self.TITLE}\n{self.app.describe()}")
        return acc

    def check(self, win, row):
        return self._control(pyatspi.ROLE_CHECK_BOX, f"{self.CHECK} {row + 1}")

    def name_box(self, win, row):
        return self._control(pyatspi.ROLE_TEXT, f"{self.TEXT} {row + 1}")

    def button(self, win, caption):
        return self._control(pyatspi.ROLE_PUSH_BUTTON, caption)

    def file_bytes(self):
        with open(os.path.join(self.workdir, self.FILE), "rb") as f:
            return f.read()

    def wait_ticked(self, acc, value):
        lotarin.wait_for(lambda: check_state(acc) == value, what=f"{lotarin.name(acc)} to show tick {value}")

    # -- tests --

    def test_typed_names_and_ticks_are_saved_and_read_back(self):
        self.start()
        win = self.open_window()
        # Opening alone leaves an empty file behind.
        self.assertEqual(self.file_bytes(), b"")

        for row in range(40):
            self.assertEqual(text(self.name_box(win, row)), "", f"row {row}")
            self.assertEqual(check_state(self.check(win, row)), 0, f"row {row}")

        lotarin.set_text(self.name_box(win, 0), "山田太郎")
        lotarin.set_text(self.name_box(win, 1), "Alice, Bob")
        lotarin.set_text(self.name_box(win, 39), " ")
        # One name typed key by key.
        self.app.click(self.name_box(win, 20))
        lotarin.wait_for(lambda: lotarin.is_focused(self.name_box(win, 20)), what="focus on row 21's text box")
        type_text(self.app, self.TITLE, "Hanako 2")
        lotarin.wait_for(lambda: text(self.name_box(win, 20)) == "Hanako 2", what="the typed name")

        self.app.click(self.check(win, 0))         # with the mouse
        lotarin.press(self.check(win, 5))         # through its accessible action: ticked, without a name
        self.wait_ticked(self.check(win, 0), 1)
        self.wait_ticked(self.check(win, 5), 1)

        self.app.click(self.button(win, "設定"))
        self.app.wait_window_gone(self.TITLE)
        expected = list_file({0: (1, "山田太郎"), 1: (0, "Alice, Bob"), 5: (1, ""), 20: (0, "Hanako 2"),
                              39: (0, " ")})
        lotarin.wait_for(lambda: self.file_bytes() == expected, what=f"{self.FILE} to hold the saved rows")

        win = self.open_window()
        self.assertEqual(text(self.name_box(win, 0)), "山田太郎")
        self.assertEqual(text(self.name_box(win, 1)), "Alice, Bob")
        self.assertEqual(text(self.name_box(win, 20)), "Hanako 2")
        self.assertEqual(text(self.name_box(win, 39)), " ")
        self.assertEqual(check_state(self.check(win, 0)), 1)
        self.assertEqual(check_state(self.check(win, 5)), 1)
        self.assertEqual(check_state(self.check(win, 1)), 0)

    def test_cancel_and_escape_leave_the_file_as_it_was(self):
        before = list_file({0: (1, "景品A"), 2: (2, "灰色")})
        self.start(before)
        win = self.open_window()
        self.assertEqual(text(self.name_box(win, 0)), "景品A")
        self.assertEqual(check_state(self.check(win, 0)), 1)
        self.assertEqual(check_state(self.check(win, 2)), 2, "a tick of 2 shows greyed")

        lotarin.set_text(self.name_box(win, 0), "changed")
        self.app.click(self.button(win, "選択解除"))
        self.wait_ticked(self.check(win, 2), 0)
        self.app.click(self.button(win, "キャンセル"))
        self.app.wait_window_gone(self.TITLE)
        self.assertEqual(self.file_bytes(), before)

        win = self.open_window()
        self.assertEqual(text(self.name_box(win, 0)), "景品A", "the file's contents, not the edits")
        self.assertEqual(check_state(self.check(win, 2)), 2)
        lotarin.set_text(self.name_box(win, 3), "lost")
        self.app.key(self.TITLE, "Escape")
        self.app.wait_window_gone(self.TITLE)
        self.assertEqual(self.file_bytes(), before)
        self.assertTrue(self.app.running(), "the main menu stays open")

    def test_select_all_ticks_named_rows_and_enter_saves(self):
        self.start(list_file({0: (0, "a"), 1: (2, "b"), 2: (0, " "), 3: (1, ""), 4: (2, "")}))
        win = self.open_window()
        self.app.click(self.button(win, self.SELECT_ALL))
        self.wait_ticked(self.check(win, 2), 1)
        self.assertEqual([check_state(self.check(win, r)) for r in range(6)], [1, 1, 1, 1, 2, 0])

        # Enter in a text box presses 設定.
        self.app.click(self.name_box(win, 7))
        lotarin.wait_for(lambda: lotarin.is_focused(self.name_box(win, 7)), what="focus on row 8's text box")
        self.app.key(self.TITLE, "Return")
        self.app.wait_window_gone(self.TITLE)
        self.assertEqual(self.file_bytes(),
                         list_file({0: (1, "a"), 1: (1, "b"), 2: (1, " "), 3: (1, ""), 4: (2, "")}))


class ParticipantListTest(ListWindowCase, lotarin.TombalTestCase):
    MENU_BUTTON = "参加者設定"
    TITLE = "参加者設定"
    FILE = "TBNAME.DAT"
    CHECK, TEXT = "参加", "名前"
    SELECT_ALL = "全員選択"

    def test_focus_starts_on_select_all_then_the_buttons_then_row_1(self):
        self.start()
        self.open_window()
        self.app.wait_focus("push button", "全員選択")
        seen = [lotarin.name(self.app.key_moves_focus(self.TITLE, "Tab")) for _ in range(4)]
        # Row 1 is one of the rows whose check box comes first.
        self.assertEqual(seen, ["設定", "キャンセル", "参加 1", "名前 1"])

    def test_a_failed_save_is_reported_and_keeps_the_edits(self):
        self.start()
        win = self.open_window()
        lotarin.set_text(self.name_box(win, 0), "保存待ち")
        # A folder takes the list file's name, so the file cannot be replaced.
        os.remove(os.path.join(self.workdir, self.FILE))
        os.mkdir(os.path.join(self.workdir, self.FILE))
        self.app.click(self.button(win, "設定"))

        def message_box():
            return next((w for w in self.app.windows() if w.getRole() in MESSAGE_ROLES), None)
        box = lotarin.wait_for(message_box, what="a message box")
        self.assertTrue(any(self.FILE in lotarin.name(a) or self.FILE in text(a)
                            for a in lotarin.find_all(box, "label")), lotarin.dump_tree(box))
        self.app.click(self.app.find(box, "push button", "OK"))
        lotarin.wait_for(lambda: message_box() is None, what="the message box to close")

        win = self.app.window(self.TITLE)
        self.assertEqual(text(self.name_box(win, 0)), "保存待ち")
        os.rmdir(os.path.join(self.workdir, self.FILE))
        self.app.click(self.button(win, "設定"))
        self.app.wait_window_gone(self.TITLE)
        self.assertEqual(self.file_bytes(), list_file({0: (0, "保存待ち")}))


class PrizeListTest(ListWindowCase, lotarin.TombalTestCase):
    MENU_BUTTON = "景品設定"
    TITLE = "景品設定"
    FILE = "TBKEIHIN.DAT"
    CHECK, TEXT = "抽選", "景品"
    SELECT_ALL = "全部選択"

    def test_focus_starts_on_row_40_and_goes_up_the_grid(self):
        self.start()
        self.open_window()
        self.app.wait_focus("check box", "抽選 40")
        seen = [lotarin.name(self.app.key_moves_focus(self.TITLE, "Tab")) for _ in range(3)]
        # Row 39 (index 38) puts its text box first.
        self.assertEqual(seen, ["景品 40", "景品 39", "抽選 39"])


if __name__ == "__main__":
    unittest.main()
