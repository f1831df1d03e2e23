"""The Windows program as a user gets it: the installer ($LOTARIN_DIST) run silently in a fresh Wine on a private
desktop, the installed Tombal.exe started from its Start menu entry and driven through the X server alone (no accessibility
bus): the menu centred, its Japanese captions drawn, a list pasted, typed, ticked and saved, the sheet drawn with Enter and
printed through Wine's spooler into CUPS; removed, the lists staying; then installed for all users and removed."""

import glob
import os
import re
import subprocess

from PIL import ImageChops

import lotarin
from lotarin import key, list_file, red, wait, window_image, xdotool, xid


def distinct_glyphs(image, count):
    """Whether the ink of a caption of `count` characters splits into `count` different glyphs: a font without them
    draws the same box for each, or nothing."""
    ink = image.convert("L").point(lambda v: 255 if v < 100 else 0)
    box = ink.getbbox()
    width = box and (box[2] - box[0]) / count
    cells = (
        [ink.crop((round(box[0] + i * width), box[1], round(box[0] + (i + 1) * width), box[3])) for i in range(count)]
        if box
        else []
    )
    cells = [c.resize(cells[0].size) for c in cells]
    return bool(cells) and all(
        ImageChops.difference(a, b).getbbox() for i, a in enumerate(cells) for b in cells[i + 1 :]
    )


