"""Packaging a big product, against NSIS packaging the same files (prints figures; never fails).

  python3 tests/bench/bench_package.py [--mib 300] [--arch i686|x86_64|both] [--keep]

- Makes a product in a temporary folder: half of it incompressible (random bytes), half
  compressible (text of random words), in files of up to 16 MiB, with the product's
  executable at the root and a few folders.
- Times `tools/package.sh --product FOLDER` for the target(s) asked for (the shipped i686 one
  by default) and `makensis` on an .nsi that installs the same folder, zlib as NSIS uses by
  default. Each under /usr/bin/time: wall time and the largest resident size any one of
  its processes reached (the packer, the assembler, the linker...). Printed beside the
  product's size: the memory beyond the product is the peak less the product, or nothing
  when the peak is below it.
- The compile of the project's own code is not what is measured: a first packaging of a
  tiny product builds and caches it, and the timed run then rebuilds only what the product
  changes (its archive, the constant area holding it, the link).
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
NAME = "BigProduct"
WORDS = [w.encode() for w in ("install folder shortcut archive picture window button product "
                              "update network settings data member friend group").split()]


def make_product(folder, mib):
    rng = random.Random(1)
    os.makedirs(os.path.join(folder, "data", "text"))
    os.makedirs(os.path.join(folder, "data", "blobs"))
    with open(os.path.join(folder, NAME + ".exe"), "wb") as f:
        f.write(b"MZ" + bytes(4094))
    half = mib << 19
    piece = 16 << 20
    for kind in ("blobs", "text"):
        left, index = half, 0
        while left > 0:
            size = min(piece, left)
            with open(os.path.join(folder, "data", kind, "%s%02d.bin" % (kind, index)), "wb") as f:
                written = 0
                while written < size:
                    if kind == "blobs":
                        chunk = rng.randbytes(min(1 << 20, size - written))
                    else:
                        chunk = b" ".join(rng.choice(WORDS) for _ in range(20000))[:size - written]
                    f.write(chunk)
                    written += len(chunk)
            left -= size
            index += 1


def timed(command, cwd=ROOT):
    """(seconds, peak resident KiB) of a command, which must succeed."""
    run = subprocess.run(["/usr/bin/time", "-v"] + command, cwd=cwd, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    if run.returncode:
        sys.stderr.write(run.stderr[-4000:])
        raise SystemExit("failed: %s" % " ".join(command))
    wall = re.search(r"Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)", run.stderr)
    seconds = int(wall.group(1) or 0) * 3600 + int(wall.group(2)) * 60 + float(wall.group(3))
    peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr).group(1))
    return seconds, peak


def nsi(folder, output):
    return "\n".join([
        'Name "%s"' % NAME,
        'OutFile "%s"' % output,
        'InstallDir "$PROGRAMFILES\\%s"' % NAME,
        "RequestExecutionLevel user",
        "Section",
        '  SetOutPath "$INSTDIR"',
        '  File /r "%s/*.*"' % folder,
        "SectionEnd",
        ""])


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--mib", type=int, default=300)
    p.add_argument("--arch", default="i686", choices=("i686", "x86_64", "both"))
    p.add_argument("--keep", action="store_true", help="leave the temporary folder")
    args = p.parse_args()
    temp = tempfile.mkdtemp(prefix="quill-bench-package-")
    try:
        product = os.path.join(temp, "product")
        make_product(product, args.mib)
        size = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(product) for f in fs)
        package = ["bash", "tools/package.sh", "--name", NAME, "--folder", "Bench",
                   "--arch", args.arch, "--dist", os.path.join(temp, "dist")]
        tiny = os.path.join(temp, "tiny")
        os.makedirs(tiny)
        shutil.copy(os.path.join(product, NAME + ".exe"), tiny)
        timed(package + ["--product", tiny])
        quill = timed(package + ["--product", product])
        script = os.path.join(temp, "big.nsi")
        with open(script, "w") as f:
            f.write(nsi(product, os.path.join(temp, "nsis-setup.exe")))
        nsis = timed(["makensis", "-V1", script])
        installers = sorted(os.listdir(os.path.join(temp, "dist")))
        print("product: %.1f MiB in %s" % (size / 1048576, product))
        print("%-22s %9s %12s %18s %12s" % ("", "seconds", "peak MiB", "beyond product", "output MiB"))
        outputs = [os.path.join(temp, "dist", installers[0]), os.path.join(temp, "nsis-setup.exe")]
        for (label, (seconds, peak)), out in zip((("quill (%s)" % args.arch, quill), ("NSIS (makensis)", nsis)), outputs):
            beyond = max(0, peak * 1024 - size)
            print("%-22s %9.1f %12.1f %18.1f %12.1f" % (label, seconds, peak / 1024, beyond / 1048576,
                                                       os.path.getsize(out) / 1048576))
        print("time ratio quill / NSIS: %.2f" % (quill[0] / nsis[0]))
    finally:
        if args.keep:
            print("kept", temp)
        else:
            shutil.rmtree(temp)


if __name__ == "__main__":
    main()
