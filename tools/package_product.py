#!/usr/bin/env python3
"""Checks a publisher's product before an installer is built for it, and prepares what the
build embeds: the product archive, the brand table that names the product and its folder,
and the window's pictures and icon.

    package_product.py check   --product ARCHIVE_OR_FOLDER --name NAME --folder PREFIX
                               [--button JPG] [--hover JPG] [--finish JPG] [--logo JPG] [--icon ICO]
                               [--version X.Y.Z.W] [--copyright TEXT] [--advice TEXT_FILE]
    package_product.py prepare (the same options) --out DIR

`check` only reports. `prepare` also writes DIR/payload.zip, DIR/brands.txt, DIR/assets/
(the project's pictures with the given ones in their place) and, with --advice,
DIR/advice.txt (the advice as the installer stores it); files whose bytes did not
change keep their time stamps, so a repeated build redoes nothing. Either way every problem
found is printed on its own line and the exit code is 1; nothing is written then.

A folder is packed the way the installer reads it best: names in code page 936 with '/'
separators, every folder as a folder entry before its contents, files deflated (stored when
that does not shrink them), DOS times taken from the files' modification times in UTC (the
installer applies them as they stand), no extra fields. Entries come in name order, so the
same folder always gives the same bytes.

Standard library only.
"""

import argparse
import io
import mmap
import os
import shutil
import struct
import sys
import time
import zlib

import brand_file

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))

# The brand table's rule for a product name.
MAX_PRODUCT_NAME_BYTES = 32
# The longest entry name the installer reads, in bytes (what its entry record holds).
MAX_PATH_BYTES = 259
# The longest path the installer writes, in UTF-16 characters: under Windows' MAX_PATH.
MAX_PATH_CHARACTERS = 259
# The default install folder's drive root, and where the installer unpacks beside that folder
# before it moves everything in.
DRIVE_ROOT = b"D:\\"
STAGING_SUFFIX = ".quill-staging"

# Pictures a publisher may replace: the project's file and the size the window shows it at.
PICTURES = {
    "button": ("button_install.jpg", (220, 80), "start button"),
    "hover": ("button_install_hover.jpg", (220, 80), "hover (start button under the pointer)"),
    "finish": ("button_finish.jpg", (220, 80), "finish button"),
    "logo": ("logo_flame.jpg", (424, 534), "logo"),
}
ICON_FILE = "app.ico"

FORBIDDEN = set('<>:"/\\|?*')
# The device names the installer refuses as any part of a path, in any case, with or without
# an extension and with blanks before it: the console's own (CONIN$, CONOUT$), CLOCK$, and
# the ports also with a superscript digit.
RESERVED = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"} | \
    {port + digit for port in ("COM", "LPT") for digit in "123456789¹²³"}

SIG_LOCAL, SIG_CENTRAL, SIG_END = b"PK\x03\x04", b"PK\x01\x02", b"PK\x05\x06"
SIG_ZIP64_LOCATOR = b"PK\x06\x07"
ATTR_DIRECTORY, ATTR_ARCHIVE = 0x10, 0x20
UNIX_DIRECTORY = 0x40000000
# How much of a product file is read, deflated or checked at a time.
CHUNK = 1 << 20


class Refused(Exception):
    """The product cannot be packaged; args[0] is the list of problems."""


# ---- names --------------------------------------------------------------------------------

def shown(raw):
    """A name as a message shows it: decoded where possible, undecodable bytes as \\xNN."""
    return raw.decode("gbk", "backslashreplace") if isinstance(raw, bytes) else raw


def to_gbk(text):
    """The code page 936 bytes of `text`, or None when some character has none."""
    try:
        return text.encode("gbk")
    except UnicodeEncodeError:
        return None


def unwritable_characters(text):
    return "".join(sorted({c for c in text if to_gbk(c) is None}))


