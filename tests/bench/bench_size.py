"""Where the installer's and the uninstaller's bytes go (prints figures; never fails).

  python3 tests/bench/bench_size.py [--build build/i686]

Reads the link maps the build writes beside the executables (flow/installer.map,
uninstall/uninstall.map) and groups every input section that reaches the file by the archive
or object it came from. The installer's overhead is its size less the product archive it
carries. The resource section is split by what the resource script puts there: the
uninstaller, the icon and the cursor. Sections without file bytes (.bss) and debugging
sections are left out; what the map does not account for (headers, alignment between
sections, the relocation table) is "headers and alignment".
"""

import argparse
import collections
import os
import re

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# (component, pattern over the input's path), first match wins.
COMPONENTS = [
    ("libjpeg-turbo", r"libjpeg\.a|libturbojpeg\.a"),
    ("zlib", r"libz\.a"),
    ("minizip", r"libminizip\.a"),
    ("libstdc++", r"libstdc\+\+\.a|libsupc\+\+\.a"),
    ("libgcc", r"libgcc(_eh)?\.a|libgcc_s"),
    ("winpthread", r"libwinpthread\.a|libpthread\.a"),
    ("CRT", r"libmingw\w*\.a|libmsvcr\w*\.a|libucrt\w*\.a|libmoldname\.a|crt\w*\.o|dllcrt\w*\.o"),
    ("system imports", r"lib(kernel32|user32|gdi32|shell32|ole32|oleaut32|uuid|advapi32|comctl32|comdlg32|shlwapi|version)\.a"),
    ("constant area", r"constant_pool\.S\.obj"),
    ("template", r"embedded_template\.S\.obj"),
    ("resources", r"\.rc\.(res|obj)$"),
    ("project code", r"libquill_\w+\.a|\.obj$|\.o$"),
]

SECTION = re.compile(r"^ (\S+)?\s+0x([0-9a-fA-F]+)\s+0x([0-9a-fA-F]+)\s+(\S.*)$")


def component(path):
    for name, pattern in COMPONENTS:
        if re.search(pattern, path):
            return name
    return "other"


def breakdown(map_path):
    """{component: bytes} of what the linker placed in sections with file bytes."""
    sizes = collections.Counter()
    with open(map_path, errors="replace") as f:
        lines = f.read().splitlines()
    try:
        lines = lines[lines.index("Linker script and memory map") + 1:]
    except ValueError:
        pass
    output, pending = None, None
    for line in lines:
        if line and not line[0].isspace():
            output = line.split()[0]
            pending = None
            continue
        if output is None or output in ("/DISCARD/", ".bss") or output.startswith(".debug"):
            continue
        m = SECTION.match(line)
        if not m:
            stripped = line.strip()
            # A long input-section name stands alone; its address and size follow below.
            pending = stripped if stripped.startswith(".") and " " not in stripped else None
            continue
        name = m.group(1) or pending
        pending = None
        size = int(m.group(3), 16)
        if not size or name is None or name == "*fill*" or m.group(4).startswith("load address"):
            continue
        if name.startswith(".bss") or name.startswith("COMMON"):
            continue
        sizes[".eh_frame" if name.startswith(".eh_frame") else component(m.group(4))] += size
    return sizes


def show(title, total, sizes, subtract=()):
    print("%s: %d bytes" % (title, total))
    accounted = sum(sizes.values())
    rows = list(sizes.items()) + [("headers and alignment", total - accounted)]
    for name, size in sorted(rows, key=lambda r: -r[1]):
        print("  %-28s %9d" % (name, size))
    for name, size in subtract:
        print("  (of which %s: %d)" % (name, size))


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "i686"))
    args = p.parse_args()
    build = os.path.abspath(args.build)
    installer = os.path.join(build, "flow", "installer.exe")
    uninstaller = os.path.join(build, "uninstall", "uninstall.exe")
    payload = os.path.getsize(os.path.join(build, "generated", "payload.zip"))
    icon = os.path.getsize(os.path.join(ROOT, "assets", "app.ico"))
    cursor = os.path.getsize(os.path.join(ROOT, "assets", "hand.cur"))
    size = os.path.getsize(installer)
    usize = os.path.getsize(uninstaller)

    sizes = breakdown(os.path.join(build, "flow", "installer.map"))
    sizes["constant area"] -= payload
    sizes["product archive"] = payload
    # The resource compiler's object holds the resources whole; the rest is their directory
    # and the version and manifest texts.
    resources = sizes.pop("resources", 0)
    for name, part in (("uninstaller resource", usize), ("icons", icon), ("cursor", cursor)):
        sizes[name] = part
        resources -= part
    sizes["other resources"] = resources
    print("installer overhead (size less the product archive): %d bytes" % (size - payload))
    print("uninstaller: %d bytes" % usize)
    print()
    show("installer " + installer, size, sizes)
    print()
    show("uninstaller " + uninstaller, usize, breakdown(os.path.join(build, "uninstall", "uninstall.map")))


if __name__ == "__main__":
    main()
