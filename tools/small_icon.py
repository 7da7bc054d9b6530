"""Writes a copy of an .ico file that keeps only its images up to a given size.

The uninstaller shows the product's icon in file lists and in the list of installed programs,
where 48 pixels is the largest Windows asks for; the large images would make up most of its
size. Usage: small_icon.py SOURCE.ico OUTPUT.ico [LARGEST=48]"""

import struct
import sys


def small_icon(data, largest):
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if reserved != 0 or kind != 1 or count == 0:
        raise ValueError("not an icon file")
    kept = []
    for i in range(count):
        entry = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        width = entry[0] or 256  # 0 stands for 256
        size, offset = entry[6], entry[7]
        if width <= largest:
            kept.append((entry[:6], data[offset:offset + size]))
    if not kept:
        raise ValueError(f"no image of {largest} pixels or less")
    out = bytearray(struct.pack("<HHH", 0, 1, len(kept)))
    offset = 6 + 16 * len(kept)
    for head, image in kept:
        out += struct.pack("<BBBBHHII", *head, len(image), offset)
        offset += len(image)
    for _, image in kept:
        out += image
    return bytes(out)


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    try:
        result = small_icon(data, int(argv[3]) if len(argv) == 4 else 48)
    except (ValueError, struct.error) as error:
        print(f"small_icon: {argv[1]}: {error}", file=sys.stderr)
        return 1
    with open(argv[2], "wb") as f:
        f.write(result)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