def component_problem(part):
    """Why Windows cannot create a file or folder of this name, or None."""
    bad = sorted({c for c in part if c in FORBIDDEN or ord(c) < 32})
    if bad:
        return "holds %s, which Windows does not allow in names" % " ".join(repr(c) for c in bad)
    if part != part.rstrip(" ."):
        return "ends with a space or a dot, which Windows drops"
    if part.split(".")[0].rstrip(" ").upper() in RESERVED:
        return "is a device name Windows reserves"
    return None


def check_product_name(name, problems):
    """The name's code page 936 bytes, or None when the brand table cannot hold it."""
    before = len(problems)
    gbk = to_gbk(name)
    if not name:
        problems.append("the product name is empty")
    elif gbk is None:
        problems.append("the product name \"%s\" holds characters code page 936 cannot write: %s"
                        % (name, unwritable_characters(name)))
    else:
        if len(gbk) > MAX_PRODUCT_NAME_BYTES:
            problems.append("the product name \"%s\" is %d bytes in code page 936; the brand table "
                            "holds names of at most %d bytes" % (name, len(gbk), MAX_PRODUCT_NAME_BYTES))
        why = component_problem(name)
        if why:
            # It names the executable, the shortcut and the install folder's last level;
            # '|' would also split it in the brand table's list.
            problems.append("the product name \"%s\" %s" % (name, why))
    return gbk if len(problems) == before else None


def check_folder_prefix(folder, problems):
    """The brand folder as the table stores it (one name and one backslash), or None."""
    name = folder[:-1] if folder.endswith(("\\", "/")) else folder
    if not name:
        problems.append("the install-folder prefix is empty; give one folder name, e.g. Acme软件")
        return None
    if "\\" in name or "/" in name or ":" in name:
        problems.append("the install-folder prefix \"%s\" must be one folder name without a drive or "
                        "separators: the default folder is D:\\<prefix>\\<product name>" % folder)
        return None
    gbk = to_gbk(name)
    if gbk is None:
        problems.append("the install-folder prefix \"%s\" holds characters code page 936 cannot write: %s"
                        % (folder, unwritable_characters(name)))
        return None
    why = component_problem(name) if name not in (".", "..") else "leaves the drive's root"
    if why:
        problems.append("the install-folder prefix \"%s\" %s" % (folder, why))
        return None
    return gbk + b"\\"


def unpack_folder(folder_gbk, name_gbk):
    """Where the installer unpacks the product on its default install folder."""
    return shown(DRIVE_ROOT + folder_gbk + name_gbk) + STAGING_SUFFIX


def path_length(folder, raw):
    """The UTF-16 length of the path the installer writes an entry to: the folder, one
    backslash and the name with its separators as stored."""
    return len((folder + "\\" + shown(raw)).encode("utf-16-le")) // 2


# ---- archives -----------------------------------------------------------------------------

class Entry:
    def __init__(self, raw, text, is_dir):
        self.raw, self.text, self.is_dir = raw, text, is_dir


def entry_name_problem(text):
    """Why an entry name (decoded, '/' or '\\' separators) cannot be unpacked into the install
    folder, or None."""
    if not text or text in ("/", "\\"):
        return "has an empty name"
    if text[0] in "/\\" or (len(text) > 1 and text[1] == ":"):
        return "leaves the install folder (an absolute name)"
    parts = [p for p in text.replace("\\", "/").split("/")]
    if parts[-1] == "":
        parts.pop()
    if ".." in parts:
        return "leaves the install folder (a '..' level)"
    for part in parts:
        if part in ("", "."):
            continue
        why = component_problem(part)
        if why:
            return "cannot be created: %r %s" % (part, why)
    return None


def decode_name(raw, flags):
    """(text, problem) of a stored name: GBK unless the UTF-8 flag is set."""
    if flags & 0x0800 and any(b >= 0x80 for b in raw):
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            return None, "has a name that is neither UTF-8 nor code page 936"
        # The installer reads every name as code page 936 bytes.
        how = "can" if to_gbk(text) is not None else "cannot"
        return None, ("is stored with a UTF-8 name, which the installer would read as other "
                      "characters (its name %s be written in code page 936; give the folder "
                      "instead and it is packed with code page 936 names)" % how)
    try:
        return raw.decode("gbk"), None
    except UnicodeDecodeError:
        return None, "has a name that is not code page 936 text"


