"""What a packaged installer must not carry, and how to look for it: the names of the project's
own brand table (the stand-in product, its other names and every other brand's folder and
products), found with `strings` as a publisher would look, in the installer and in the
uninstaller it carries."""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import brand_file  # noqa: E402
from pe_resources import RT_RCDATA, resources  # noqa: E402

UNINSTALLER_RESOURCE = 2001


def stand_in_names():
    """Every brand folder (without its backslash) and product name of data/brands.txt."""
    names = set()
    for _, folder, products in brand_file.read(os.path.join(ROOT, "data", "brands.txt")).rows:
        names.add(folder.rstrip("\\"))
        names.update(products.split("|"))
    return sorted(names)


def strings_of(data):
    """What `strings` shows of `data`: runs of bytes that are characters (high bytes kept, so
    GBK and UTF-8 texts stay whole), then runs of UTF-16 little-endian characters."""
    with tempfile.NamedTemporaryFile(prefix="quill-strings-") as f:
        f.write(data)
        f.flush()
        return [subprocess.run(["strings", "-a", "-n", "3", "-e", how, f.name], capture_output=True,
                               check=True).stdout for how in ("S", "l")]


def encodings(text):
    """The byte forms a text of the system or of a build takes in the programs: GBK where it
    can be written so, UTF-8."""
    forms = [text.encode("utf-8")]
    try:
        forms.append(text.encode("gbk"))
    except UnicodeEncodeError:
        pass
    return forms


def texts_inside(installer, texts):
    """The texts of `texts` that the installer image or the uninstaller inside it hold."""
    found = set()
    for data in (installer, resources(installer)[(RT_RCDATA, UNINSTALLER_RESOURCE)]):
        plain, wide = strings_of(data)
        for text in texts:
            # `strings -el` shows UTF-16 of the ASCII range only; a text of wider characters
            # is sought in UTF-16 among the bytes themselves.
            if any(form in plain for form in encodings(text)) or \
                    (text.encode("ascii") in wide if text.isascii() else text.encode("utf-16-le") in data):
                found.add(text)
    return sorted(found)
