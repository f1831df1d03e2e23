"""Faults around the real program: folders it may not write, a folder in place of a list file, a full disk, the
program killed while saving, no print service or one that goes away, and list files of garbage or of a gigabyte.

After each fault nothing the user typed or saved is lost, the program still runs and its main menu still answers,
and every message box is in Japanese, naming the file or the printer and what went wrong. Message boxes are read
through the accessibility bus and answered with a mouse click (pressing a button through its accessible action
would block while the modal box it opens is up).
"""

import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import pyatspi
from Xlib import X
from Xlib.ext import xtest

import lotarin
from lotarin import check_state, text

HERE = os.path.dirname(os.path.abspath(__file__))
MAIN = "Lotarin"
ABOUT = "Lotarinについて"
PARTICIPANT_WINDOW = "参加者設定"
PRIZE_WINDOW = "景品設定"
SHEET = "抽選する"
PENDING = "？？？？？"
NO_PRIZE = "はずれ"
ROWS = 40
MESSAGE_ROLES = (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)
JAPANESE = re.compile(r"[\u3040-\u30ff\u4e00-\u9fff\uff00-\uffef]")
MiB = 1024 * 1024


def record(tick, name=""):
    return str(tick).encode("ascii") + b',"' + name.encode("cp932") + b'"\r\n'


def list_file(rows):
    """The bytes the program writes for these rows: index -> (tick, name); the other rows unticked and empty."""
    return b"".join(record(*rows.get(i, (0, ""))) for i in range(ROWS))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def click_now(button=1):
    """Press and release a mouse button where the pointer is, at once, on the shared X connection."""
    d = lotarin.x_display()
    xtest.fake_input(d, X.ButtonPress, button)
    xtest.fake_input(d, X.ButtonRelease, button)
    d.sync()