def find_end_record(data):
    start = max(0, len(data) - 22 - 0xFFFF)
    pos = data.rfind(SIG_END, start)
    while pos >= 0:
        if pos + 22 <= len(data):
            comment = struct.unpack_from("<H", data, pos + 20)[0]
            if pos + 22 + comment <= len(data):
                return pos
        pos = data.rfind(SIG_END, start, pos)
    return -1


def entry_data_problem(data, offset, method, csize, usize, crc):
    """Why an entry's data cannot be unpacked, or None. A chunk at a time, for archives far
    larger than memory would hold twice."""
    if offset + csize > len(data):
        return "is cut short"
    d = zlib.decompressobj(-15) if method else None
    size, check = 0, 0
    for start in range(offset, offset + csize, CHUNK):
        piece = data[start:min(start + CHUNK, offset + csize)]
        while piece:
            if d:
                try:
                    content = d.decompress(piece, CHUNK)
                except zlib.error:
                    return "is damaged (its data does not inflate)"
                piece = d.unconsumed_tail
            else:
                content, piece = piece, b""
            size += len(content)
            if size > usize:
                return "is damaged (size or CRC-32 does not match)"
            check = zlib.crc32(content, check)
    if d and not d.eof:
        return "is damaged (its data ends early)"
    if size != usize or check != crc:
        return "is damaged (size or CRC-32 does not match)"
    return None


def read_archive(data, problems):
    """The entries of a ZIP archive as the installer will unpack it; every reason it cannot
    is added to `problems`."""
    def refuse(why):
        problems.append("the archive " + why)
        return []

    if data[:4] != SIG_LOCAL:
        return refuse("does not begin with a ZIP entry (a self-extracting or damaged archive?)")
    end = find_end_record(data)
    if end < 0:
        return refuse("has no end record: it is not a ZIP archive or it is cut short")
    disk, cd_disk, here, total, cd_size, cd_offset, _ = struct.unpack_from("<HHHHIIH", data, end + 4)
    if end >= 20 and data[end - 20:end - 16] == SIG_ZIP64_LOCATOR or total == 0xFFFF or \
            cd_offset == 0xFFFFFFFF:
        return refuse("is a ZIP64 archive, which the installer cannot read (keep it under 4 GiB "
                      "and 65535 entries)")
    if disk or cd_disk or here != total:
        return refuse("is split over several disks")
    if total == 0:
        return refuse("holds no entries")
    if struct.unpack_from("<H", data, 26)[0] == 0:
        return refuse("begins with an entry without a name")

    entries, seen, folders = [], {}, set()
    pos = cd_offset
    for index in range(total):
        if data[pos:pos + 4] != SIG_CENTRAL:
            return refuse("has a damaged central directory (record %d)" % index)
        (_, _, flags, method, _, _, crc, csize, usize, nlen, xlen, clen, _, _, attrs,
         offset) = struct.unpack_from("<HHHHHHIIIHHHHHII", data, pos + 4)
        raw = data[pos + 46:pos + 46 + nlen]
        pos += 46 + nlen + xlen + clen
        label = "entry %s" % (raw.decode("utf-8", "backslashreplace") if flags & 0x0800 else shown(raw))

        def bad(why):
            problems.append("%s %s" % (label, why))

        if flags & 0x0041:
            bad("is encrypted; the installer has no password support")
        if method not in (0, 8):
            bad("uses compression method %d; only stored (0) and deflate (8) can be unpacked" % method)
        text, why = decode_name(raw, flags)
        if why:
            bad(why)
            continue
        why = entry_name_problem(text)
        if why:
            bad(why)
            continue
        if len(raw) > MAX_PATH_BYTES:
            bad("has a name of %d bytes; at most %d fit" % (len(raw), MAX_PATH_BYTES))
            continue
        is_dir = bool(attrs & (ATTR_DIRECTORY | UNIX_DIRECTORY))
        if raw.endswith((b"/", b"\\")) and not is_dir:
            bad("ends in a separator but is not marked as a folder")
            continue
        parts = [p for p in text.replace("\\", "/").split("/") if p not in ("", ".")]
        key = "/".join(parts).lower()
        if key in seen:
            bad("appears twice")
            continue
        seen[key] = True
        for level in range(1, len(parts)):
            parent = "/".join(parts[:level])
            if parent.lower() not in folders:
                bad("comes before a folder entry for %s/: the installer makes folders only from "
                    "folder entries listed before their contents" % parent)
                break
        if is_dir:
            folders.add(key)
        if data[offset:offset + 4] != SIG_LOCAL:
            bad("has no local header where the directory says")
            continue
        l_method = struct.unpack_from("<H", data, offset + 8)[0]
        l_nlen, l_xlen = struct.unpack_from("<HH", data, offset + 26)
        if l_method != method or data[offset + 30:offset + 30 + l_nlen] != raw:
            bad("has a local header that does not agree with the central directory")
            continue
        if not (flags & 0x0041) and method in (0, 8):
            why = entry_data_problem(data, offset + 30 + l_nlen + l_xlen, method, csize, usize, crc)
            if why:
                bad(why)
        entries.append(Entry(raw, "/".join(parts), is_dir))
    return entries


