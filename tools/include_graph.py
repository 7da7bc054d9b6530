"""Which folder of the project includes which: prints the graph, one folder per line.

With --check it exits 1, naming the files, when two folders include each other (directly
or round a longer loop): each layer must sit on the ones below it only.
Usage: include_graph.py [--check] [ROOT]"""

import os
import re
import sys

FOLDERS = ["base", "runtime", "ui", "archive", "shell", "data", "flow", "uninstall", "tools"]
INCLUDE = re.compile(r'\s*#\s*include\s+"([a-z_]+)/')


def include_graph(root):
    """{folder: {included folder: [files that include it]}}"""
    graph = {folder: {} for folder in FOLDERS}
    for folder in FOLDERS:
        for here, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".inc", ".def", ".S")):
                    continue
                path = os.path.join(here, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if m and m.group(1) != folder and m.group(1) in graph:
                            graph[folder].setdefault(m.group(1), []).append(os.path.relpath(path, root))
    return graph


def loops(graph):
    """Every loop as a list of folders [a, b, ..., a], each found once, from its first folder."""
    found = []

    def walk(path):
        for nxt in sorted(graph[path[-1]]):
            if nxt == path[0]:
                found.append(path + [nxt])
            elif nxt not in path and FOLDERS.index(nxt) > FOLDERS.index(path[0]):
                walk(path + [nxt])

    for folder in FOLDERS:
        walk([folder])
    return found


def main(argv):
    check = "--check" in argv
    rest = [a for a in argv[1:] if a != "--check"]
    root = rest[0] if rest else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    graph = include_graph(root)
    for folder in FOLDERS:
        if graph[folder]:
            print("%s -> %s" % (folder, ", ".join(sorted(graph[folder]))))
    bad = loops(graph)
    for loop in bad:
        print("loop: " + " -> ".join(loop), file=sys.stderr)
        for a, b in zip(loop, loop[1:]):
            print("  %s includes %s in %s" % (a, b, ", ".join(sorted(set(graph[a][b]))[:3])), file=sys.stderr)
    return 1 if check and bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
