#!/usr/bin/python3
"""Start-up time and peak memory of Tombal against a bare Qt window, under a running X server.

    bench/startup.py [--tsv] [--wine] PATH/TO/Tombal PATH/TO/bench_barewindow [RUNS]

Time runs from just before the process is spawned to the X server mapping its first
top-level window with the expected title, and on to that window drawn (its top left pixel
the light grey of a window's background: what the user first sees). Work moved from before
the mapping to the first paint changes the first figure only. Peak memory is the process's
VmHWM once the window is mapped. Runs alternate between the two programs so that machine noise hits
both alike. Both start as on an ordinary desktop: the accessibility bridge is not forced
on (the private session forces it for the end-to-end tests, and it costs the program with
more controls more). Prints medians and the ratios; asserts nothing. --tsv prints key<TAB>value lines
instead, for bench/run's table. --wine starts the two Windows programs under Wine (its server
kept running, as on a desktop where Wine is in use) and prefixes the keys with "wine.".
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display


def window_title(d, win):
    try:
        name = win.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        if name:
            return name.value.decode("utf-8", "replace")
        wm = win.get_wm_name()
        return wm if isinstance(wm, str) else (wm or b"").decode("latin-1")
    except Exception:  # the window may already be gone
        return ""


def vm_hwm_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


LAUNCHER = []
PLAIN_ENV = {k: v for k, v in os.environ.items() if k != "QT_LINUX_ACCESSIBILITY_ALWAYS_ON"}


def one_run(d, root, program, title, cwd):
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    d.sync()
    while d.pending_events():
        d.next_event()
    start = time.perf_counter()
    proc = subprocess.Popen(
        LAUNCHER + [program],
        cwd=cwd,
        stdin=subprocess.DEVNULL,
        env=PLAIN_ENV,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
    )
    deadline = start + 20
    shown = drawn = window = peak = None
    while shown is None and time.perf_counter() < deadline:
        if not d.pending_events():
            time.sleep(0.0005)
            continue
        ev = d.next_event()
        if ev.type == X.MapNotify and window_title(d, ev.window) == title:
            shown, window = time.perf_counter(), ev.window
            peak = vm_hwm_kib(proc.pid) if proc.poll() is None else 0
    # Drawn is looked for on Linux only: Wine's windows are drawn by Wine's own code.
    seen_until = time.perf_counter() + (0 if LAUNCHER else 5)
    while window is not None and drawn is None and time.perf_counter() < seen_until:
        try:
            r, g, b = window.get_image(2, 2, 1, 1, X.ZPixmap, 0xFFFFFFFF).data[2::-1]
        except Exception:  # not yet viewable
            r = g = b = 0
        if r == g == b and 200 <= r <= 250:
            drawn = time.perf_counter()
        else:
            time.sleep(0.0005)
    proc.send_signal(signal.SIGKILL)
    proc.wait()
    if shown is None:
        raise RuntimeError(f"{program} showed no window titled {title!r}")
    return (shown - start) * 1000.0, drawn and (drawn - start) * 1000.0, peak


def main():
    args = sys.argv[1:]
    tsv, wine = "--tsv" in args, "--wine" in args
    args = [a for a in args if a not in ("--tsv", "--wine")]
    key = "wine." if wine else ""
    if wine:
        LAUNCHER.append("wine")
        subprocess.run(["wineserver", "-p"], check=True)
    if len(args) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    tombal, bare = args[0], args[1]
    runs = int(args[2]) if len(args) > 2 else 15
    d = display.Display()
    root = d.screen().root
    results = {"Tombal": ([], [], []), "bare Qt window": ([], [], [])}
    with tempfile.TemporaryDirectory() as cwd:
        # One unmeasured start of each warms the file cache.
        one_run(d, root, tombal, "Lotarin", cwd)
        one_run(d, root, bare, "Bare", cwd)
        for _ in range(runs):
            for name, prog, title in (("Tombal", tombal, "Lotarin"), ("bare Qt window", bare, "Bare")):
                for figures, value in zip(results[name], one_run(d, root, prog, title, cwd)):
                    figures.append(value)
        if os.listdir(cwd):
            print("note: start-up left files behind:", os.listdir(cwd))
    t_ms = statistics.median(results["Tombal"][0])
    b_ms = statistics.median(results["bare Qt window"][0])
    drawn = [[v for v in results[name][1] if v is not None] for name in ("Tombal", "bare Qt window")]
    t_drawn, b_drawn = (statistics.median(v) if len(v) == runs else None for v in drawn)
    t_kib = statistics.median(results["Tombal"][2])
    b_kib = statistics.median(results["bare Qt window"][2])
    if tsv:
        print(f"{key}startup.runs\t{runs}")
        print(f"{key}startup.tombal_ms\t{t_ms:.3f}")
        print(f"{key}startup.bare_ms\t{b_ms:.3f}")
        if t_drawn and b_drawn:
            print(f"{key}startup.tombal_drawn_ms\t{t_drawn:.3f}")
            print(f"{key}startup.bare_drawn_ms\t{b_drawn:.3f}")
        print(f"{key}memory.tombal_mib\t{t_kib / 1024:.3f}")
        print(f"{key}memory.bare_mib\t{b_kib / 1024:.3f}")
        return 0
    print(
        f"start-up to main menu mapped  Tombal {t_ms:7.1f} ms   bare {b_ms:7.1f} ms   ratio {t_ms / b_ms:.2f}"
        f"   (median of {runs}; min {min(results['Tombal'][0]):.1f} / {min(results['bare Qt window'][0]):.1f} ms)"
    )
    if t_drawn and b_drawn:
        print(
            f"start-up to main menu drawn   Tombal {t_drawn:7.1f} ms   bare {b_drawn:7.1f} ms"
            f"   ratio {t_drawn / b_drawn:.2f}"
        )
    print(
        f"peak memory (VmHWM)           Tombal {t_kib / 1024:7.1f} MiB  bare {b_kib / 1024:7.1f} MiB"
        f"  ratio {t_kib / b_kib:.2f}"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