# ---- folders ------------------------------------------------------------------------------

def dos_date_time(mtime):
    t = time.gmtime(max(mtime, 315532800))  # 1980-01-01, the earliest DOS date
    year = min(t.tm_year, 2107)
    return ((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2),
            ((year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday)


def walk_folder(folder, problems):
    """[(relative text, is folder, full path)] in packing order: a folder's entry, then its
    files, then its folders, each by name."""
    out = []

    def visit(path, rel):
        try:
            items = sorted(os.scandir(path), key=lambda e: e.name)
        except OSError as e:
            problems.append("cannot read the folder %s: %s" % (path, e.strerror))
            return
        files, dirs = [], []
        for item in items:
            name = rel + item.name
            if item.is_symlink():
                problems.append("%s is a symbolic link; put what it points to in the folder instead" % name)
            elif item.is_dir():
                dirs.append((item, name))
            elif item.is_file():
                files.append((item, name))
            else:
                problems.append("%s is neither a file nor a folder" % name)
        for item, name in files:
            out.append((name, False, item.path))
        for item, name in dirs:
            out.append((name + "/", True, item.path))
            visit(item.path, name + "/")

    visit(folder, "")
    return out


def folder_problems(folder, problems):
    """The folder's entries in packing order, or None when a name cannot be packed."""
    listed = walk_folder(folder, problems)
    before = len(problems)
    for text, _, _ in listed:
        raw = to_gbk(text)
        if raw is None:
            problems.append("%s: the name holds characters code page 936 cannot write: %s"
                            % (text, unwritable_characters(text)))
            continue
        why = entry_name_problem(text)
        if why:
            problems.append("%s %s" % (text, why))
        elif len(raw) > MAX_PATH_BYTES:
            problems.append("%s: the name is %d bytes; at most %d fit" % (text, len(raw), MAX_PATH_BYTES))
    if not listed:
        problems.append("the folder %s is empty" % folder)
    if len(problems) > before or not listed:
        return None
    return listed


def pack_folder(folder, problems):
    """The archive bytes of a folder small enough to hold in memory, or None when a name
    cannot be packed."""
    listed = folder_problems(folder, problems)
    if listed is None:
        return None
    out = io.BytesIO()
    write_folder_archive(listed, out)
    return out.getvalue()


def copy_chunks(source, sink, sink_extra=None):
    """Copies the open file `source` into `sink` (or through `sink_extra` first); returns the
    number of bytes and their CRC-32."""
    size, crc = 0, 0
    while True:
        chunk = source.read(CHUNK)
        if not chunk:
            return size, crc
        size += len(chunk)
        crc = zlib.crc32(chunk, crc)
        sink.write(sink_extra(chunk) if sink_extra else chunk)


def write_folder_archive(listed, out):
    """Writes the archive of the entries `listed` into the open file `out`, one file at a time:
    only a chunk of the product is in memory at once. With out None, the archive's outline
    comes back instead: the same entries, every file empty, for checking the names alone."""
    outline = out is None
    if outline:
        out = io.BytesIO()
    central = []
    for text, is_dir, path in listed:
        raw = text.encode("gbk")
        st = os.stat(path)
        dtime, ddate = dos_date_time(st.st_mtime)
        start = out.tell()
        out.write(bytes(30) + raw)  # the header, written again once the sizes are known
        data = out.tell()
        method, needed, usize, crc, attrs = 0, 10, 0, 0, ATTR_DIRECTORY
        if not is_dir:
            attrs = ATTR_ARCHIVE
            if not outline:
                c = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
                with open(path, "rb") as f:
                    usize, crc = copy_chunks(f, out, c.compress)
                out.write(c.flush())
                method, needed = 8, 20
                if out.tell() - data >= usize:
                    # Deflate does not shrink it: stored instead.
                    out.seek(data)
                    out.truncate()
                    with open(path, "rb") as f:
                        copy_chunks(f, out)
                    method, needed = 0, 10
        csize = out.tell() - data
        out.seek(start)
        out.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, needed, 0, method, dtime, ddate, crc,
                              csize, usize, len(raw), 0))
        out.seek(0, os.SEEK_END)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x0014, needed, 0, method,
                                   dtime, ddate, crc, csize, usize, len(raw), 0, 0,
                                   0, 0, attrs, start) + raw)
    offset = out.tell()
    directory = b"".join(central)
    if offset + len(directory) > 0xFFFFFFFF or len(listed) >= 0xFFFF:
        raise Refused(["the folder needs more than 4 GiB or 65535 entries, more than a plain "
                       "ZIP archive holds"])
    out.write(directory)
    out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(listed), len(listed),
                          len(directory), offset, 0))
    return out.getvalue() if outline else None


