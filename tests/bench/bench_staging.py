"""Benchmark of the staged installation (unpack beside the folder, then a commit of renames)
against direct extraction into the folder: two installer builds with the same payload, run
silently under wine64 in the same run, alternating, first installations and reinstallations
over a complete installation (prints figures; never fails on time).

  bash tools/wine-env.sh python3 tests/bench/bench_staging.py --direct OLD.exe [--staged NEW.exe] [--runs N]

OLD.exe is an installer built from a tree that still extracts directly (a saved binary, or
a second build folder of such a tree); NEW.exe defaults to this build's installer. Each run
is checked for exit code 0 and the product's executable in place. The order of the two
builds alternates from round to round. Medians of the wall time and of the processor time
(the installer's and this prefix's wineserver's) and the ratios staged / direct are printed
per kind of run.
"""

import argparse
import os
import resource
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import quilltest as qt  # noqa: E402


def wineserver_pid():
    """The wineserver of this run's prefix, which does a share of every installer's work: it
    works in a folder named after the prefix's device and inode."""
    st = os.stat(os.environ["WINEPREFIX"])
    wanted = f"server-{st.st_dev:x}-{st.st_ino:x}"
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.path.basename(os.readlink(f"/proc/{pid}/cwd")) == wanted:
                return pid
        except OSError:
            continue
    raise SystemExit("no wineserver for this prefix")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def timed_install(exe, folder_win, server):
    """(wall seconds, processor seconds of the installer and the wineserver) of one run."""
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    served = cpu_seconds(server)
    started = time.monotonic()
    code, output = qt.run(exe, ["/S", "/D=" + folder_win], timeout=120)
    took = time.monotonic() - started
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - children.ru_utime - children.ru_stime + cpu_seconds(server) - served
    if code != 0:
        raise SystemExit(f"{exe} exited {code}: {output}")
    return took, cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--direct", required=True)
    parser.add_argument("--staged", default=os.path.join(qt.build_dir(), "flow", "installer.exe"))
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()

    root = os.path.join(qt.run_temp(), "bench-staging")
    os.makedirs(root, exist_ok=True)
    qt.map_drive("d", root)
    times = {(build, kind): [] for build in ("direct", "staged") for kind in ("first", "again")}
    exes = {"direct": args.direct, "staged": args.staged}
    server = wineserver_pid()
    for build, exe in exes.items():  # one untimed probe each: caches warm alike
        timed_install(exe, f"D:\\probe-{build}", server)
    for run in range(args.runs):
        order = ("direct", "staged") if run % 2 == 0 else ("staged", "direct")
        for build in order:
            folder = os.path.join(root, build)
            shutil.rmtree(folder, ignore_errors=True)
            times[(build, "first")].append(timed_install(exes[build], f"D:\\{build}", server))
            times[(build, "again")].append(timed_install(exes[build], f"D:\\{build}", server))
            if not os.path.isfile(os.path.join(folder, "Orvenline.exe")):
                raise SystemExit(f"{build}: no Orvenline.exe after the run")
    qt.unmap_drive("d")
    print(f"runs: {args.runs}, medians in seconds; wall from process start to end, cpu of installer + wineserver")
    for kind, label in (("first", "first installation"), ("again", "reinstallation")):
        for i, measure in enumerate(("wall", "cpu")):
            direct = statistics.median(t[i] for t in times[("direct", kind)])
            staged = statistics.median(t[i] for t in times[("staged", kind)])
            print(f"{label:20s} {measure:4s} direct {direct:.3f}  staged {staged:.3f}  staged/direct {staged / direct:.3f}")


if __name__ == "__main__":
    main()
