"""The Windows program as a user gets it, under Wine, driven through the X server: installed, drawn, printed, refused
while it runs, started elsewhere and portable, removed; then installed for all users through the installer's pages."""

import glob
import os
import re
import shutil
import subprocess
from pathlib import Path

import lotarin
from lotarin import closed, gone, key, list_file, out, red, wait, window_image, xid


class Wine(lotarin.TestCase):
    def test_installed_raffle(self):
        setup = glob.glob(os.path.join(os.environ["LOTARIN_DIST"], "Lotarin-*-setup.exe"))
        if not setup and os.environ.get("CI") != "true":
            self.skipTest("no installer built (scripts/windows builds it)")
        home = self.folder()
        env = {k: v for k, v in os.environ.items() if k not in ("WINEPATH", "QT_PLUGIN_PATH")}  # only what it installed
        env.update(HOME=home, WINEPREFIX=os.path.join(home, "prefix"))
        run = lambda *command, **kw: subprocess.run(command, env=env, **{"check": True, **kw})  # noqa: E731
        lib = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/lib")
        run("bash", "-c", f"source {lib}/common.sh && source {lib}/windows.sh && lotarin_wine_prefix $WINEPREFIX")
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env)
        # Documents redirected, as OneDrive's folder backup does it: the lists follow it.
        documents = os.path.join(home, "OneDrive", "ドキュメント")
        os.makedirs(documents)
        shell = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer" + "\\"
        for folders in ("User Shell Folders", "Shell Folders"):  # where Windows looks, and its cache
            run(
                "wine", "reg", "add", shell + folders, "/v", "Personal", "/d", "Z:" + documents.replace("/", "\\"), "/f"
            )

        def registered(root, value):
            entry = root + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lotarin"
            said = out("wine", "reg", "query", entry, "/v", value, env=env, errors="replace")
            return (re.findall(r"REG_SZ\s+(.*)", said) or [None])[0]

        def uninstall(root, value):
            """As 設定 › アプリ does."""
            exe, args = re.fullmatch(r'"([^"]+)"(.*)', registered(root, value).strip()).groups()
            subprocess.Popen(["wine", exe, *args.split()], env=env)

        def end():
            key("Lotarin", "Tab", "Tab", "Tab", "space")  # 終了, the focus being on 参加者設定
            gone("Lotarin")

        run("wine", setup[0], "/S")
        user = os.path.join(env["WINEPREFIX"], "drive_c/users", os.environ.get("USER") or "root")
        installed, staged = os.path.join(user, "AppData/Local/Programs/Lotarin"), glob.glob(setup[0][:-10] + "/")[0]
        menu = os.path.join(user, "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Lotarin.lnk")
        lists = os.path.join(documents, "Lotarin")
        self.assertTrue(os.path.isfile(menu) and os.path.isdir(lists) and registered("HKCU", "UninstallString"))

        for file, names in (("TBKEIHIN.DAT", ("液晶テレビ", "自転車")), ("TBNAME.DAT", ("山田 太郎", "佐藤, 花子"))):
            Path(lists, file).write_bytes(list_file({0: (1, names[0]), 1: (1, names[1]), 2: (0, "予備")}))
        run("wine", "start", "/unix", menu)  # its working folder is the program folder
        window = xid("Lotarin", timeout=60)
        coloured = lambda s: red(s) + sum(1 for p in s.getdata() if p == (0, 128, 128)) > 1000  # noqa: E731
        wait(lambda: coloured(window_image(window)), "the menu drawn, 開始 and 終了 in their colours")
        key("Lotarin", "Tab", "Tab", "space")  # 開始
        sheet = xid("抽選する")
        rows = lambda: window_image(sheet).crop((0, 0, 400, 80))  # noqa: E731  the first rows, clear of the menu
        wait(lambda: rows().crop((8, 44, 124, 70)).convert("L").getextrema()[0] < 100, "the pending marks")
        key("抽選する", "Return")  # 抽選, the default button
        wait(lambda: red(rows()) > 50, "the winners in red")
        # Saved (Ctrl+S) through Windows' save dialog, as it proposes, in the lists' folder.
        key("抽選する", "ctrl+s")
        key("結果を保存", "Return")
        saved = wait(lambda: [f for f in os.listdir(lists) if f.endswith(".csv")], "the results saved")
        self.assertTrue(os.environ.get("E2E_PDF_DIR") or os.environ.get("CI") != "true", "CI prints through CUPS")
        if os.environ.get("E2E_PDF_DIR"):
            before = lotarin.printed()
            key("抽選する", "Tab", "Tab", "space")  # 印刷
            self.check_page(lotarin.printed_page(before), home)
            # A queue that rejects jobs looks ready through Wine's spooler; the job fails in EndDoc, which Qt's engine
            # calls a success: Lotarin says so all the same.
            subprocess.run(["cupsreject", "PDF"], check=True)
            self.addCleanup(subprocess.run, ["cupsaccept", "PDF"])
            before = lotarin.printed()
            key("抽選する", "space")  # 印刷 again: the focus went back to it
            key("印刷", "Return")
            gone("印刷")
            subprocess.run(["cupsaccept", "PDF"], check=True)
            self.assertEqual(lotarin.printed(), before)
        key("抽選する", "Escape")
        gone("抽選する")
        # While it runs, Windows would keep its files: neither reinstalled nor removed.
        self.assertEqual(run("wine", setup[0], "/S", check=False).returncode, 32)
        in_place = "_?=" + registered("HKCU", "InstallLocation")
        self.assertEqual(
            run("wine", os.path.join(installed, "uninstall.exe"), "/S", in_place, check=False).returncode, 32
        )
        self.assertTrue(
            os.path.isfile(os.path.join(installed, "Tombal.exe"))
            and os.path.isfile(menu)
            and registered("HKCU", "QuietUninstallString")
        )
        key("Lotarin", "Tab", "space")  # 終了, the focus being on 開始
        gone("Lotarin")

        portable = shutil.copytree(staged, os.path.join(home, "USB"))
        for program, folder in ((installed, self.folder()), (portable, portable)):  # a shortcut's folder; a USB stick
            subprocess.Popen(["wine", os.path.join(program, "Tombal.exe")], cwd=folder, env=env)
            xid("Lotarin", timeout=60)
            key("Lotarin", "space")  # 参加者設定 makes its list where Lotarin was started
            wait(lambda: os.path.exists(os.path.join(folder, "TBNAME.DAT")), f"TBNAME.DAT in {folder}")
            key("参加者設定", "Escape")
            gone("参加者設定")
            end()
        uninstall("HKCU", "UninstallString")
        pages = "Lotarin のアンインストール.*"
        key(pages, "Return")  # アンインストール
        wait(lambda: not registered("HKCU", "UninstallString"), "the program removed")
        # It may close while a key waits for it.
        wait(lambda: closed(pages) or key(pages, "Return"), "閉じる", timeout=60)
        run("wineserver", "-w", timeout=60)  # it goes on from a copy of itself
        self.assertFalse(os.path.exists(installed) or os.path.exists(menu), "the program removed")
        self.assertEqual(sorted(os.listdir(lists)), sorted(["TBKEIHIN.DAT", "TBNAME.DAT"] + saved), "the files stay")

        # For every user, chosen on the pages by an administrator (Wine's user is one); its last page starts Lotarin.
        subprocess.Popen(["wine", setup[0]], env=env)
        pages = "Lotarin セットアップ.*"
        art = lambda: window_image(xid(pages)).getpixel((60, 100))  # noqa: E731  the welcome and finish pages' picture
        wait(lambda: art()[2] > 100 > art()[0], "the welcome page")
        key(pages, "Return")
        wait(lambda: art()[0] > 100, "the next page")
        key(pages, "Tab", "Tab", "Down", "Return")  # すべてのユーザー
        key(pages, "Return")  # インストール, into the folder the page offers
        wait(lambda: art()[2] > 100 > art()[0], "the finish page", timeout=60)
        wait(lambda: closed(pages) or key(pages, "Return"), "完了", timeout=60)  # Lotarin を起動する ticked
        xid("Lotarin", timeout=60)
        end()
        common = [
            os.path.join(env["WINEPREFIX"], "drive_c", p)
            for p in (
                "Program Files/Lotarin/uninstall.exe",
                "ProgramData/Microsoft/Windows/Start Menu/Programs/Lotarin.lnk",
            )
        ]
        self.assertTrue(all(map(os.path.isfile, common)), "installed for every user")
        uninstall("HKLM", "QuietUninstallString")
        run("wineserver", "-w", timeout=60)
        self.assertFalse(any(map(os.path.exists, common)) or registered("HKLM", "UninstallString"), "removed")