# ---- pictures -----------------------------------------------------------------------------

# Frame types the installer's JPEG decoder reads: baseline, extended and progressive, with
# Huffman or arithmetic coding. Lossless and hierarchical frames it does not.
DECODABLE_FRAMES = {0xC0, 0xC1, 0xC2, 0xC9, 0xCA}
OTHER_FRAMES = {0xC3, 0xC5, 0xC6, 0xC7, 0xCB, 0xCD, 0xCE, 0xCF}


def jpeg_facts(data):
    """((width, height), None) of a JPEG the installer can decode, else (None, why).
    The structure is walked marker by marker: frame, tables the frame uses, at least one
    scan, and the end marker."""
    if not data.startswith(b"\xff\xd8"):
        return None, "is not a JPEG picture"
    pos, frame, tables, scans = 2, None, set(), 0
    while True:
        if pos >= len(data):
            return None, "is cut short (no end marker)"
        if data[pos] != 0xFF:
            return None, "is damaged (no marker at byte %d)" % pos
        while pos < len(data) and data[pos] == 0xFF:
            pos += 1
        if pos >= len(data):
            return None, "is cut short (no end marker)"
        marker = data[pos]
        pos += 1
        if marker == 0xD9:
            break
        if marker == 0x01 or 0xD0 <= marker <= 0xD7:
            continue
        if pos + 2 > len(data):
            return None, "is cut short"
        length = struct.unpack_from(">H", data, pos)[0]
        if length < 2 or pos + length > len(data):
            return None, "is cut short or damaged (segment 0xFF%02X)" % marker
        seg = data[pos + 2:pos + length]
        pos += length
        if marker in OTHER_FRAMES:
            return None, "uses a lossless or hierarchical JPEG coding the installer cannot decode"
        if marker in DECODABLE_FRAMES:
            if frame is not None or len(seg) < 6:
                return None, "is damaged (frame header)"
            precision, height, width, count = struct.unpack_from(">BHHB", seg)
            if precision != 8:
                return None, "has %d-bit samples; the installer decodes 8-bit JPEG pictures" % precision
            if count not in (1, 3):
                return None, ("has %d colour components (CMYK?); the installer decodes grey and "
                              "colour (YCbCr/RGB) JPEG pictures" % count)
            if len(seg) < 6 + 3 * count or width == 0 or height == 0:
                return None, "is damaged (frame header)"
            comps = [seg[6 + 3 * i:9 + 3 * i] for i in range(count)]
            if any(not (1 <= c[1] >> 4 <= 4 and 1 <= c[1] & 15 <= 4) or c[2] > 3 for c in comps):
                return None, "is damaged (frame header)"
            frame = ((width, height), {c[2] for c in comps})
        elif marker == 0xDB:
            p = 0
            while p < len(seg):
                wide = seg[p] >> 4
                tables.add(seg[p] & 15)
                p += 1 + 64 * (2 if wide else 1)
            if p != len(seg):
                return None, "is damaged (quantisation table)"
        elif marker == 0xDA:
            if frame is None:
                return None, "is damaged (image data before the frame header)"
            if not frame[1] <= tables:
                return None, "is damaged (a quantisation table is missing)"
            scans += 1
            # Entropy-coded data runs to the next marker that is neither a stuffed 0xFF00
            # nor a restart marker.
            while True:
                pos = data.find(b"\xff", pos)
                if pos < 0 or pos + 1 >= len(data):
                    return None, "is cut short (no end marker)"
                nxt = data[pos + 1]
                if nxt == 0 or 0xD0 <= nxt <= 0xD7 or nxt == 0xFF:
                    pos += 2 if nxt != 0xFF else 1
                    continue
                break
    if frame is None or scans == 0:
        return None, "holds no image"
    return frame[0], None


