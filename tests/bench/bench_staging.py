"""Benchmark of the staged installation (unpack beside the folder, then a commit of renames)
against direct extraction into the folder: two installer builds with the same payload, run
silently under wine64 in the same run, alternating, first installations and reinstallations
over a complete installation (prints figures; never fails on time).

  bash tools/wine-env.sh python3 tests/bench/bench_staging.py --direct OLD.exe [--staged NEW.exe] [--runs N]

OLD.exe is an installer built from a tree that still extracts directly (a saved binary, or
a second build folder of such a tree); NEW.exe defaults to this build's installer. Each run
is checked for exit code 0 and the product's executable in place. Medians and the ratio
staged / direct are printed per kind of run.
"""

import argparse
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import quilltest as qt  # noqa: E402


def timed_install(exe, folder_win):
    started = time.monotonic()
    code, output = qt.run(exe, ["/S", "/D=" + folder_win], timeout=120)
    took = time.monotonic() - started
    if code != 0:
        raise SystemExit(f"{exe} exited {code}: {output}")
    return took


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--direct", required=True)
    parser.add_argument("--staged", default=os.path.join(qt.build_dir(), "flow", "installer.exe"))
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()

    root = os.path.join(qt.run_temp(), "bench-staging")
    os.makedirs(root, exist_ok=True)
    qt.map_drive("d", root)
    times = {(build, kind): [] for build in ("direct", "staged") for kind in ("first", "again")}
    exes = {"direct": args.direct, "staged": args.staged}
    for build, exe in exes.items():  # one untimed probe each: caches warm alike
        timed_install(exe, f"D:\\probe-{build}")
    for run in range(args.runs):
        order = ("direct", "staged") if run % 2 == 0 else ("staged", "direct")
        for build in order:
            folder = os.path.join(root, build)
            shutil.rmtree(folder, ignore_errors=True)
            times[(build, "first")].append(timed_install(exes[build], f"D:\\{build}"))
            times[(build, "again")].append(timed_install(exes[build], f"D:\\{build}"))
            if not os.path.isfile(os.path.join(folder, "Orvenline.exe")):
                raise SystemExit(f"{build}: no Orvenline.exe after the run")
    qt.unmap_drive("d")
    print(f"runs: {args.runs}, seconds from process start to end (median)")
    for kind, label in (("first", "first installation"), ("again", "reinstallation")):
        direct = statistics.median(times[("direct", kind)])
        staged = statistics.median(times[("staged", kind)])
        print(f"{label:20s} direct {direct:.3f}  staged {staged:.3f}  staged/direct {staged / direct:.3f}")


if __name__ == "__main__":
    main()
