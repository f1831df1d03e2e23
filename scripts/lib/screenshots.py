#!/usr/bin/python3
"""Takes the user guide's pictures of the five windows, and of the draw sheet's room's view, from the real program.

Runs inside tests/e2e/desktop (scripts/screenshots sets that up):

    /usr/bin/python3 scripts/lib/screenshots.py PATH/TO/Tombal OUTPUT_FOLDER

Writes sample lists into a fresh working folder, starts Tombal there, opens each window from
the main menu, captures it (the window alone) and closes it again. The images are reduced to
256 colours and stripped of metadata, which keeps them small enough to commit.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import lotarin  # noqa: E402

MAIN = "Lotarin"
PARTICIPANTS_WINDOW = "参加者設定"
PRIZES_WINDOW = "景品設定"
SHEET = "抽選する"
ABOUT = "Lotarinについて"
VIEW = "発表"
PENDING = "？？？？？"

# (tick, name): two people have sent their apologies and stay unticked.
PARTICIPANTS = [
    (1, "山田 太郎"),
    (1, "佐藤 花子"),
    (1, "鈴木 一郎"),
    (1, "高橋 美咲"),
    (1, "田中 健太"),
    (0, "伊藤 さくら"),
    (1, "渡辺 翔"),
    (1, "中村 由美"),
    (1, "小林 大輔"),
    (1, "加藤 真理子"),
    (1, "吉田 拓也"),
    (1, "山本 愛"),
    (0, "松本 亮"),
    (1, "井上 恵"),
    (1, "木村 直樹"),
    (1, "林 美穂"),
    (1, "清水 健一"),
    (1, "斎藤 陽子"),
]
# The spare prize is kept back (unticked) for a later round.
PRIZES = [
    (1, "温泉旅行ペア券"),
    (1, "液晶テレビ"),
    (1, "ロボット掃除機"),
    (1, "電動アシスト自転車"),
    (1, "高級和牛セット"),
    (1, "ワイヤレスイヤホン"),
    (1, "コーヒーメーカー"),
    (0, "ノートパソコン（予備）"),
    (1, "図書カード 3,000円分"),
    (1, "商品券 5,000円分"),
    (1, "今治タオルセット"),
    (1, "遊園地ペアチケット"),
]


def list_file(rows):
    """40 records in the program's own format: tick,"text" CR LF, code page 932."""
    rows = rows + [(0, "")] * (40 - len(rows))
    return b"".join(f'{tick},"{text}"\r\n'.encode("cp932") for tick, text in rows)


def text(acc):
    return acc.queryText().getText(0, -1)


def park_mouse():
    """Moves the pointer off every window, so that no button is drawn hovered."""
    lotarin.xdotool("mousemove", "--sync", 1023, 767)


def capture(app, title, path):
    """Saves the window once two grabs in a row agree (the window has finished painting)."""
    scratch = tempfile.mkdtemp(prefix="shot-")
    try:
        raw, previous, deadline = os.path.join(scratch, "grab.ppm"), None, time.monotonic() + 5
        while True:
            time.sleep(0.25)
            subprocess.run(["import", "-window", str(lotarin.xid(title)), raw], check=True, stdin=subprocess.DEVNULL)
            with open(raw, "rb") as f:
                data = f.read()
            if data == previous or time.monotonic() > deadline:
                break
            previous = data
        subprocess.run(
            ["/usr/bin/convert", raw, "-strip", "+dither", "-colors", "256", "PNG8:" + path],
            check=True,
            stdin=subprocess.DEVNULL,
        )
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"{path}: {os.path.getsize(path) // 1024} KiB", file=sys.stderr)


def press(app, title, caption):
    app.press(title, caption)
    park_mouse()


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    os.environ["TOMBAL"], out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(out, exist_ok=True)
    workdir = tempfile.mkdtemp(prefix="screenshots-wd-")
    with open(os.path.join(workdir, "TBNAME.DAT"), "wb") as f:
        f.write(list_file(PARTICIPANTS))
    with open(os.path.join(workdir, "TBKEIHIN.DAT"), "wb") as f:
        f.write(list_file(PRIZES))
    app = lotarin.Tombal(workdir)
    try:
        park_mouse()
        app.window(MAIN)
        capture(app, MAIN, os.path.join(out, "main-menu.png"))
        for caption, name in ((PARTICIPANTS_WINDOW, "participants.png"), (PRIZES_WINDOW, "prizes.png")):
            press(app, MAIN, caption)
            app.window(caption)
            capture(app, caption, os.path.join(out, name))
            press(app, caption, "キャンセル")
            lotarin.gone(caption)

        press(app, MAIN, "開始")
        sheet = app.controls(SHEET, "結果 40")
        listed = sum(1 for tick, _ in PARTICIPANTS if tick == 1)
        capture(app, SHEET, os.path.join(out, "draw-sheet-pending.png"))
        press(app, SHEET, "抽選")
        lotarin.wait(lambda: all(text(sheet[("text", f"結果 {r + 1}")]) != PENDING for r in range(listed)), "the draw")
        capture(app, SHEET, os.path.join(out, "draw-sheet.png"))
        lotarin.key(SHEET, "F11")
        app.window(VIEW)
        capture(app, VIEW, os.path.join(out, "room-view.png"))
        lotarin.key(VIEW, "Escape")
        lotarin.gone(VIEW)
        press(app, SHEET, "やめる")
        lotarin.gone(SHEET)

        press(app, MAIN, ABOUT)
        app.window(ABOUT)
        capture(app, ABOUT, os.path.join(out, "about.png"))
        press(app, ABOUT, "OK")
        lotarin.gone(ABOUT)
        press(app, MAIN, "終了")
        app.proc.wait(10)
    finally:
        if app.proc.poll() is None:
            app.proc.kill()
        shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