def check_picture(role, path, problems):
    file, size, what = PICTURES[role]
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        problems.append("the %s picture %s cannot be read: %s" % (what, path, e.strerror))
        return
    found, why = jpeg_facts(data)
    if why:
        problems.append("the %s picture %s %s" % (what, path, why))
    elif found != size:
        problems.append("the %s picture %s is %d x %d pixels; the window shows it at %d x %d"
                        % (what, path, found[0], found[1], size[0], size[1]))


def icon_problem(data):
    if len(data) < 6:
        return "is not an icon file (.ico)"
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if reserved != 0 or kind != 1 or count == 0:
        return "is not an icon file (.ico)"
    if len(data) < 6 + 16 * count:
        return "is cut short"
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        image = data[offset:offset + size]
        if size < 40 or len(image) != size:
            return "is cut short or damaged (image %d)" % (i + 1)
        if not (image.startswith(b"\x89PNG\r\n\x1a\n") or struct.unpack_from("<I", image)[0] == 40):
            return "is damaged (image %d is neither a bitmap nor PNG)" % (i + 1)
    return None


def check_icon(path, problems):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        problems.append("the icon %s cannot be read: %s" % (path, e.strerror))
        return
    why = icon_problem(data)
    if why:
        problems.append("the icon %s %s" % (path, why))


# ---- version information ------------------------------------------------------------------

# The programs' version information stores each of up to four numbers in 16 bits.
MAX_VERSION_PARTS = 4
MAX_VERSION_NUMBER = 65535
MAX_COPYRIGHT_CHARACTERS = 256


def version_problem(version):
    """Why a version text cannot be the programs' version, or None."""
    parts = version.split(".")
    if len(parts) <= MAX_VERSION_PARTS and all(p.isascii() and p.isdigit() and int(p) <= MAX_VERSION_NUMBER
                                               for p in parts):
        return None
    return ("the version \"%s\" must be one to four numbers from 0 to %d joined by dots, e.g. 2.1 or 1.0.3.7"
            % (version, MAX_VERSION_NUMBER))


def copyright_problem(text):
    """Why a copyright text cannot go into the programs' version information, or None."""
    if any(ord(c) < 32 or ord(c) == 127 or 0xD800 <= ord(c) <= 0xDFFF for c in text):
        return "the copyright must be one line of text, without line breaks or control characters"
    if len(text) > MAX_COPYRIGHT_CHARACTERS:
        return "the copyright is %d characters; give at most %d" % (len(text), MAX_COPYRIGHT_CHARACTERS)
    return None


