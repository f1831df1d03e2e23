"""Tombal.exe ($TOMBAL) under Wine on a private desktop, driven through the X server alone (Wine has no accessibility
bus): the main menu centred and its Japanese captions drawn, a participant list pasted, ticked and saved, the sheet
drawn with Enter and printed through Wine's spooler into the CUPS queue PDF. Then the installer ($LOTARIN_DIST):
installed silently into a fresh Wine, the installed program started from its Start menu entry, and removed."""

import glob
import os
import subprocess
import tempfile

from PIL import Image, ImageChops
from Xlib import X, display

import lotarin
from lotarin import key, list_file, wait, xdotool, xid

SCREEN = (1024, 768)


def screenshot(xid):
    d = display.Display()
    window = d.create_resource_object("window", xid)
    g = window.get_geometry()
    data = window.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF).data
    d.close()
    return Image.frombytes("RGB", (g.width, g.height), data, "raw", "BGRX")


def red(image):
    return sum(1 for r, g, b in image.getdata() if r > 180 and g < 90 and b < 90)


def distinct_glyphs(image, count):
    """Whether the ink of a caption of `count` characters splits into `count` different glyphs: a font without them
    draws the same box for each, or nothing."""
    ink = image.convert("L").point(lambda v: 255 if v < 100 else 0)
    box = ink.getbbox()
    if not box:
        return False
    width = (box[2] - box[0]) / count
    cells = [ink.crop((round(box[0] + i * width), box[1], round(box[0] + (i + 1) * width), box[3])) for i in range(count)]
    cells = [c.resize(cells[0].size) for c in cells]
    return all(ImageChops.difference(a, b).getbbox() for i, a in enumerate(cells) for b in cells[i + 1:])


