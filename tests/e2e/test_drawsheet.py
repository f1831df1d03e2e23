"""The draw sheet of the real program: opening it with "開始", the pending rows, "抽選", printing to the CUPS
queue PDF, and closing it.

The sheet's rows are found by their accessible names: the name box "名前 N" and the result box "結果 N", N being
the row's frame caption (1 to 40); the frames are panels named "1" to "40".
"""

import os
import shutil
import subprocess
import tempfile

import pyatspi

import lotarin
from lotarin import text

MAIN = "Lotarin"
SHEET = "抽選する"
PENDING = "？？？？？"
NO_PRIZE = "はずれ"
MESSAGE_ROLES = (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)

PARTICIPANTS = {0: (1, "山田太郎"), 1: (1, "鈴木花子"), 2: (0, "不参加"), 3: (1, "佐藤一郎"), 4: (2, "灰色"),
                5: (1, "高橋"), 6: (1, "")}
LISTED = ["山田太郎", "鈴木花子", "佐藤一郎", "高橋", ""]   # the ticked rows, in list order
PRIZES = {0: (1, "テレビ"), 1: (1, "自転車"), 2: (1, "図書券"), 3: (0, "未選択"), 6: (1, "圏外")}
WINNING = {"テレビ", "自転車", "図書券"}


def record(tick, name=""):
    return str(tick).encode("ascii") + b',"' + name.encode("cp932") + b'"\r\n'


def list_file(rows):
    return b"".join(record(*rows.get(i, (0, ""))) for i in range(40))


def is_red(pixel):
    r, g, b = pixel[:3]
    return r > 180 and g < 100 and b < 100


