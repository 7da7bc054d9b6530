"""Benchmark of a silent installation against the installer users would otherwise pick: an
NSIS installer (zlib) of exactly the same files, both installed silently under wine64 in the
same run (prints figures; never fails on time).

  bash tools/wine-env.sh python3 tests/bench/bench_silent.py [--installer EXE] [--runs N]

- The product archive the installer carries (its build folder's generated/payload.zip) is
  unpacked to a folder with its GBK names and times; an .nsi is generated that installs that
  folder (empty folders too) and puts the same desktop shortcut, and makensis builds it.
- Each run removes both install folders and the shortcut, then times each program from
  process start to process end: `installer.exe /S /D=<folder>` and `nsis-setup.exe /S
  /D=<folder>`, in alternating order. Every run is checked: exit code 0 and the whole tree
  with its sizes in place. Medians over the runs (at least 5) and their ratio are printed.
- One probe run of each comes first (not timed). An installer that does not end on its own
  within the probe's limit, or ends without installing, is reported as such; NSIS's figures
  are printed all the same.
"""

import argparse
import calendar
import os
import shutil
import statistics
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import quilltest as qt  # noqa: E402
from installer_ui import tree_of  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PROBE_LIMIT = 30.0


def exit_code_names():
    """{code as wine64 reports it: name} from the exit-code table."""
    return {code: name for name, code in qt.EXIT_CODES.items()}


def unpack(payload, folder):
    """Unpacks the archive as the installer does (GBK names, DOS times read as UTC); returns
    {relative path: (is folder, size)} and the folders with nothing inside."""
    tree = {}
    with zipfile.ZipFile(payload) as z:
        for info in z.infolist():
            raw = info.filename.encode("cp437") if not info.flag_bits & 0x800 else info.filename.encode()
            rel = raw.decode("gbk").rstrip("/")
            path = os.path.join(folder, rel)
            if info.is_dir():
                os.makedirs(path, exist_ok=True)
            else:
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(z.read(info))
                when = calendar.timegm(info.date_time + (0, 0, 0))
                os.utime(path, (when, when))
            tree[rel] = (info.is_dir(), info.file_size)
    empty = [rel for rel, (is_dir, _) in tree.items()
             if is_dir and not any(other.startswith(rel + "/") for other in tree)]
    return tree, empty


def windows(rel):
    return rel.replace("/", "\\")


