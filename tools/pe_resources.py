#!/usr/bin/env python3
"""Reads what Windows reads from an executable before and beside running it: its resources,
among them the manifest and the version information.

    pe_resources.py EXE...     prints each one's manifest and version information

Standard library only; tests/security/check_resources.py builds on it.
"""

import struct
import sys

RT_RCDATA, RT_VERSION, RT_MANIFEST = 10, 16, 24


def resources(pe):
    """{(type id, name id): bytes} of a PE image's resources, the first language of each."""
    head = struct.unpack_from("<I", pe, 0x3C)[0]
    if pe[head:head + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, optional_size = struct.unpack_from("<H12xH", pe, head + 6)
    optional = head + 24
    # The data directories follow the 32-bit or the 64-bit optional header; resources are the third.
    directories = optional + (96 if struct.unpack_from("<H", pe, optional)[0] == 0x10B else 112)
    rsrc = struct.unpack_from("<I", pe, directories + 2 * 8)[0]
    if not rsrc:
        return {}
    spans = [struct.unpack_from("<8xIIII", pe, optional + optional_size + 40 * i) for i in range(sections)]

    def to_file(rva):
        return next(raw + rva - va for size, va, raw_size, raw in spans if va <= rva < va + max(size, raw_size))

    base = to_file(rsrc)

    def entries(offset):
        named, ids = struct.unpack_from("<12xHH", pe, base + offset)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", pe, base + offset + 16 + 8 * i)
            yield name, target & 0x7FFFFFFF

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            _, leaf = next(entries(languages))
            rva, size = struct.unpack_from("<II", pe, base + leaf)
            found[(kind, name)] = pe[to_file(rva):to_file(rva) + size]
    return found


def version_node(data, at=0):
    """(key, value bytes, child nodes) of the version information node at `at`: a length,
    a value length (in characters for text), a kind, the key, then the value and the
    children, each on a four-byte boundary."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    value = (key_end + 5) & ~3
    value_end = value + (value_length * 2 if kind == 1 else value_length)
    children, child = [], (value_end + 3) & ~3
    while child < at + length:
        children.append(version_node(data, child))
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return data[at + 6:key_end].decode("utf-16-le"), data[value:value_end], children


def version_info(data):
    """{name: text} of a version resource: its strings, and in parentheses the numeric file
    and product versions, the string table's key and the translation's bytes in hex."""
    key, fixed, blocks = version_node(data)
    if key != "VS_VERSION_INFO" or fixed[:4] != struct.pack("<I", 0xFEEF04BD):
        raise ValueError("not a version resource")
    words = struct.unpack_from("<4I", fixed, 8)
    info = {"(file version)": "%d.%d.%d.%d" % (words[0] >> 16, words[0] & 0xFFFF, words[1] >> 16, words[1] & 0xFFFF),
            "(product version)": "%d.%d.%d.%d" % (words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF)}
    for name, _, tables in blocks:
        for table, value, strings in tables:
            if name == "VarFileInfo":
                info["(translation)"] = value.hex()
            else:
                info["(block)"] = table
                info.update((k, v.decode("utf-16-le").rstrip("\0")) for k, v, _ in strings)
    return info


def main(paths):
    for path in paths:
        with open(path, "rb") as f:
            found = resources(f.read())
        print("%s\n  manifest:" % path)
        print(found.get((RT_MANIFEST, 1), b"(none)").decode("utf-8", "replace"))
        version = found.get((RT_VERSION, 1))
        for name, text in (version_info(version) if version else {"(none)": ""}).items():
            print("  %s: %s" % (name, text))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
