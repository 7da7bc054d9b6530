"""Benchmark of a whole installation under wine64 (prints figures; never fails on time).

  bash tools/wine-env.sh python3 tests/bench/bench_install.py [build folder] [runs]

Measures, in one run of the environment:
- the installation from the press of the start button's advice OK to the completion prompt
  (release of tool.zip, extraction, shortcut), as seen from outside through window polling;
- writing the same payload to a file plus extracting it with minizip's own miniunz;
- the time from process start to the window's first paint (first time it is visible with its
  picture drawn), the executable's size and the peak working set (the Linux process of a
  wine64 program is the Windows process, so its VmHWM is the program's peak resident set).
"""

import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import quilltest as qt  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build", "x86_64")
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
os.environ.setdefault("QUILL_BUILD_DIR", BUILD)
INSTALLER = os.path.join(BUILD, "flow", "installer.exe")
os.environ.setdefault("QUILL_INSTALLER", INSTALLER)
os.environ.setdefault("QUILL_DRIVER", os.path.join(BUILD, "tests", "driver", "quilldrive.exe"))
MINIUNZ = os.path.join(ROOT, "build", "deps", "x86_64", "bin", "miniunz.exe")
PAYLOAD = os.path.join(BUILD, "generated", "payload.zip")
INSTALL_DIR = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Tessaly软件", "Orvenline")
BUTTON = (14 + 110, 255 + 40)  # centre of the start button inside the window


def peak_rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def one_installation(tmp):
    shutil.rmtree(INSTALL_DIR, ignore_errors=True)
    start = time.monotonic()
    prog = qt.Program(INSTALLER, log_dir=tmp)
    win = qt.find_window(cls="QuillWindow", timeout=30)
    # First paint: the start button's teal shows where the window's blue background was.
    def painted():
        img = qt.grab()
        r, g, b = img.pixel(win.rect.left + 30, win.rect.top + 270)
        return g > 120 and r < 90
    qt.wait_until(painted, timeout=30, interval=0.02)
    first_paint = time.monotonic() - start
    qt.xclick(win.rect.left + BUTTON[0], win.rect.top + BUTTON[1])
    advice = qt.find_msgbox(title="信息：", timeout=30)
    ok = next(b for b in advice.buttons if b.id == qt.IDOK)
    t0 = time.monotonic()
    qt.xclick(*ok.rect.center)
    qt.find_msgbox(title="温馨提示：", timeout=120)
    install = time.monotonic() - t0
    peak = peak_rss_kib(prog.popen.pid)
    qt.press_msgbox("否", title="温馨提示：")
    prog.wait(30)
    return first_paint, install, peak


def one_miniunz(tmp):
    out = os.path.join(tmp, "miniunz-out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    target = os.path.join(tmp, "tool.zip")
    t0 = time.monotonic()
    with open(PAYLOAD, "rb") as src, open(target, "wb") as dst:
        dst.write(src.read())
    code, _ = qt.run(MINIUNZ, ["-x", "-o", qt.to_windows(target), "-d", qt.to_windows(out)], cwd=tmp, timeout=120)
    elapsed = time.monotonic() - t0
    if code != 0:
        raise SystemExit(f"miniunz failed with {code}")
    return elapsed


def main():
    tmp = qt.test_dir("bench-install")
    paints, installs, peaks, minis = [], [], [], []
    for _ in range(RUNS):
        paint, install, peak = one_installation(tmp)
        paints.append(paint)
        installs.append(install)
        if peak:
            peaks.append(peak)
        minis.append(one_miniunz(tmp))
    inst, mini = statistics.median(installs), statistics.median(minis)
    print(f"runs                                  {RUNS}")
    print(f"installation (advice OK -> prompt)    {inst:.3f} s  (median; all: {', '.join(f'{v:.3f}' for v in installs)})")
    print(f"tool.zip write + miniunz extraction   {mini:.3f} s  (median; all: {', '.join(f'{v:.3f}' for v in minis)})")
    print(f"ratio installation / miniunz          {inst / mini:.2f}  (goal <= 1.5)")
    print(f"process start -> first paint          {statistics.median(paints):.3f} s  (median, polling resolution ~0.1 s)")
    print(f"installer.exe size                    {os.path.getsize(INSTALLER):,} bytes")
    if peaks:
        print(f"peak working set (VmHWM)              {max(peaks) / 1024:.1f} MiB")
    print("(both timings include starting a Windows process under wine64 for miniunz and polling "
          "windows from outside for the installer)")


if __name__ == "__main__":
    main()