def make_nsis(files, empty, name, out_dir):
    """Builds the NSIS installer of `files`; returns its path and makensis's time."""
    script = os.path.join(out_dir, "bench.nsi")
    exe = os.path.join(out_dir, "nsis-setup.exe")
    lines = [
        "Unicode true",
        "Target amd64-unicode",
        "SetCompressor zlib",
        f'Name "{name}"',
        f'OutFile "{exe}"',
        f'InstallDir "$PROGRAMFILES\\{name}"',
        "RequestExecutionLevel user",
        "Section",
        '  SetOutPath "$INSTDIR"',
        f'  File /r "{files}/*"',
    ]
    lines += [f'  CreateDirectory "$INSTDIR\\{windows(rel)}"' for rel in sorted(empty)]
    lines += [f'  CreateShortcut "$DESKTOP\\{name}.lnk" "$INSTDIR\\{name}.exe"', "SectionEnd", ""]
    with open(script, "w", encoding="utf-8-sig") as f:
        f.write("\n".join(lines))
    t0 = time.monotonic()
    # makensis reads the files' names in the locale's character set.
    done = subprocess.run(["makensis", "-V2", script], stdin=subprocess.DEVNULL,
                          env=dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8"),
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        raise SystemExit("makensis failed:\n" + done.stdout.decode("utf-8", "replace"))
    return exe, time.monotonic() - t0


class Side:
    """One installer of the comparison, its install folder and its timings."""

    def __init__(self, label, exe, folder_windows, folder_unix):
        self.label, self.exe = label, exe
        self.folder_windows, self.folder_unix = folder_windows, folder_unix
        self.times, self.failure = [], None

    def clear(self, link):
        shutil.rmtree(self.folder_unix, ignore_errors=True)
        if os.path.exists(link):
            os.remove(link)

    def run(self, tmp, limit):
        """(seconds, exit code) of one silent installation. A program still running after
        `limit` is ended; its exit code is then None, or "window" when it showed the
        installer's window."""
        t0 = time.monotonic()
        prog = qt.Program(self.exe, ["/S", "/D=" + self.folder_windows], log_dir=tmp)
        try:
            code = prog.popen.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            code = None
        elapsed = time.monotonic() - t0
        if code is None:
            if qt.find_window(cls="QuillWindow", timeout=0.5):
                code = "window"
            prog.kill()
        return elapsed, code

    def verdict(self, code, tree, link, names):
        """Why the run does not count as an installation, or None."""
        if code == "window":
            return (f"showed its window and did not end within {PROBE_LIMIT:.0f} s: this build "
                    "does not install silently (/S)")
        if code is None:
            return f"did not end within {PROBE_LIMIT:.0f} s"
        if code != 0:
            return f"ended with exit code {code} ({names.get(code, 'unknown')})"
        found = tree_of(self.folder_unix) if os.path.isdir(self.folder_unix) else {}
        # The installer puts its uninstaller and record beside the product (NSIS leaves none).
        for own in ("uninstall.exe", "uninstall.dat"):
            found.pop(own, None)
        if found != tree:
            missing = sorted(set(tree) - set(found))
            return (f"ended with 0 but the install folder {self.folder_windows} is not the product "
                    f"({len(found)} of {len(tree)} entries; first missing: {missing[:3]})")
        if not os.path.exists(link):
            return "installed the files but made no desktop shortcut"
        return None


def figures(values):
    return f"{statistics.median(values):.3f} s  (median; all: {', '.join(f'{v:.3f}' for v in values)})"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--installer", default=os.path.join(ROOT, "build", "x86_64", "flow", "installer.exe"))
    parser.add_argument("--payload", help="its product archive (default: the build folder's generated/payload.zip)")
    parser.add_argument("--name", default="Orvenline", help="product name (its .exe and shortcut)")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    if args.runs < 5:
        parser.error("at least 5 runs")
    installer = os.path.abspath(args.installer)
    payload = args.payload or os.path.join(os.path.dirname(os.path.dirname(installer)), "generated", "payload.zip")
    os.environ.setdefault("QUILL_DRIVER", os.path.join(ROOT, "build", "x86_64", "tests", "driver", "quilldrive.exe"))
    names = exit_code_names()

    tmp = qt.test_dir("bench-silent")
    files = os.path.join(tmp, "files")
    tree, empty = unpack(payload, files)
    nsis_exe, makensis_time = make_nsis(files, empty, args.name, tmp)
    link = os.path.join(qt.desktop_dir(), args.name + ".lnk")
    drive_c = os.path.join(qt.prefix_dir(), "drive_c")
    base = "基准测试"   # no blank: wine64 quotes an argument with one, and /D= must be unquoted
    sides = [Side(label, exe, f"C:\\{base}\\{label}\\{args.name}",
                  os.path.join(drive_c, base, label, args.name))
             for label, exe in (("quill", installer), ("nsis", nsis_exe))]

    # Probe runs: warm the caches and find out whether each side installs at all.
    for side in sides:
        side.clear(link)
        _, code = side.run(tmp, PROBE_LIMIT)
        side.failure = side.verdict(code, tree, link, names)
    for i in range(args.runs):
        for side in (sides if i % 2 == 0 else sides[::-1]):
            if side.failure:
                continue
            side.clear(link)
            elapsed, code = side.run(tmp, PROBE_LIMIT)
            side.failure = side.verdict(code, tree, link, names)
            if not side.failure:
                side.times.append(elapsed)
    for side in sides:
        side.clear(link)

    quill, nsis = sides
    files_count = sum(1 for d, _ in tree.values() if not d)
    print(f"product                               {len(tree)} entries ({files_count} files, "
          f"{sum(s for _, s in tree.values()):,} bytes), archive {os.path.getsize(payload):,} bytes")
    print(f"runs                                  {args.runs} of each, alternating, after one untimed probe each")
    for side, size in ((quill, os.path.getsize(installer)), (nsis, os.path.getsize(nsis_exe))):
        what = f"{side.label} /S /D= (whole process)".ljust(38)
        if side.failure:
            print(f"{what}NOT MEASURED: {side.failure}")
        else:
            print(f"{what}{figures(side.times)}")
        print(f"{side.label} installer size".ljust(38) + f"{size:,} bytes")
    print(f"makensis (zlib) build time            {makensis_time:.2f} s")
    if quill.times and nsis.times:
        ratio = statistics.median(quill.times) / statistics.median(nsis.times)
        print(f"ratio quill / nsis                    {ratio:.2f}  (goal <= 1.00)")
    else:
        print("ratio quill / nsis                    not available: one side did not install")
    return 0 if not nsis.failure else 1


if __name__ == "__main__":
    sys.exit(main())