def vm_hwm(pid):
    """The peak resident memory of a process, in bytes."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    raise lotarin.E2EError(f"no VmHWM for pid {pid}")


PARTICIPANTS = {0: (1, "山田太郎"), 1: (1, "佐藤, 花子"), 2: (0, "欠席"), 3: (1, "鈴木")}
PRIZES = {0: (1, "テレビ"), 1: (1, "自転車"), 2: (0, "未定"), 3: (1, "図書カード")}


class FaultCase(lotarin.TombalTestCase):
    """Helpers the fault tests share."""

    def make_workdir(self, prefix="tombal-fault-"):
        d = tempfile.mkdtemp(prefix=prefix, dir=os.environ.get("E2E_SESSION_DIR"))
        self.addCleanup(shutil.rmtree, d, True)
        return d

    def start(self, workdir, env=None):
        app = self.start_tombal(workdir=workdir, env=env)
        app.window(MAIN)
        return app

    def press_menu(self, app, caption):
        # No window manager raises a clicked window: bring the menu to the front as an operator would, so that a
        # sheet lying over it does not take the click.
        lotarin.xdotool("windowraise", app.xid(MAIN))
        app.click(app.find(app.window(MAIN), "push button", caption))

    @staticmethod
    def walk(app, title, last):
        """The controls of a shown window by (role, name), in one walk, once its last control is there."""
        win = app.window(title)
        app.find(win, "text", last)
        return {(a.getRole(), lotarin.name(a)): a for a in lotarin.descendants(win)}

    def message_box(self, app):
        return next((w for w in app.windows() if w.getRole() in MESSAGE_ROLES), None)

    def take_message(self, app, answer="OK", timeout=lotarin.TIMEOUT):
        """Wait for a message box, read its title and text, answer it with a click, wait until it has gone;
        returns (title, text)."""
        box = app._wait(lambda: self.message_box(app), timeout, "a message box")
        labels = [text(a) for a in lotarin.find_all(box, "label")]
        title = lotarin.name(box)
        message = "\n".join(t for t in labels if t)
        button = app.find(box, "push button", answer)
        app.click(button)
        # Only this box: the answer may open another dialog (the file dialog after はい).
        app._wait(lambda: all(w.path != box.path for w in app.windows()), lotarin.TIMEOUT,
                  f"the message box to close after {answer}")
        print(f"\n  message box {title!r}: {message!r}", flush=True)
        return title, message

    def assert_japanese_message(self, message, *must_contain):
        self.assertRegex(message, JAPANESE, "the message is not in Japanese")
        for part in must_contain:
            self.assertIn(part, message)

    def assert_alive(self, app):
        """The program runs and its main menu answers: the About window opens and closes again."""
        self.assertTrue(app.running(), app.describe())
        self.press_menu(app, "Lotarinについて")
        about = app.window(ABOUT)
        app.click(app.find(about, "push button", "OK"))
        app.wait_window_gone(ABOUT)
        self.assertTrue(app.running(), app.describe())

    def shown_titles(self, app):
        return sorted(lotarin.name(w) for w in app.windows())


# ----- a: a folder the program may not write -----------------------------------------------------------------

class UnwritableFolderTest(FaultCase):
    """Root writes anywhere, so as root the test runs itself again as the user nobody, in a desktop session of
    nobody's own: this session's accessibility bus has its socket in a runtime folder only root may enter, and a
    D-Bus daemon lets in only the user it runs as."""

    INNER = "E2E_UNWRITABLE_DIR"

    def test_lists_in_a_folder_that_cannot_be_written(self):
        if os.geteuid() == 0 and not os.environ.get(self.INNER):
            self.run_as_nobody()
            return
        folder = os.environ.get(self.INNER)
        if not folder:
            folder = self.make_workdir("tombal-ro-")
            os.chmod(folder, 0o555)
            self.addCleanup(os.chmod, folder, 0o755)
        if os.access(folder, os.W_OK):
            self.skipTest(f"{folder} is writable for this user")

        app = self.start(folder)
        for caption, title, file_name in ((PARTICIPANT_WINDOW, PARTICIPANT_WINDOW, "TBNAME.DAT"),
                                          (PRIZE_WINDOW, PRIZE_WINDOW, "TBKEIHIN.DAT")):
            self.press_menu(app, caption)
            _, message = self.take_message(app)
            self.assert_japanese_message(message, file_name, "アクセス")
            # The window whose list could not be read does not open.
            self.assertEqual(self.shown_titles(app), [MAIN])
            self.assertEqual(os.listdir(folder), [])
            self.assert_alive(app)
        # The sheet needs the participant list first; it does not open either.
        self.press_menu(app, "開始")
        _, message = self.take_message(app)
        self.assert_japanese_message(message, "TBNAME.DAT")
        self.assertEqual(self.shown_titles(app), [MAIN])
        self.assert_alive(app)
        self.assertEqual(os.listdir(folder), [])

    def run_as_nobody(self):
        if shutil.which("runuser") is None:
            self.skipTest("runuser is not installed")
        folder = tempfile.mkdtemp(prefix="tombal-ro-")          # root's, 0755: nobody may enter, not write
        os.chmod(folder, 0o755)
        self.addCleanup(shutil.rmtree, folder, True)
        home = tempfile.mkdtemp(prefix="tombal-nobody-home-")  # fontconfig and Qt want a writable home
        os.chown(home, 65534, 65534)
        self.addCleanup(shutil.rmtree, home, True)
        test = f"{__name__}.{type(self).__name__}.{self._testMethodName}"
        command = ["runuser", "-u", "nobody", "--", "env", "-u", "TMPDIR", "-u", "E2E_PDF_DIR",
                   "-u", "E2E_ARTIFACTS", f"HOME={home}", f"TOMBAL={lotarin.tombal_path()}",
                   f"{self.INNER}={folder}", os.path.join(HERE, "session.sh"),
                   sys.executable, "-m", "unittest", "-v", test]
        try:
            run = subprocess.run(command, cwd=HERE, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True, timeout=120)
        except subprocess.TimeoutExpired as e:
            self.fail(f"the run as nobody did not end within 120 s:\n{e.output}")
        out = run.stdout
        print("\n  as nobody: " + "\n  as nobody: ".join(out.strip().splitlines()), flush=True)
        self.assertEqual(run.returncode, 0, out)
        self.assertRegex(out, r"\bOK\b", out)
        self.assertNotIn("skipped", out, out)
        self.assertEqual(os.listdir(folder), [], "files appeared in the unwritable folder")


# ----- b: a folder where the prize list should be ---------------------------------------------------------------

class PrizeListIsAFolderTest(FaultCase):

    def test_prize_list_folder(self):
        folder = self.make_workdir()
        names = list_file(PARTICIPANTS)
        write_bytes(os.path.join(folder, "TBNAME.DAT"), names)
        os.mkdir(os.path.join(folder, "TBKEIHIN.DAT"))
        app = self.start(folder)

        self.press_menu(app, "景品設定")
        title, message = self.take_message(app)
        self.assert_japanese_message(message, "TBKEIHIN.DAT", "フォルダー")
        self.assertEqual(self.shown_titles(app), [MAIN], "the prize window opened anyway")
        self.assert_alive(app)

        # The sheet opens (its participants are fine); the draw cannot read the prizes and draws nothing.
        self.press_menu(app, "開始")
        sheet = self.walk(app, SHEET, "結果 40")
        listed = [n for _, (t, n) in sorted(PARTICIPANTS.items()) if t == 1]
        results = [sheet[(pyatspi.ROLE_TEXT, f"結果 {r + 1}")] for r in range(len(listed))]
        self.assertEqual([text(a) for a in results], [PENDING] * len(listed))
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "抽選")])
        _, message = self.take_message(app)
        self.assert_japanese_message(message, "TBKEIHIN.DAT", "フォルダー")
        self.assertEqual([text(a) for a in results], [PENDING] * len(listed), "a half-done draw")
        self.assertEqual([text(sheet[(pyatspi.ROLE_TEXT, f"名前 {r + 1}")]) for r in range(len(listed))], listed)
        self.assertIn(SHEET, self.shown_titles(app))
        self.assert_alive(app)

        # Once the folder has gone, the same sheet draws: an empty prize list gives nobody a prize.
        os.rmdir(os.path.join(folder, "TBKEIHIN.DAT"))
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "抽選")])
        lotarin.wait_for(lambda: [text(a) for a in results] == [NO_PRIZE] * len(listed), what="the draw")
        self.assertEqual(read_bytes(os.path.join(folder, "TBNAME.DAT")), names)
        self.assertEqual(read_bytes(os.path.join(folder, "TBKEIHIN.DAT")), b"")


# ----- c: a full disk --------------------------------------------------------------------------------------------

class FullDiskTest(FaultCase):

    def mount_small_disk(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system needs root")
        folder = tempfile.mkdtemp(prefix="tombal-full-")
        self.addCleanup(shutil.rmtree, folder, True)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=0755", "tmpfs", folder],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                 text=True, timeout=20)
        if mounted.returncode != 0:
            self.skipTest(f"cannot mount a tmpfs here: {mounted.stdout.strip()}")
        # Registered after rmtree, so it runs before it; the program, started later, ends before both.
        self.addCleanup(self.unmount, folder)
        return folder

    @staticmethod
    def unmount(folder):
        if subprocess.run(["umount", folder], stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=20).returncode != 0:
            subprocess.run(["umount", "-l", folder], stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)

    @staticmethod
    def fill(folder):
        """Fill the file system to the last byte with one file; returns its path."""
        path = os.path.join(folder, "filler")
        with open(path, "wb", buffering=0) as f:
            block = b"\xaa" * 4096
            try:
                while True:
                    f.write(block)
            except OSError:
                pass
            try:
                while True:
                    f.write(b"\xaa")
            except OSError:
                pass
        return path

    def test_save_to_a_full_disk(self):
        folder = self.mount_small_disk()
        old = list_file({0: (1, "古い名前"), 1: (0, "そのまま")})
        write_bytes(os.path.join(folder, "TBNAME.DAT"), old)
        app = self.start(folder)
        self.press_menu(app, PARTICIPANT_WINDOW)
        win = self.walk(app, PARTICIPANT_WINDOW, "名前 40")
        edits = {0: "新しい名前", 5: "追加した人", 39: "最後の行"}
        for row, name in edits.items():
            lotarin.set_text(win[(pyatspi.ROLE_TEXT, f"名前 {row + 1}")], name)
        app.click(win[(pyatspi.ROLE_CHECK_BOX, "参加 6")])
        lotarin.wait_for(lambda: check_state(win[(pyatspi.ROLE_CHECK_BOX, "参加 6")]) == 1, what="the tick")
        filler = self.fill(folder)

        app.click(win[(pyatspi.ROLE_PUSH_BUTTON, "設定")])
        _, message = self.take_message(app)
        self.assert_japanese_message(message, "TBNAME.DAT", "空き容量")
        # The window stays with every edit; the old file is untouched and no temporary file is left.
        self.assertIn(PARTICIPANT_WINDOW, self.shown_titles(app))
        for row, name in edits.items():
            self.assertEqual(text(win[(pyatspi.ROLE_TEXT, f"名前 {row + 1}")]), name)
        self.assertEqual(check_state(win[(pyatspi.ROLE_CHECK_BOX, "参加 6")]), 1)
        self.assertEqual(read_bytes(os.path.join(folder, "TBNAME.DAT")), old)
        self.assertEqual(sorted(os.listdir(folder)), ["TBNAME.DAT", "filler"])
        self.assert_alive(app)

        # With room again the same window saves.
        os.remove(filler)
        app.click(win[(pyatspi.ROLE_PUSH_BUTTON, "設定")])
        app.wait_window_gone(PARTICIPANT_WINDOW)
        self.assertEqual(read_bytes(os.path.join(folder, "TBNAME.DAT")),
                         list_file({0: (1, "新しい名前"), 1: (0, "そのまま"), 5: (1, "追加した人"),
                                    39: (0, "最後の行")}))
        self.assertEqual(os.listdir(folder), ["TBNAME.DAT"])
        self.assert_alive(app)


# ----- d: killed while saving ------------------------------------------------------------------------------------

class KilledDuringSaveTest(FaultCase):
    ROUNDS = 10

    def test_kill_during_save_leaves_old_or_new(self):
        folder = self.make_workdir()
        path = os.path.join(folder, "TBNAME.DAT")
        old = list_file({r: (1, f"旧参加者{r + 1}") for r in range(5)})
        new = list_file({r: (1, f"新しい参加者その{r + 1}, 様") for r in range(ROWS)})
        rng = random.Random()
        seen = {"old": 0, "new": 0}
        leftovers = 0
        rounds = []
        for round_ in range(self.ROUNDS):
            write_bytes(path, old)
            app = self.start(folder)
            self.press_menu(app, PARTICIPANT_WINDOW)
            win = self.walk(app, PARTICIPANT_WINDOW, "名前 40")
            for r in range(ROWS):
                lotarin.set_text(win[(pyatspi.ROLE_TEXT, f"名前 {r + 1}")], f"新しい参加者その{r + 1}, 様")
            app.click(win[(pyatspi.ROLE_PUSH_BUTTON, "全員選択")])
            lotarin.wait_for(lambda: check_state(win[(pyatspi.ROLE_CHECK_BOX, "参加 40")]) == 1, what="ticks")
            # The pointer waits on 設定; the click goes out on the test's own X connection, so the moment it
            # leaves is known (starting xdotool takes 100 ms or more, and varies). The kill follows it by 0 to
            # 30 ms, most often within the first few, where the save (about a millisecond) happens.
            x, y = lotarin.centre(win[(pyatspi.ROLE_PUSH_BUTTON, "設定")])
            lotarin.xdotool("mousemove", "--sync", x, y)
            delay = 0.030 * rng.random() ** 2
            click_now()
            time.sleep(delay)
            app.proc.send_signal(signal.SIGKILL)
            app.proc.wait(10)
            got = read_bytes(path)
            self.assertIn(got, (old, new), f"round {round_ + 1}: a mixed file after a kill {delay * 1000:.1f} ms "
                                           f"after the click:\n{got!r}")
            seen["old" if got == old else "new"] += 1
            rounds.append(f"{delay * 1000:.1f} ms: {'old' if got == old else 'new'}")
            stray = [f for f in os.listdir(folder) if f != "TBNAME.DAT"]
            leftovers += len(stray)
            for f in stray:
                os.remove(os.path.join(folder, f))
        print(f"\n  killed during save: {seen['old']} times the old file, {seen['new']} times the new one, "
              f"{leftovers} temporary files left behind ({', '.join(rounds)})", flush=True)


# ----- e, f: printing without a print service --------------------------------------------------------------------

class PrintFaultCase(FaultCase):

    def drawn_sheet(self, env=None):
        folder = self.make_workdir()
        write_bytes(os.path.join(folder, "TBNAME.DAT"), list_file(PARTICIPANTS))
        write_bytes(os.path.join(folder, "TBKEIHIN.DAT"), list_file(PRIZES))
        app = self.start(folder, env)
        self.press_menu(app, "開始")
        sheet = self.walk(app, SHEET, "結果 40")
        n = sum(1 for t, _ in PARTICIPANTS.values() if t == 1)
        boxes = [sheet[(pyatspi.ROLE_TEXT, f"結果 {r + 1}")] for r in range(n)]
        lotarin.press(sheet[(pyatspi.ROLE_PUSH_BUTTON, "抽選")])
        results = lotarin.wait_for(lambda: (lambda rs: rs if PENDING not in rs else None)([text(b) for b in boxes]),
                                   what="the draw")
        return folder, app, sheet, boxes, results

    def assert_sheet_kept(self, app, sheet, boxes, results):
        for caption in ("抽選", "やめる", "印刷"):
            button = sheet[(pyatspi.ROLE_PUSH_BUTTON, caption)]
            app._wait(lambda: lotarin.is_showing(button), lotarin.TIMEOUT, f"{caption} to show again")
        self.assertEqual([text(b) for b in boxes], results, "the results changed")
        self.assertIn(SHEET, self.shown_titles(app))


class NoPrintServiceTest(PrintFaultCase):

    def test_no_printer_offers_a_pdf_file(self):
        folder, app, sheet, boxes, results = self.drawn_sheet({"CUPS_SERVER": "/nonexistent"})
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "印刷")])
        _, message = self.take_message(app, "はい")
        self.assert_japanese_message(message, "プリンター", "PDF")
        # The file dialog proposes a file in the working folder; Enter takes it.
        dialog = app.window("PDF ファイルとして保存")
        name_box = next((a for a in lotarin.find_all(dialog, "text") if text(a).endswith(".pdf")), None)
        self.assertIsNotNone(name_box, lotarin.dump_tree(dialog))
        proposed = text(name_box)
        print(f"\n  PDF dialog proposes {proposed!r}", flush=True)
        app.key("PDF ファイルとして保存", "Return")
        app.wait_window_gone("PDF ファイルとして保存")
        pdf = os.path.join(folder, os.path.basename(proposed))
        lotarin.wait_for(lambda: os.path.exists(pdf) and lotarin.pdf_pages(pdf) == 1, what=f"{pdf} with one page")
        self.assertIsNone(self.message_box(app), "a message after a good print")
        self.assert_sheet_kept(app, sheet, boxes, results)
        self.assert_alive(app)


    # The file dialog that the offer of a PDF file opens is Qt's own: its buttons and labels come from Qt's
    # Japanese translation.
    def test_the_pdf_file_dialog_is_japanese(self):
        folder, app, sheet, boxes, results = self.drawn_sheet({"CUPS_SERVER": "/nonexistent"})
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "印刷")])
        self.take_message(app, "はい")
        title = "PDF ファイルとして保存"
        dialog = app.window(title)
        captions = lotarin.wait_for(lambda: sorted({lotarin.name(a) for a in lotarin.descendants(dialog)
                                                    if a.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LABEL)
                                                    and lotarin.name(a)}), what="the dialog's captions")
        english = [c for c in captions if re.fullmatch(r"[A-Za-z][A-Za-z .:]*", c)]
        # Cancelled, the dialog leaves the sheet as it was and writes nothing.
        app.key(title, "Escape")
        app.wait_window_gone(title)
        self.assert_sheet_kept(app, sheet, boxes, results)
        self.assertFalse([f for f in os.listdir(folder) if f.endswith(".pdf")])
        if english:
            raise lotarin.E2EError(f"English captions in the file dialog: {english}")


class PrintServiceStopsTest(PrintFaultCase):
    CUPS = os.path.join(HERE, "cups.sh")

    def cups(self, action, timeout=60):
        return subprocess.run([self.CUPS, action], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, timeout=timeout)

    def need_print_service(self):
        if not os.environ.get("E2E_PDF_DIR"):
            self.skipTest("no CUPS PDF printer (tests/e2e/cups.sh did not set one up)")
        if os.geteuid() != 0:
            self.skipTest("stopping the print service needs root")
        if self.cups("status").returncode != 0:
            self.skipTest("the CUPS PDF queue is not ready")
        # Whatever happens, the service comes back, accepting jobs, for the tests after this one.
        self.addCleanup(lambda: self.assertEqual(self.cups("start").returncode, 0, "cupsd did not come back"))

    def wait_print_end(self, app, sheet, quiet=2.0, timeout=30.0):
        """Wait until the print has ended: a message box is up (returned), or the buttons are back and no box has
        come for `quiet` seconds (None). Fails if the program hangs or ends meanwhile."""
        button = sheet[(pyatspi.ROLE_PUSH_BUTTON, "印刷")]
        deadline = time.monotonic() + timeout
        calm_since = None
        while True:
            if not app.running():
                raise lotarin.E2EError("the program ended during the print\n" + app.describe())
            box = self.message_box(app)
            if box is not None:
                return box
            now = time.monotonic()
            if lotarin.is_showing(button):
                calm_since = calm_since or now
                if now - calm_since >= quiet:
                    return None
            else:
                calm_since = None
            if now >= deadline:
                raise lotarin.E2EError(f"the print had not ended after {timeout:.0f} s\n" + app.describe())
            time.sleep(lotarin.POLL)

    def test_print_service_stopped_during_and_before_a_job(self):
        self.need_print_service()
        folder, app, sheet, boxes, results = self.drawn_sheet()

        # The service goes down while the sheet is printing; the click leaves at once on the test's own X
        # connection, and stopping the scheduler takes half a second.
        x, y = lotarin.centre(sheet[(pyatspi.ROLE_PUSH_BUTTON, "印刷")])
        lotarin.xdotool("mousemove", "--sync", x, y)
        click_now()
        stopped = self.cups("stop")
        if stopped.returncode != 0:
            self.skipTest(f"cannot stop the print service: {stopped.stdout.strip()}")
        # Either the job was handed over in time or a message says it was not; no hang, no crash, either way.
        box = self.wait_print_end(app, sheet)
        if box is not None:
            _, message = self.take_message(app, self.answer(app, box))
            self.assert_japanese_message(message)
        else:
            print("\n  service stopped during the print: no message (the job counts as handed over)", flush=True)
        self.assert_sheet_kept(app, sheet, boxes, results)
        self.assert_alive(app)

        # With the service gone before the press: a message, and the sheet stays as it was.
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "印刷")])
        box = app._wait(lambda: self.message_box(app), 30, "a message about the missing printer")
        _, message = self.take_message(app, self.answer(app, box))
        self.assert_japanese_message(message, "プリンター")
        self.assert_sheet_kept(app, sheet, boxes, results)
        self.assert_alive(app)

        self.assertEqual(self.cups("start").returncode, 0)

    # Qt's CUPS print engine drops the result of handing the job to CUPS, so the program asks the queue
    # first: a queue that rejects jobs gives a message instead of swallowing the page.
    def test_a_job_the_queue_refuses_is_reported(self):
        self.need_print_service()
        folder, app, sheet, boxes, results = self.drawn_sheet()
        # The printer is there and is the default, but takes no jobs.
        subprocess.run(["cupsreject", "PDF"], check=True, stdin=subprocess.DEVNULL, timeout=20)
        before = lotarin.pdf_files()
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "印刷")])
        box = self.wait_print_end(app, sheet)
        self.assert_sheet_kept(app, sheet, boxes, results)
        if box is None:
            jobs = subprocess.run(["lpstat", "-o"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True,
                                  timeout=20).stdout
            raise lotarin.E2EError(f"the queue refused the job and the program said nothing; queued: {jobs!r}, "
                                   f"new PDFs: {sorted(lotarin.pdf_files() - before)}")
        _, message = self.take_message(app, self.answer(app, box))
        self.assert_japanese_message(message, "PDF")
        self.assert_sheet_kept(app, sheet, boxes, results)
        self.assert_alive(app)

    def answer(self, app, box=None):
        """No to the offer of a PDF file, OK to a plain message."""
        box = box or self.message_box(app)
        captions = {lotarin.name(b) for b in lotarin.find_all(box, "push button")}
        return "いいえ" if "いいえ" in captions else "OK"


# ----- g: garbage and a gigabyte ---------------------------------------------------------------------------------

class HugeAndGarbageListsTest(FaultCase):
    MEMORY_LIMIT = 200 * MiB

    def open_and_cancel(self, app, caption, title, last):
        started = time.monotonic()
        self.press_menu(app, caption)
        self.walk(app, title, last)
        took = time.monotonic() - started
        rss = vm_hwm(app.pid)
        print(f"\n  {title}: opened in {took:.2f} s, peak memory {rss / MiB:.0f} MiB", flush=True)
        self.assertLess(took, 10.0, f"{title} took {took:.1f} s to open")
        self.assertLess(rss, self.MEMORY_LIMIT, f"{title}: the program grew to {rss / MiB:.0f} MiB")
        win = app.window(title)
        app.click(app.find(win, "push button", "キャンセル"))
        app.wait_window_gone(title)

    def draw(self, app):
        self.press_menu(app, "開始")
        sheet = self.walk(app, SHEET, "結果 40")
        results = [a for (role, n), a in sheet.items() if role == pyatspi.ROLE_TEXT and n.startswith("結果 ")
                   and lotarin.is_showing(a)]
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "抽選")])
        lotarin.wait_for(lambda: all(text(a) != PENDING for a in results), what="the draw")
        app.click(sheet[(pyatspi.ROLE_PUSH_BUTTON, "やめる")])
        app.wait_window_gone(SHEET)

    def test_random_bytes(self):
        folder = self.make_workdir()
        rng = random.Random(20240611)
        # Plenty of line ends, so that most of the 40 rows get a record of garbage.
        files = {}
        for name in ("TBNAME.DAT", "TBKEIHIN.DAT"):
            data = bytearray(rng.getrandbits(8) for _ in range(48 * 1024))
            for i in range(0, len(data), rng.randint(20, 400)):
                data[i] = 0x0A
            files[name] = bytes(data)
            write_bytes(os.path.join(folder, name), files[name])
        app = self.start(folder)
        self.open_and_cancel(app, PARTICIPANT_WINDOW, PARTICIPANT_WINDOW, "名前 40")
        self.open_and_cancel(app, PRIZE_WINDOW, PRIZE_WINDOW, "景品 40")
        self.draw(app)
        self.assert_alive(app)
        for name, data in files.items():
            self.assertEqual(read_bytes(os.path.join(folder, name)), data, f"{name} was changed")

    def test_a_gigabyte_of_zeros(self):
        folder = self.make_workdir()
        for name in ("TBNAME.DAT", "TBKEIHIN.DAT"):
            subprocess.run(["truncate", "-s", "1G", os.path.join(folder, name)], check=True, timeout=20)
        app = self.start(folder)
        self.open_and_cancel(app, PARTICIPANT_WINDOW, PARTICIPANT_WINDOW, "名前 40")
        self.open_and_cancel(app, PRIZE_WINDOW, PRIZE_WINDOW, "景品 40")
        self.draw(app)
        self.assert_alive(app)
        rss = vm_hwm(app.pid)
        self.assertLess(rss, self.MEMORY_LIMIT, f"the program grew to {rss / MiB:.0f} MiB")
        for name in ("TBNAME.DAT", "TBKEIHIN.DAT"):
            self.assertEqual(os.path.getsize(os.path.join(folder, name)), 1 << 30)


if __name__ == "__main__":
    unittest.main()