class Image:
    """A PNG read through ImageMagick as binary PPM: no imaging library needed."""

    def __init__(self, path, rotate=0):
        ppm = subprocess.run([lotarin.CONVERT, path, "-rotate", str(rotate), "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        magic, width, height, maxval, self.data = ppm.split(maxsplit=4)
        if magic != b"P6" or maxval != b"255":
            raise lotarin.E2EError(f"unexpected image from {path}")
        self.width, self.height = int(width), int(height)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def count(self, box, predicate, step=1):
        x0, y0, x1, y1 = box
        return sum(1 for y in range(max(0, y0), min(self.height, y1), step)
                   for x in range(max(0, x0), min(self.width, x1), step) if predicate(self.pixel(x, y)))

    def bbox(self, predicate, step=2):
        """Bounding box (x0, y0, x1, y1) of the pixels that satisfy predicate, sampled every step pixels."""
        xs, ys = [], []
        for y in range(0, self.height, step):
            row = 3 * y * self.width
            for x in range(0, self.width, step):
                i = row + 3 * x
                if predicate(self.data[i:i + 3]):
                    xs.append(x)
                    ys.append(y)
        return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


class DrawSheetTest(lotarin.TombalTestCase):

    def setUp(self):
        super().setUp()
        self.workdir = tempfile.mkdtemp(prefix="tombal-sheet-")
        self.addCleanup(shutil.rmtree, self.workdir, True)

    def start(self, participants, prizes=None, env=None):
        with open(os.path.join(self.workdir, "TBNAME.DAT"), "wb") as f:
            f.write(list_file(participants))
        if prizes is not None:
            with open(os.path.join(self.workdir, "TBKEIHIN.DAT"), "wb") as f:
                f.write(list_file(prizes))
        self.app = self.start_tombal(workdir=self.workdir, env=env)
        self.menu = self.app.window(MAIN)

    def open_sheet(self):
        lotarin.press(self.app.find(self.menu, "push button", "開始"))
        win = self.app.window(SHEET)
        self.app.find(win, "text", "結果 40")
        # One walk finds every control; a lookup per row would walk the 123 accessibles each time.
        self.controls = {(a.getRole(), lotarin.name(a)): a for a in lotarin.descendants(win)}
        return win

    def control(self, role, name):
        acc = self.controls.get((role, name))
        if acc is None:
            raise lotarin.E2EError(f"no {role} named {name!r} on the sheet\n{self.app.describe()}")
        return acc

    def name_box(self, row):
        return self.control(pyatspi.ROLE_TEXT, f"名前 {row + 1}")

    def result_box(self, row):
        return self.control(pyatspi.ROLE_TEXT, f"結果 {row + 1}")

    def frame(self, row):
        return self.control(pyatspi.ROLE_PANEL, str(row + 1))

    def button(self, caption):
        return self.control(pyatspi.ROLE_PUSH_BUTTON, caption)

    def results(self, rows):
        return [text(self.result_box(r)) for r in range(rows)]

    def message_box(self):
        return next((w for w in self.app.windows() if w.getRole() in MESSAGE_ROLES), None)

    # -- tests --

    def test_draw_print_and_close(self):
        self.start(PARTICIPANTS, PRIZES)
        self.open_sheet()

        # The ticked participants fill the first rows in list order, each awaiting the draw.
        n = len(LISTED)
        self.assertEqual([text(self.name_box(r)) for r in range(n)], LISTED)
        self.assertEqual(self.results(n), [PENDING] * n)
        for r in range(40):
            self.assertEqual(lotarin.is_showing(self.frame(r)), r < n, f"row {r + 1}")

        lotarin.press(self.button("抽選"))
        lotarin.wait_for(lambda: PENDING not in self.results(n), what="the results")
        results = self.results(n)
        self.assertEqual(sorted(r for r in results if r != NO_PRIZE), sorted(WINNING), results)
        self.assertEqual(results.count(NO_PRIZE), n - len(WINNING))
        winners = [r for r in range(n) if results[r] in WINNING]

        # Printing: one page, the winners in red, nothing where the buttons stand.
        folder = lotarin.pdf_dir()
        before = lotarin.pdf_files(folder)
        x, y, w, h = self.app.geometry(SHEET)
        boxes = {r: lotarin.extents(self.result_box(r)) for r in range(n)}
        buttons = [lotarin.extents(self.button(c)) for c in ("抽選", "やめる", "印刷")]
        self.app.click(self.button("印刷"))
        pdf = lotarin.wait_new_pdf(before, folder)
        self.assertEqual(lotarin.pdf_pages(pdf), 1)
        png_prefix = os.path.join(self.workdir, "page")
        pages = lotarin.pdf_to_png(pdf, png_prefix, dpi=100)
        self.assertEqual(len(pages), 1)
        page = Image(pages[0])
        if page.height > page.width:
            # The sheet prints landscape; the queue puts that on upright paper turned a quarter anticlockwise.
            page = Image(pages[0], rotate=90)
        # The sheet's grey client area on the white paper gives the scale from window to page.
        sheet = page.bbox(lambda p: p[0] < 250 or p[1] < 250 or p[2] < 250)
        self.assertIsNotNone(sheet, "the page is blank")
        sx = (sheet[2] - sheet[0]) / w
        sy = (sheet[3] - sheet[1]) / h
        self.assertAlmostEqual(sx, sy, delta=0.03 * sx)  # aspect kept

        def on_page(e):
            ex, ey, ew, eh = e
            return (sheet[0] + int((ex - x) * sx), sheet[1] + int((ey - y) * sy),
                    sheet[0] + int((ex - x + ew) * sx), sheet[1] + int((ey - y + eh) * sy))
        for r in range(n):
            red = page.count(on_page(boxes[r]), is_red)
            if r in winners:
                self.assertGreater(red, 10, f"row {r + 1} ({results[r]}) is not red on the page")
            else:
                self.assertEqual(red, 0, f"row {r + 1} ({results[r]}) shows red on the page")
        for b in buttons:
            marks = page.count(on_page(b), lambda p: sum(p) < 3 * 200)
            self.assertEqual(marks, 0, "a button was printed")

        # The buttons are back, and every name and result stayed.
        for caption in ("抽選", "やめる", "印刷"):
            lotarin.wait_for(lambda: lotarin.is_showing(self.button(caption)), what=f"{caption} to show again")
        self.assertEqual(self.results(n), results)

        # やめる closes the sheet and nothing else; the list windows it loaded stay hidden.
        lotarin.press(self.button("やめる"))
        self.app.wait_window_gone(SHEET)
        self.assertEqual([lotarin.name(win) for win in self.app.windows()], [MAIN])
        self.assertTrue(self.app.running())

        # Opened again, the sheet is prepared afresh.
        self.open_sheet()
        self.assertEqual(self.results(n), [PENDING] * n)

    def test_keys_and_empty_sheet(self):
        self.start({0: (0, "誰も"), 1: (2, "いない")})
        self.open_sheet()
        for r in range(40):
            self.assertFalse(lotarin.is_showing(self.frame(r)), f"row {r + 1}")
        self.app.wait_focus("push button", "抽選")

        # Enter presses 抽選: with nobody listed it changes nothing and leaves the prize list unread.
        self.app.key(SHEET, "Return")
        self.app.key(SHEET, "Tab")
        self.app.wait_focus("push button", "やめる")
        self.assertFalse(os.path.exists(os.path.join(self.workdir, "TBKEIHIN.DAT")))

        self.app.key(SHEET, "Escape")
        self.app.wait_window_gone(SHEET)
        self.assertEqual([lotarin.name(win) for win in self.app.windows()], [MAIN])

    def test_without_a_printer_the_sheet_stays(self):
        # No print service at all: the sheet offers a PDF file instead; declining changes nothing.
        self.start({0: (1, "一人")}, env={"CUPS_SERVER": "/nonexistent"})
        self.open_sheet()
        self.app.click(self.button("印刷"))
        box = lotarin.wait_for(self.message_box, what="the question about a PDF file")
        self.assertTrue(any("PDF" in lotarin.name(a) or "PDF" in text(a) for a in lotarin.find_all(box, "label")),
                        lotarin.dump_tree(box))
        self.app.click(self.app.find(box, "push button", "いいえ"))
        lotarin.wait_for(lambda: self.message_box() is None, what="the question to close")
        for caption in ("抽選", "やめる", "印刷"):
            self.assertTrue(lotarin.is_showing(self.button(caption)), caption)
        self.assertEqual(text(self.name_box(0)), "一人")
        self.assertEqual(text(self.result_box(0)), PENDING)
        self.assertFalse(any(f.endswith(".pdf") for f in os.listdir(self.workdir)))
