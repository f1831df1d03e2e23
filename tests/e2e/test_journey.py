"""A whole raffle as an operator runs it, from an empty folder to the printed sheet, on the real program.

Both lists are typed in, ticked and saved, the program is ended and started again, the draw sheet is opened,
drawn, printed to the CUPS queue PDF and closed, and opened once more. The list files are checked byte for byte
against what the typed rows must give.
"""

import os
import shutil
import subprocess
import tempfile
import unittest

import pyatspi

import lotarin
from lotarin import check_state, text

MAIN = "Lotarin"
PARTICIPANT_WINDOW = "参加者設定"
PRIZE_WINDOW = "景品設定"
SHEET = "抽選する"
PENDING = "？？？？？"
NO_PRIZE = "はずれ"
ROWS = 40

# Row index -> name. Row 4 is typed key by key, the others are set through the accessibility bus; row 6 has no
# name and is ticked by hand; rows 11 and 12 stay empty, so the sheet has to close the gap.
PARTICIPANT_NAMES = {0: "山田 太郎", 1: "佐藤, 花子", 2: "  鈴木一郎  ", 3: "高橋美咲", 4: "John Smith",
                     5: "田中健太", 6: "", 7: "伊藤さくら", 8: "渡辺翔", 9: "中村あおい", 10: "小林大輔",
                     13: "加藤（幹事）"}
TYPED_ROW = 4
# Prize row 15 lies beyond the first EntryCount rows and can never be drawn; row 8 is ticked without a name.
PRIZE_NAMES = {0: "液晶テレビ", 1: "自転車", 2: "図書カード", 3: "温泉旅行券", 4: "コーヒーメーカー",
               5: "お食事券, ペア", 6: "傘", 15: "特賞の旅行"}


def record(tick, name=""):
    return str(tick).encode("ascii") + b',"' + name.encode("cp932") + b'"\r\n'


def list_file(rows):
    """The bytes the program must write for these rows: index -> (tick, name); other rows unticked and empty."""
    return b"".join(record(*rows.get(i, (0, ""))) for i in range(ROWS))


def red_pixels(png, step=1):
    """How many clearly red pixels an image has (read through ImageMagick as binary PPM)."""
    ppm = subprocess.run([lotarin.CONVERT, png, "-depth", "8", "ppm:-"], check=True, stdout=subprocess.PIPE,
                         timeout=60).stdout
    magic, width, height, maxval, data = ppm.split(maxsplit=4)
    if magic != b"P6" or maxval != b"255":
        raise lotarin.E2EError(f"unexpected image from {png}")
    count = 0
    for i in range(0, len(data) - 2, 3 * step):
        r, g, b = data[i], data[i + 1], data[i + 2]
        if r > 180 and g < 100 and b < 100:
            count += 1
    return count


class Window:
    """A shown window whose controls were found in one walk of its tree (a walk per row would cost seconds)."""

    def __init__(self, app, title, last_control):
        self.app = app
        self.title = title
        self.acc = app.window(title)
        # The window has finished loading once its last row is there.
        app.find(self.acc, "text", last_control)
        self.controls = {(a.getRole(), lotarin.name(a)): a for a in lotarin.descendants(self.acc)}

    def control(self, role, name):
        acc = self.controls.get((role, name))
        if acc is None:
            raise lotarin.E2EError(f"no {role} named {name!r} in {self.title}\n{self.app.describe()}")
        return acc

    def button(self, caption):
        return self.control(pyatspi.ROLE_PUSH_BUTTON, caption)

    def box(self, name):
        return self.control(pyatspi.ROLE_TEXT, name)

    def check(self, name):
        return self.control(pyatspi.ROLE_CHECK_BOX, name)


class ListWindow(Window):
    def __init__(self, app, title, check_prefix, text_prefix):
        super().__init__(app, title, f"{text_prefix} {ROWS}")
        self.check_prefix, self.text_prefix = check_prefix, text_prefix

    def tick_box(self, row):
        return self.check(f"{self.check_prefix} {row + 1}")

    def name_box(self, row):
        return self.box(f"{self.text_prefix} {row + 1}")

    def rows(self):
        """Every row as (tick, name)."""
        return [(check_state(self.tick_box(r)), text(self.name_box(r))) for r in range(ROWS)]

    def ticks(self):
        return [check_state(self.tick_box(r)) for r in range(ROWS)]

    def click_tick(self, row, expect):
        self.app.click(self.tick_box(row))
        lotarin.wait_for(lambda: check_state(self.tick_box(row)) == expect,
                         what=f"{self.check_prefix} {row + 1} to show {expect}")

    def press_and_wait(self, caption, predicate, what):
        self.app.click(self.button(caption))
        lotarin.wait_for(predicate, what=what)