# The advice box (a message box) wraps a line after 24 Chinese characters, 48 GBK bytes (the
# installer's own advice shows its 25th on the next line): so long, one line of the file is
# one line of the box, and twelve of them keep the box a third of the smallest screen high.
MAX_ADVICE_LINES = 12
MAX_ADVICE_LINE_BYTES = 48


def check_advice(path, problems):
    """The advice text as the installer stores it (GBK, lines joined by CR LF), or None."""
    def refuse(why):
        problems.append("the advice file %s %s" % (path, why))

    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        return refuse("cannot be read: %s" % e.strerror)
    for codec in ("utf-8-sig", "gbk"):
        try:
            text = data.decode(codec)
            break
        except UnicodeDecodeError:
            pass
    else:
        return refuse("is neither UTF-8 nor code page 936 text")
    lines = text.replace("\r\n", "\n").replace("\r", "\n").rstrip("\n").split("\n")
    if not "".join(lines).strip():
        return refuse("is empty; leave --advice out to keep the installer's own advice")
    if any(ord(c) < 32 or ord(c) == 127 for c in "".join(lines)):
        return refuse("holds control characters (tabs included); give plain lines of text")
    if to_gbk(text) is None:
        return refuse("holds characters code page 936 cannot write: %s" % unwritable_characters(text))
    if len(lines) > MAX_ADVICE_LINES:
        return refuse("has %d lines; the advice box shows at most %d" % (len(lines), MAX_ADVICE_LINES))
    for number, line in enumerate(lines, 1):
        if len(to_gbk(line)) > MAX_ADVICE_LINE_BYTES:
            return refuse("has a line of %d bytes in code page 936 (line %d); the advice box shows "
                          "lines of at most %d" % (len(to_gbk(line)), number, MAX_ADVICE_LINE_BYTES))
    return to_gbk("\r\n".join(lines))


# ---- the whole product --------------------------------------------------------------------

def check(args):
    """Checks everything; returns (the folder's entries or None for an archive, brand folder
    bytes, name bytes) or raises Refused with the list of problems."""
    problems = []
    name_gbk = check_product_name(args.name, problems)
    folder_gbk = check_folder_prefix(args.folder, problems)
    for role in PICTURES:
        if getattr(args, role):
            check_picture(role, getattr(args, role), problems)
    if args.icon:
        check_icon(args.icon, problems)
    if args.advice is not None:
        check_advice(args.advice, problems)
    for why in (args.version is not None and version_problem(args.version),
                args.copyright and copyright_problem(args.copyright)):
        if why:
            problems.append(why)

    listed, entries = None, []
    if os.path.isdir(args.product):
        # The names are what can go wrong in a folder: its outline is checked, and the
        # archive itself is written only by prepare.
        listed = folder_problems(args.product, problems)
        if listed is not None:
            entries = read_archive(write_folder_archive(listed, None), problems)
    elif os.path.isfile(args.product):
        with open(args.product, "rb") as f:
            if os.fstat(f.fileno()).st_size:
                with mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as data:
                    entries = read_archive(data, problems)
            else:
                entries = read_archive(b"", problems)
    elif os.path.exists(args.product):
        problems.append("the product %s is neither a ZIP archive nor a folder" % args.product)
    else:
        problems.append("the product %s does not exist" % args.product)

    if entries and name_gbk is not None:
        exe = (args.name + ".exe").lower()
        root = [e for e in entries if not e.is_dir and e.text.lower() == exe]
        if not root:
            elsewhere = [e.text for e in entries if not e.is_dir and e.text.lower().endswith("/" + exe)]
            hint = " (it is at %s; the root is what the shortcut and the launch use)" % elsewhere[0] \
                if elsewhere else ""
            problems.append("the product has no %s.exe at its root%s" % (args.name, hint))
        if folder_gbk is not None:
            staging = unpack_folder(folder_gbk, name_gbk)
            longest = max(entries, key=lambda e: path_length(staging, e.raw))
            length = path_length(staging, longest.raw)
            if length > MAX_PATH_CHARACTERS:
                problems.append("the installer unpacks into %s, where %s makes a path of %d characters, "
                                "more than the %d a Windows path holds: shorten the prefix, the "
                                "product name or that name"
                                % (staging, shown(longest.raw), length, MAX_PATH_CHARACTERS))
    if problems:
        raise Refused(problems)
    return listed, folder_gbk, name_gbk


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def same_file(a, b):
    try:
        if os.path.getsize(a) != os.path.getsize(b):
            return False
        with open(a, "rb") as fa, open(b, "rb") as fb:
            while True:
                ca, cb = fa.read(CHUNK), fb.read(CHUNK)
                if ca != cb:
                    return False
                if not ca:
                    return True
    except OSError:
        return False


