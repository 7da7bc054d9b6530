#!/usr/bin/env python3
"""Reads and writes the brand table's source (data/brands.txt, or the one a packaged product
gets), for every tool that needs it: the constant area, the version information, the window
template and the packager.

The file is UTF-8. Lines starting with '#' and blank lines are comments. One line
`installed<TAB>KEY<TAB>POSITION` names the row the installer uses and the position (from 1)
of its product in the row's list; every other line is a row:
`key<TAB>folder (ending in one backslash)<TAB>product names joined by |`.

    brand_file.py installed BRANDS.txt OUT

writes OUT with the installed product's brand folder and name as GBK bytes, one a line,
for the window template's generator. Standard library only.
"""

import sys


class BadFile(Exception):
    """The file cannot serve as a brand table; args[0] says why."""


class Brands:
    def __init__(self, rows, key, position):
        self.rows = rows          # [(key, folder, products)], texts as str, in stored order
        self.key = key            # the installed row's key
        self.position = position  # the installed product's position in its row, from 1

    def installed(self):
        """(brand folder, product name) the installer uses."""
        for key, folder, products in self.rows:
            if key == self.key:
                return folder, products.split("|")[self.position - 1]
        raise AssertionError("checked when read")


def read(path):
    rows, installed = [], None
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, line in enumerate(lines, 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        where = "%s:%d" % (path, number)
        if fields[0] == "installed":
            if installed is not None or len(fields) != 3:
                raise BadFile("%s: one line 'installed<TAB>key<TAB>position' expected" % where)
            try:
                installed = int(fields[1]), int(fields[2])
            except ValueError:
                raise BadFile("%s: key and position must be numbers" % where)
            continue
        if len(fields) != 3:
            raise BadFile("%s: key, folder and product list expected, tab-separated" % where)
        try:
            key = int(fields[0])
        except ValueError:
            raise BadFile("%s: bad key %r" % (where, fields[0]))
        rows.append((key, fields[1], fields[2]))
    keys = [k for k, _, _ in rows]
    if len(set(keys)) != len(keys):
        raise BadFile("duplicate brand key in " + path)
    if installed is None:
        raise BadFile("%s names no installed row ('installed<TAB>key<TAB>position')" % path)
    key, position = installed
    row = [products for k, _, products in rows if k == key]
    if not row:
        raise BadFile("%s has no row %d" % (path, key))
    if not 1 <= position <= len(row[0].split("|")):
        raise BadFile("%s: row %d has no product at position %d" % (path, key, position))
    return Brands(rows, key, position)


def single(folder, name):
    """The text of a brand table that holds only one product: its folder and its name."""
    return ("# The brand table of one packaged product.\n"
            "installed\t0\t1\n"
            "0\t%s\t%s\n" % (folder, name)).encode("utf-8")


def main(argv):
    if len(argv) != 3 or argv[0] != "installed":
        sys.stderr.write("usage: brand_file.py installed BRANDS.txt OUT\n")
        return 2
    try:
        folder, name = read(argv[1]).installed()
        data = (folder + "\n" + name + "\n").encode("gbk")
    except (BadFile, UnicodeEncodeError) as e:
        sys.stderr.write("brand_file: %s\n" % e)
        return 1
    with open(argv[2], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
