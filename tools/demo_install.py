"""Drives one whole installation as a user would, for the README's run command on a machine
without a display: start button, advice OK, completion prompt answered with Yes. Prints the
install folder and what it holds, and saves screenshots before, during and after.

  bash tools/wine-env.sh python3 tools/demo_install.py <installer.exe> <quilldrive.exe> <screenshot folder>
"""

import os
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "gui"))
import quilltest as qt  # noqa: E402


def main():
    installer = os.path.abspath(sys.argv[1])
    os.environ["QUILL_DRIVER"] = os.path.abspath(sys.argv[2])
    os.environ["QUILL_SCREENSHOT_DIR"] = os.path.abspath(sys.argv[3])

    prog = qt.Program(installer, log_dir=qt.run_temp())
    win = qt.find_window(cls="QuillWindow", timeout=30)
    if not win:
        raise SystemExit("the installer window did not show")
    time.sleep(1.0)
    # The folder label is the lowest label of the window.
    labels = [c for c in qt.children(win.hwnd) if c.cls == "QuillLabel" and c.visible]
    folder_label = max(labels, key=lambda c: c.rect.top, default=None)
    folder = folder_label.text if folder_label else "?"
    print(f"install folder shown: {folder}")
    print(f"screenshot: {qt.screenshot('run-1-before')}")

    qt.xclick(win.rect.left + 14 + 110, win.rect.top + 255 + 40)
    advice = qt.find_msgbox(title="信息：", timeout=30)
    if not advice:
        raise SystemExit("no advice message after the start press")
    qt.press_msgbox(qt.IDOK, title="信息：")
    prompt = qt.find_msgbox(timeout=120)
    if not prompt:
        raise SystemExit("the installation did not reach its end")
    print(f"message: {prompt.caption} {prompt.text!r}")
    print(f"screenshot: {qt.screenshot('run-2-during')}")
    if prompt.caption != "温馨提示：":
        qt.press_msgbox(qt.IDOK)
        print(f"installer ended with exit code {prog.wait(30)}")
        return

    qt.press_msgbox("是", title="温馨提示：")
    code = prog.wait(30)
    product = qt.find_window(title="Orvenline", timeout=15)
    print(f"screenshot: {qt.screenshot('run-3-after')}")
    print(f"installer ended with exit code {code}; the product {'started' if product else 'did not start'}")

    drive = folder[0].lower()
    unix = os.path.join(os.environ["WINEPREFIX"], "dosdevices", f"{drive}:", *folder[3:].split("\\"))
    print(f"contents of {folder}:")
    for dirpath, dirnames, filenames in os.walk(unix):
        dirnames.sort()
        rel = os.path.relpath(dirpath, unix)
        for name in sorted(filenames):
            path = os.path.join(dirpath, name)
            shown = name if rel == "." else os.path.join(rel, name)
            print(f"  {os.path.getsize(path):>10,}  {shown}")
        if rel != ".":
            print(f"  {'<folder>':>10}  {rel}/")


if __name__ == "__main__":
    main()