def write_archive(path, product, listed):
    """The product archive at `path`, its time stamp kept when its bytes did not change."""
    tmp = path + ".tmp"
    if listed is None:
        shutil.copyfile(product, tmp)
    else:
        with open(tmp, "wb") as out:
            write_folder_archive(listed, out)
    if same_file(tmp, path):
        os.remove(tmp)
    else:
        os.replace(tmp, path)


def prepare(args, listed, folder_gbk, name_gbk):
    out = os.path.abspath(args.out)
    assets = os.path.join(out, "assets")
    os.makedirs(assets, exist_ok=True)
    try:
        write_archive(os.path.join(out, "payload.zip"), args.product, listed)
    except Refused:
        os.remove(os.path.join(out, "payload.zip.tmp"))
        raise
    # Only the product's own row: no other brand's or product's name goes into its programs.
    write_if_changed(os.path.join(out, "brands.txt"),
                     brand_file.single(folder_gbk.decode("gbk"), name_gbk.decode("gbk")))
    # The advice text, when the publisher gives one, replaces the installer's own.
    advice = os.path.join(out, "advice.txt")
    if args.advice is not None:
        write_if_changed(advice, check_advice(args.advice, []))
    elif os.path.exists(advice):
        os.remove(advice)
    chosen = {PICTURES[role][0]: getattr(args, role) for role in PICTURES if getattr(args, role)}
    if args.icon:
        chosen[ICON_FILE] = args.icon
    source = os.path.join(ROOT, "assets")
    for file in sorted(os.listdir(source)):
        with open(chosen.get(file, os.path.join(source, file)), "rb") as f:
            write_if_changed(os.path.join(assets, file), f.read())
    for file in os.listdir(assets):
        if file not in os.listdir(source):
            os.remove(os.path.join(assets, file))


def parse(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("command", choices=("check", "prepare"))
    p.add_argument("--product", required=True, help="product archive (.zip) or product folder")
    p.add_argument("--name", required=True, help="product name: <name>.exe is started")
    p.add_argument("--folder", required=True, help="install-folder prefix: D:\\<prefix>\\<name>")
    for role, (_, size, what) in PICTURES.items():
        p.add_argument("--" + role, help="%s picture, JPEG %d x %d" % (what, size[0], size[1]))
    p.add_argument("--icon", help="application icon (.ico)")
    p.add_argument("--version", help="the programs' version, X.Y.Z.W with one to four numbers")
    p.add_argument("--copyright", help="the programs' copyright text")
    p.add_argument("--advice", help="text file of the advice shown before installing")
    p.add_argument("--out", help="prepare: the folder to write into")
    args = p.parse_args(argv)
    if args.command == "prepare" and not args.out:
        p.error("prepare needs --out")
    return args


def main(argv=None):
    args = parse(sys.argv[1:] if argv is None else argv)
    try:
        listed, folder_gbk, name_gbk = check(args)
        if args.command == "prepare":
            prepare(args, listed, folder_gbk, name_gbk)
    except Refused as e:
        for problem in e.args[0]:
            sys.stderr.write("package: %s\n" % problem)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