class Wine(lotarin.TestCase):
    def gone(self, title):
        wait(
            lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], capture_output=True
            ).returncode
            != 0,
            f"{title} to close",
        )

    def test_installed_raffle(self):
        setup = glob.glob(os.path.join(os.environ["LOTARIN_DIST"], "Lotarin-*-setup.exe"))
        if not setup and os.environ.get("CI") != "true":
            self.skipTest("no installer built (scripts/windows builds it)")
        home = self.folder()
        env = {k: v for k, v in os.environ.items() if k not in ("WINEPATH", "QT_PLUGIN_PATH")}  # only what it installed
        env.update(HOME=home, WINEPREFIX=os.path.join(home, "prefix"))
        run = lambda *command: subprocess.run(command, env=env, check=True)  # noqa: E731
        lib = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/lib")
        run("bash", "-c", f"source {lib}/common.sh && source {lib}/windows.sh && lotarin_wine_prefix $WINEPREFIX")
        run("wine", setup[0], "/S")
        user = os.path.join(env["WINEPREFIX"], "drive_c/users", os.environ.get("USER") or "root")
        installed, staged = os.path.join(user, "AppData/Local/Programs/Lotarin"), glob.glob(setup[0][:-10] + "/")[0]
        files = lambda top: sorted(
            os.path.relpath(os.path.join(d, f), top) for d, _, fs in os.walk(top) for f in fs
        )  # noqa: E731
        self.assertEqual(files(installed), sorted(files(staged) + ["uninstall.exe"]))
        self.assertTrue("plugins/platforms/qwindows.dll" in files(installed) and "Qt6Test.dll" not in files(installed))
        menu = os.path.join(user, "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Lotarin.lnk")
        lists = os.path.join(home, "Lotarin")  # the user's Documents\Lotarin: Wine's Documents is $HOME
        self.assertTrue(os.path.isfile(menu) and os.path.isdir(lists))
        self.assertIn(
            "uninstall.exe",
            subprocess.run(
                ["wine", "reg", "query", r"HKCU\Software\Microsoft\Windows\CurrentVersion" r"\Uninstall\Lotarin"],
                env=env,
                capture_output=True,
                text=True,
            ).stdout,
        )

        with open(os.path.join(lists, "TBKEIHIN.DAT"), "wb") as f:
            f.write(list_file({0: (1, "液晶テレビ"), 1: (1, "自転車"), 2: (0, "予備")}))
        run("wine", "start", "/unix", menu)
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env)
        window = xid("Lotarin", timeout=60)
        geometry = xdotool("getwindowgeometry", window).split()
        x, y = (int(v) for v in geometry[geometry.index("Position:") + 1].split(","))
        # Windows centres the outer frame on the 1024 by 768 screen: the client area sits half a title bar lower.
        self.assertEqual((geometry[geometry.index("Geometry:") + 1], x), ("422x298", (1024 - 422) // 2))
        self.assertTrue(0 < y - (768 - 298) // 2 <= 20, y)
        shot = wait(
            lambda: (lambda s: distinct_glyphs(s.crop((20, 12, 189, 37)), 5) and s)(window_image(window)),
            "参加者設定 drawn in a Japanese font",
        )
        self.assertGreater(red(shot) + sum(1 for p in shot.getdata() if p == (0, 128, 128)), 1000, "開始 and 終了 coloured")

        # Two names pasted as a column into row 1 (Tab: 設定, キャンセル, 参加 1, 名前 1), rows 1 and 2 ticked, the third
        # typed into row 3 (Wine has no input method: Japanese keys all arrive as the first one), Enter.
        key("Lotarin", "space")
        subprocess.run(
            ["xclip", "-selection", "clipboard"],
            input="山田 太郎\n佐藤, 花子\n".encode(),
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            check=True,
        )  # serving it from the background
        key(
            "参加者設定",
            "Tab",
            "Tab",
            "Tab",
            "Tab",
            "ctrl+v",
            "shift+Tab",
            "space",
            "Tab",
            "Tab",
            "Tab",
            "space",
            "Tab",
            "type",
            "--delay",
            "60",
            "John Smith",
        )
        key("参加者設定", "Return")
        self.gone("参加者設定")
        self.assertEqual(
            self.read(lists, "TBNAME.DAT"), list_file({0: (1, "山田 太郎"), 1: (1, "佐藤, 花子"), 2: (0, "John Smith")})
        )

        key("Lotarin", "Tab", "Tab", "space")  # 開始
        sheet = xid("抽選する")
        rows = lambda: window_image(sheet).crop((0, 0, 400, 80))  # noqa: E731  the first rows, clear of the menu
        wait(lambda: rows().crop((8, 44, 124, 70)).convert("L").getextrema()[0] < 100, "the pending marks")
        self.assertEqual(red(rows()), 0)
        key("抽選する", "Return")  # 抽選, the default button
        wait(lambda: red(rows()) > 50, "the winners in red")
        self.assertTrue(os.environ.get("E2E_PDF_DIR") or os.environ.get("CI") != "true", "CI prints through CUPS")
        if os.environ.get("E2E_PDF_DIR"):
            before = lotarin.printed()
            key("抽選する", "Tab", "Tab", "space")  # 印刷
            self.check_page(lotarin.printed_page(before), home)
        key("抽選する", "Escape")
        self.gone("抽選する")
        # The About window's frame is of a fixed size: Windows cannot resize it, nor a window manager (Wine tells it so).
        key("Lotarin", "Tab", "Tab", "space")  # Lotarinについて, the focus being on 開始
        hints = subprocess.run(["xprop", "-id", str(xid("Lotarinについて")), "WM_NORMAL_HINTS"], capture_output=True)
        self.assertEqual(re.findall(rb"(?:minimum|maximum) size: (\d+ by \d+)", hints.stdout), [b"407 by 207"] * 2)
        key("Lotarinについて", "Return")
        self.gone("Lotarinについて")
        key("Lotarin", "shift+Tab", "space")  # 終了
        self.gone("Lotarin")
        remove = lambda exe: (
            run("wineserver", "-w"),
            run("wine", exe, "/S"),
            run("wineserver", "-w"),
        )  # noqa: E731  waits: it goes on from a copy of itself
        remove(os.path.join(installed, "uninstall.exe"))
        self.assertFalse(os.path.exists(installed) or os.path.exists(menu), "the program removed")
        self.assertEqual(sorted(os.listdir(lists)), ["TBKEIHIN.DAT", "TBNAME.DAT"], "the lists stay")
        # For every user, then removed by a plain /S: the uninstaller finds its mode in the registry.
        common = [
            os.path.join(env["WINEPREFIX"], "drive_c", p)
            for p in (
                "Program Files/Lotarin/uninstall.exe",
                "ProgramData/Microsoft/Windows/Start Menu/Programs/Lotarin.lnk",
            )
        ]
        run("wine", setup[0], "/S", "/AllUsers")
        self.assertTrue(all(map(os.path.isfile, common)), "installed for every user")
        remove(common[0])
        self.assertFalse(any(map(os.path.exists, common)), "removed, its Start menu entry too")