class RaffleJourneyTest(lotarin.TombalTestCase):

    def setUp(self):
        super().setUp()
        self.workdir = tempfile.mkdtemp(prefix="tombal-journey-")
        self.addCleanup(shutil.rmtree, self.workdir, True)

    def file_bytes(self, name):
        with open(os.path.join(self.workdir, name), "rb") as f:
            return f.read()

    def menu_press(self, app, caption):
        # No window manager raises a clicked window: bring the menu to the front as an operator would, so that a
        # sheet lying over it does not take the click.
        lotarin.xdotool("windowraise", app.xid(MAIN))
        app.click(app.find(app.window(MAIN), "push button", caption))

    def open_participants(self, app):
        self.menu_press(app, "参加者設定")
        return ListWindow(app, PARTICIPANT_WINDOW, "参加", "名前")

    def open_prizes(self, app):
        self.menu_press(app, "景品設定")
        return ListWindow(app, PRIZE_WINDOW, "抽選", "景品")

    def quit(self, app):
        self.menu_press(app, "終了")
        self.assertEqual(app.wait_exit(timeout=10), 0, app.describe())

    # -- the steps --

    def enter_participants(self, app):
        win = self.open_participants(app)
        # Opening the window with no list file leaves an empty one behind, and nothing else.
        self.assertEqual(self.file_bytes("TBNAME.DAT"), b"")
        self.assertEqual(win.rows(), [(0, "")] * ROWS)

        for row, name in PARTICIPANT_NAMES.items():
            if row != TYPED_ROW and name:
                lotarin.set_text(win.name_box(row), name)
        box = win.name_box(TYPED_ROW)
        app.click(box)
        lotarin.wait_for(lambda: lotarin.is_focused(box), what="the focus in the typed row")
        lotarin.xdotool("windowfocus", "--sync", app.xid(PARTICIPANT_WINDOW), "type", "--delay", "30",
                        PARTICIPANT_NAMES[TYPED_ROW])
        lotarin.wait_for(lambda: text(box) == PARTICIPANT_NAMES[TYPED_ROW], what="the typed name")

        named = [r for r, n in PARTICIPANT_NAMES.items() if n]
        # A tick and an untick by hand.
        win.click_tick(0, 1)
        win.click_tick(0, 0)
        win.click_tick(20, 1)
        # 全員選択 ticks the named rows and leaves the others as they are (row 21 stays ticked).
        win.press_and_wait("全員選択", lambda: check_state(win.tick_box(named[-1])) == 1, "全員選択")
        self.assertEqual(win.ticks(), [1 if r in named or r == 20 else 0 for r in range(ROWS)])
        # 選択解除 clears every row, named or not.
        win.press_and_wait("選択解除", lambda: check_state(win.tick_box(20)) == 0, "選択解除")
        self.assertEqual(win.ticks(), [0] * ROWS)
        win.press_and_wait("全員選択", lambda: check_state(win.tick_box(named[-1])) == 1, "全員選択")
        win.click_tick(6, 1)      # the participant without a name takes part
        win.click_tick(3, 0)      # 高橋美咲 does not

        ticked = {r for r in named if r != 3} | {6}
        expected_rows = {r: (1 if r in ticked else 0, n) for r, n in PARTICIPANT_NAMES.items()}
        self.assertEqual(win.rows(), [expected_rows.get(r, (0, "")) for r in range(ROWS)])

        app.click(win.button("設定"))
        app.wait_window_gone(PARTICIPANT_WINDOW)
        return expected_rows

    def enter_prizes(self, app):
        win = self.open_prizes(app)
        self.assertEqual(self.file_bytes("TBKEIHIN.DAT"), b"")
        for row, name in PRIZE_NAMES.items():
            lotarin.set_text(win.name_box(row), name)
        win.press_and_wait("全部選択", lambda: check_state(win.tick_box(15)) == 1, "全部選択")
        self.assertEqual(win.ticks(), [1 if r in PRIZE_NAMES else 0 for r in range(ROWS)])
        win.click_tick(2, 0)      # named, not in play
        win.click_tick(6, 0)
        win.click_tick(8, 1)      # in play, but without a name it wins nothing

        expected_rows = {r: (0 if r in (2, 6) else 1, n) for r, n in PRIZE_NAMES.items()}
        expected_rows[8] = (1, "")
        self.assertEqual(win.rows(), [expected_rows.get(r, (0, "")) for r in range(ROWS)])
        app.click(win.button("設定"))
        app.wait_window_gone(PRIZE_WINDOW)
        return expected_rows

    def open_sheet(self, app):
        self.menu_press(app, "開始")
        return Window(app, SHEET, "結果 40")

    def check_pending_sheet(self, sheet, listed):
        n = len(listed)
        self.assertEqual([text(sheet.box(f"名前 {r + 1}")) for r in range(n)], listed)
        self.assertEqual([text(sheet.box(f"結果 {r + 1}")) for r in range(n)], [PENDING] * n)
        shown = [lotarin.is_showing(sheet.control(pyatspi.ROLE_PANEL, str(r + 1))) for r in range(ROWS)]
        self.assertEqual(shown, [r < n for r in range(ROWS)])

    def print_sheet(self, app, sheet, winners):
        folder = os.environ.get("E2E_PDF_DIR")
        if not folder:
            print("\n  journey: E2E_PDF_DIR is not set, printing left out", flush=True)
            return
        before = lotarin.pdf_files(folder)
        app.click(sheet.button("印刷"))
        pdf = lotarin.wait_new_pdf(before, folder)
        self.assertEqual(lotarin.pdf_pages(pdf), 1)
        pages = lotarin.pdf_to_png(pdf, os.path.join(self.workdir, "page"), dpi=60)
        self.assertEqual(len(pages), 1)
        red = red_pixels(pages[0])
        if winners:
            self.assertGreater(red, 20, "the winners' prizes are not red on the page")
        else:
            self.assertEqual(red, 0)

    # -- the journey --

    def test_a_whole_raffle(self):
        app = self.start_tombal(workdir=self.workdir)
        app.window(MAIN)
        self.assertEqual(app.workdir_files(), [])

        participants = self.enter_participants(app)
        names_file = list_file(participants)
        self.assertEqual(self.file_bytes("TBNAME.DAT"), names_file)
        prizes = self.enter_prizes(app)
        prizes_file = list_file(prizes)
        self.assertEqual(self.file_bytes("TBKEIHIN.DAT"), prizes_file)

        # Ending saves nothing more; the next run shows the lists as they were saved.
        self.quit(app)
        self.assertEqual(self.file_bytes("TBNAME.DAT"), names_file)
        self.assertEqual(self.file_bytes("TBKEIHIN.DAT"), prizes_file)
        app = self.start_tombal(workdir=self.workdir)
        app.window(MAIN)
        win = self.open_participants(app)
        self.assertEqual(win.rows(), [participants.get(r, (0, "")) for r in range(ROWS)])
        app.click(win.button("キャンセル"))
        app.wait_window_gone(PARTICIPANT_WINDOW)
        win = self.open_prizes(app)
        self.assertEqual(win.rows(), [prizes.get(r, (0, "")) for r in range(ROWS)])
        app.click(win.button("キャンセル"))
        app.wait_window_gone(PRIZE_WINDOW)

        # The sheet lists the ticked participants in list order, without gaps.
        listed = [participants[r][1] for r in sorted(participants) if participants[r][0] == 1]
        n = len(listed)
        sheet = self.open_sheet(app)
        self.check_pending_sheet(sheet, listed)

        lotarin.press(sheet.button("抽選"))
        results = lotarin.wait_for(
            lambda: (lambda rs: rs if PENDING not in rs else None)([text(sheet.box(f"結果 {r + 1}"))
                                                                    for r in range(n)]),
            what="the results of the draw")
        # Only the first n prize rows take part; of those, the ticked rows with a name win, each once.
        winning = sorted(prizes[r][1] for r in range(n) if r in prizes and prizes[r][0] == 1 and prizes[r][1])
        won = [r for r in results if r != NO_PRIZE]
        self.assertEqual(len(won), len(winning), results)
        self.assertEqual(sorted(won), winning, results)
        self.assertEqual(len(set(won)), len(won), f"a prize was given twice: {results}")
        self.assertEqual(results.count(NO_PRIZE), n - len(winning))
        self.assertNotIn(PRIZE_NAMES[15], results)
        self.assertEqual([text(sheet.box(f"名前 {r + 1}")) for r in range(n)], listed, "names kept")

        self.print_sheet(app, sheet, len(won))
        for caption in ("抽選", "やめる", "印刷"):
            lotarin.wait_for(lambda: lotarin.is_showing(sheet.button(caption)), what=f"{caption} to show again")
        self.assertEqual([text(sheet.box(f"結果 {r + 1}")) for r in range(n)], results, "results kept")

        # やめる discards the results; the next sheet starts afresh.
        app.click(sheet.button("やめる"))
        app.wait_window_gone(SHEET)
        sheet = self.open_sheet(app)
        self.check_pending_sheet(sheet, listed)

        self.quit(app)
        # The drawing wrote nothing.
        self.assertEqual(self.file_bytes("TBNAME.DAT"), names_file)
        self.assertEqual(self.file_bytes("TBKEIHIN.DAT"), prizes_file)
        self.assertEqual(sorted(f for f in os.listdir(self.workdir) if not f.startswith("page")),
                         ["TBKEIHIN.DAT", "TBNAME.DAT"])


if __name__ == "__main__":
    unittest.main()