class Wine(lotarin.TestCase):
    def start(self, folder, exe=None, env=None):
        proc = subprocess.Popen(["wine", exe or os.environ["TOMBAL"]], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), proc.wait()))
        return proc

    def gone(self, title):
        wait(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                                    capture_output=True).returncode != 0, f"{title} to close")

    def test_a_raffle(self):
        folder = self.folder({"TBKEIHIN.DAT": list_file({0: (1, "液晶テレビ"), 1: (1, "自転車"), 2: (0, "予備")})})
        proc = self.start(folder)
        menu = xid("Lotarin", timeout=60)
        geometry = xdotool("getwindowgeometry", menu).split()
        x, y = (int(v) for v in geometry[geometry.index("Position:") + 1].split(","))
        size = tuple(int(v) for v in geometry[geometry.index("Geometry:") + 1].split("x"))
        # Windows centres the outer frame: the client area sits half a title bar lower.
        self.assertEqual((size, x), ((422, 298), (SCREEN[0] - 422) // 2))
        self.assertTrue(0 < y - (SCREEN[1] - 298) // 2 <= 20, y)
        shot = wait(lambda: (lambda s: distinct_glyphs(s.crop((20, 12, 189, 37)), 5) and s)(screenshot(menu)),
                    "参加者設定 drawn in a Japanese font")
        self.assertGreater(red(shot) + sum(1 for p in shot.getdata() if p == (0, 128, 128)), 1000, "開始 and 終了 coloured")

        # The names pasted as a column into row 1 (Tab: 設定, キャンセル, 参加 1, 名前 1), rows 1 and 2 ticked.
        key("Lotarin", "space")
        names = "山田 太郎\n佐藤, 花子\nJohn Smith\n"
        subprocess.run(["xclip", "-selection", "clipboard"], input=names.encode(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)  # it serves the paste from the background
        key("参加者設定", "Tab", "Tab", "Tab", "Tab", "ctrl+v", "shift+Tab", "space", "Tab", "Tab", "Tab", "space")
        key("参加者設定", "Return")  # 設定, the focus being on a tick box
        self.gone("参加者設定")
        people = {0: (1, "山田 太郎"), 1: (1, "佐藤, 花子"), 2: (0, "John Smith")}
        self.assertEqual(self.read(folder, "TBNAME.DAT"), list_file(people))

        key("Lotarin", "Tab", "Tab", "space")  # 開始
        sheet = xid("抽選する")
        rows = lambda: screenshot(sheet).crop((0, 0, 400, 80))  # noqa: E731  the first rows, clear of the menu
        wait(lambda: rows().crop((8, 44, 124, 70)).convert("L").getextrema()[0] < 100, "the pending marks")
        self.assertEqual(red(rows()), 0)
        key("抽選する", "Return")  # 抽選, the default button
        wait(lambda: red(rows()) > 50, "the winners in red")
        if os.environ.get("E2E_PDF_DIR"):
            before = lotarin.printed()
            key("抽選する", "Tab", "Tab", "space")  # 印刷
            self.check_page(lotarin.printed_page(before), folder)
        else:
            self.assertNotEqual(os.environ.get("CI"), "true", "CI prints through CUPS")
        key("抽選する", "Escape")
        self.gone("抽選する")
        key("Lotarin", "Tab", "space")  # 終了, the focus being on 開始
        self.assertEqual(proc.wait(20), 0)

    def test_installer(self):
        home = tempfile.mkdtemp(prefix="wine-home-")
        self.addCleanup(subprocess.run, ["rm", "-rf", home])
        env = {k: v for k, v in os.environ.items() if k not in ("WINEPATH", "QT_PLUGIN_PATH")}
        env.update(HOME=home, WINEPREFIX=os.path.join(home, "prefix"))
        user = os.path.join(env["WINEPREFIX"], "drive_c/users", os.environ.get("USER") or "root")
        lib = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/lib")
        subprocess.run(["bash", "-c", f"source {lib}/common.sh && source {lib}/windows.sh && lotarin_wine_prefix $WINEPREFIX"],
                       env=env, check=True)
        setup = glob.glob(os.path.join(os.environ["LOTARIN_DIST"], "Lotarin-*-setup.exe"))
        if not setup and os.environ.get("CI") != "true":
            self.skipTest("no installer built (scripts/windows builds it)")
        setup, = setup
        subprocess.run(["wine", setup, "/S"], env=env, check=True)
        installed = os.path.join(user, "AppData/Local/Programs/Lotarin")
        staged, = glob.glob(os.path.join(os.environ["LOTARIN_DIST"], "Lotarin-*/"))
        files = lambda top: sorted(os.path.relpath(os.path.join(d, f), top) for d, _, fs in os.walk(top) for f in fs)  # noqa: E731
        self.assertEqual(files(installed), sorted(files(staged) + ["uninstall.exe"]))
        self.assertIn("plugins/platforms/qwindows.dll", files(installed))
        self.assertNotIn("Qt6Test.dll", files(installed))
        menu = os.path.join(user, "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Lotarin.lnk")
        lists = os.path.join(home, "Lotarin")  # the user's Documents: $HOME under Wine
        self.assertTrue(os.path.isfile(menu) and os.path.isdir(lists))
        query = subprocess.run(["wine", "reg", "query", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lotarin",
                                "/v", "UninstallString"], env=env, capture_output=True, text=True).stdout
        self.assertIn("uninstall.exe", query)

        # Started from the Start menu, the installed program keeps its lists in that folder.
        subprocess.run(["wine", "start", "/unix", menu], env=env, check=True)
        key("Lotarin", "space")
        xid("参加者設定")
        wait(lambda: os.path.isfile(os.path.join(lists, "TBNAME.DAT")), "the list in Documents\\Lotarin")
        subprocess.run(["wineserver", "-k"], env=env)
        subprocess.run(["wine", os.path.join(installed, "uninstall.exe"), "/S"], env=env, check=True)
        subprocess.run(["wineserver", "-w"], env=env)
        wait(lambda: not os.path.exists(installed) and not os.path.exists(menu), "the program removed")
        self.assertEqual(os.listdir(lists), ["TBNAME.DAT"], "the lists stay")
