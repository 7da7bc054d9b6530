#!/usr/bin/env python3
"""Builds the product archive the installer carries (payload.zip).

The archive is assembled byte by byte rather than with zipfile, because its exact
shape is fixed: entry order, methods, flags, "version made by", attributes, DOS times,
extra blocks, the archive comment and every entry's compressed and uncompressed size.
Only the Python standard library is used, and the output depends on nothing but the
inputs: the same product executables give the same bytes.

Contents: Orvenline.exe and update.exe are the small programs built from
data/product/ for the build's own target, padded to their sizes (bytes appended after a
PE image are ignored by the loader). The configuration files are short texts padded
with filler; libraries are filler.

How the compressed sizes are hit exactly: a file's deflate stream is a run of stored
(uncompressed) blocks carrying its first R bytes - the real content and pseudo-random
filler - followed by an ordinary zlib raw-deflate stream of the rest, which is padding
(zero bytes, or spaces in the text files). Each stored block costs 5 bytes of header, so
R and the number of stored blocks are chosen to land on the wanted size.

Using a real product archive instead: configure with
    -DQUILL_PAYLOAD_ARCHIVE=/path/to/product.zip
and the build embeds that file byte for byte; this script is then not run. Such an
archive must list every folder before its contents, use stored or deflate without
encryption, and hold relative names without ".." under 260 bytes.
"""

import argparse
import datetime
import hashlib
import os
import struct
import sys
import zlib

# --- layout -----------------------------------------------------------------------

MADE_BY_31 = 0x001F   # these carry an NTFS time block in the central directory
MADE_BY_20 = 0x0014   # no extra block at all
MADE_BY_63 = 0x003F   # NTFS time block too

ATTR_ARCHIVE = 0x20
ATTR_ARCHIVE_READONLY = 0x21
ATTR_DIRECTORY = 0x10

FOLDER, FILE = "folder", "file"

# Content kinds for files.
BINARY = "binary"          # pseudo-random filler, zero padding
TEXT = "text"              # configuration text, printable filler, space padding
EMPTY = "empty"            # no content at all
PRODUCT = "product"        # Orvenline.exe from the build
UPDATER = "updater"        # update.exe from the build

# (name, kind, content, compressed size, uncompressed size, flags, made by, attributes,
#  modification time)
ENTRIES = [
    ("OrvenlineCore.dll", FILE, BINARY, 39696, 98304, 0, MADE_BY_20, ATTR_ARCHIVE,
     (2016, 3, 14, 10, 22, 8)),
    ("update.exe", FILE, UPDATER, 424751, 872448, 0, MADE_BY_63, ATTR_ARCHIVE,
     (2019, 11, 30, 9, 47, 36)),
    ("OrvenlineSettings.ini", FILE, TEXT, 171, 265, 0x0002, MADE_BY_31, ATTR_ARCHIVE,
     (2019, 12, 8, 17, 58, 4)),
    ("share/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2018, 6, 2, 15, 30, 10)),
    ("share/OrvenlineDefaultSettings.ini", FILE, TEXT, 11745, 65643, 0, MADE_BY_31, ATTR_ARCHIVE,
     (2018, 6, 2, 15, 29, 52)),
    ("OrvenlineNetwork.dll", FILE, BINARY, 130295, 290816, 0, MADE_BY_31, ATTR_ARCHIVE_READONLY,
     (2014, 9, 21, 8, 5, 44)),
    ("已发数据/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2019, 7, 16, 20, 12, 2)),
    ("截图/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2019, 7, 16, 20, 12, 6)),
    ("提取数据/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2019, 7, 16, 20, 13, 0)),
    ("提取数据/好友数据/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2019, 7, 16, 20, 13, 12)),
    ("提取数据/成员数据/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2019, 7, 16, 20, 13, 20)),
    ("提取数据/群数据/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2019, 7, 16, 20, 13, 26)),
    ("Orvenline.exe", FILE, PRODUCT, 2230695, 5685248, 0, MADE_BY_63, ATTR_ARCHIVE,
     (2019, 12, 8, 18, 1, 22)),
    ("黑名单/", FOLDER, None, 0, 0, 0, MADE_BY_31, ATTR_DIRECTORY,
     (2017, 4, 9, 11, 40, 18)),
    ("黑名单/好友黑名单.txt", FILE, EMPTY, 2, 0, 0, MADE_BY_31, ATTR_ARCHIVE,
     (2017, 4, 9, 11, 40, 30)),
    ("黑名单/群黑名单.txt", FILE, EMPTY, 2, 0, 0, MADE_BY_31, ATTR_ARCHIVE,
     (2017, 4, 9, 11, 40, 34)),
    ("黑名单/成员黑名单.txt", FILE, EMPTY, 2, 0, 0, MADE_BY_31, ATTR_ARCHIVE,
     (2017, 4, 9, 11, 40, 38)),
    ("黑名单/关键词黑名单.txt", FILE, EMPTY, 2, 0, 0, MADE_BY_31, ATTR_ARCHIVE,
     (2017, 4, 9, 11, 40, 42)),
    ("sys.dll", FILE, BINARY, 1516094, 1563648, 0, MADE_BY_63, ATTR_ARCHIVE,
     (2013, 5, 27, 16, 3, 50)),
    ("OrvenlineSkinRender.dll", FILE, BINARY, 48854, 118784, 0, MADE_BY_20, ATTR_ARCHIVE,
     (2015, 1, 8, 13, 26, 14)),
]

# The whole archive, checked after assembly: anything that reads the installer's
# constant area by offset relies on these.
EXPECTED_CENTRAL_OFFSET = 4403248
EXPECTED_CENTRAL_SIZE = 1907
EXPECTED_TOTAL_SIZE = 4405512
COMMENT_SIZE = 335

# DOS times are local times; the NTFS block holds UTC. The product was packed in UTC+8.
PACKING_UTC_OFFSET = datetime.timedelta(hours=8)

COMMENT_TEXT = (
    "Orvenline 安装数据包\r\n"
    "本压缩包由安装程序在安装时释放并解压到安装目录，请勿单独修改其中的文件。\r\n"
    "目录说明：share 为默认配置，已发数据、截图、提取数据为运行时数据目录，"
    "黑名单目录下为空白名单列表。\r\n"
    "Orvenline product archive - unpacked by the installer into the install folder.\r\n"
)

ROOT_INI = (
    "[Orvenline]\r\n"
    "Version=3.8.1219\r\n"
    "Language=zh-CN\r\n"
    "AutoUpdate=1\r\n"
    "DataFolder=提取数据\r\n"
    "ShotFolder=截图\r\n"
    "[Window]\r\n"
    "Left=-1\r\n"
    "Top=-1\r\n"
)

SHARE_INI = (
    "; Orvenline 默认配置，首次启动时复制为用户配置\r\n"
    "[General]\r\n"
    "Version=3.8.1219\r\n"
    "CheckUpdate=1\r\n"
    "UpdateProgram=update.exe\r\n"
    "Skin=default\r\n"
    "[Send]\r\n"
    "IntervalMin=15\r\n"
    "IntervalMax=45\r\n"
    "SentFolder=已发数据\r\n"
    "[Extract]\r\n"
    "FriendFolder=提取数据\\好友数据\r\n"
    "MemberFolder=提取数据\\成员数据\r\n"
    "GroupFolder=提取数据\\群数据\r\n"
    "[Blacklist]\r\n"
    "Friends=黑名单\\好友黑名单.txt\r\n"
    "Groups=黑名单\\群黑名单.txt\r\n"
    "Members=黑名单\\成员黑名单.txt\r\n"
    "Keywords=黑名单\\关键词黑名单.txt\r\n"
)

# --- helpers ----------------------------------------------------------------------


def fail(message):
    sys.stderr.write("make_payload: " + message + "\n")
    sys.exit(1)


def filler(seed, size):
    """Deterministic pseudo-random bytes, different for every entry."""
    return hashlib.shake_256(("orvenline payload " + seed).encode("utf-8")).digest(size)


def text_filler(seed, size):
    """Printable filler for configuration files: comment lines of hex digits."""
    raw = filler(seed, (size + 1) // 2).hex()
    out = []
    pos = 0
    while pos < size:
        line = "; " + raw[pos:pos + 60] + "\r\n"
        out.append(line)
        pos += len(line)
    return "".join(out).encode("ascii")[:size]


def dos_time(t):
    year, month, day, hour, minute, second = t
    if not 1980 <= year <= 2107 or second % 2:
        fail("bad DOS time %r" % (t,))
    date = ((year - 1980) << 9) | (month << 5) | day
    time = (hour << 11) | (minute << 5) | (second // 2)
    return time, date


def file_time(t):
    """64-bit FILETIME (100 ns since 1601, UTC) of a local packing time."""
    local = datetime.datetime(*t)
    utc = local - PACKING_UTC_OFFSET
    delta = utc - datetime.datetime(1601, 1, 1)
    return (delta.days * 86400 + delta.seconds) * 10_000_000


def ntfs_block(t):
    # Reserved 4 bytes, then tag 1 (24 bytes): modification, access, creation time.
    ft = file_time(t)
    body = struct.pack("<IHHQQQ", 0, 1, 24, ft, ft, ft)
    return struct.pack("<HH", 0x000A, len(body)) + body


def unicode_path_block(name_gbk):
    utf8 = name_gbk.decode("gbk").encode("utf-8")
    body = struct.pack("<BI", 1, zlib.crc32(name_gbk)) + utf8
    return struct.pack("<HH", 0x7075, len(body)) + body


_tail_cache = {}


def raw_deflate(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    return c.compress(data) + c.flush()


def padding_stream(pad_byte, count):
    key = (pad_byte, count)
    if key not in _tail_cache:
        _tail_cache[key] = raw_deflate(pad_byte * count)
    return _tail_cache[key]


def stored_blocks_needed(stored):
    return (stored + 65534) // 65535


def plan_stream(real_size, compressed, uncompressed, pad_byte):
    """Chooses R (bytes carried in stored blocks) and the stored block count k so that
    R + 5k + len(deflate(padding of uncompressed - R)) == compressed.
    Returns (R, k) or None."""
    if compressed < 2:
        return None
    hi = min(uncompressed, compressed)
    # Start just above the estimate and walk down: the tail grows slowly as R falls,
    # so a hit with the right remainder modulo 5 comes within a few steps.
    estimate = compressed - 5 * stored_blocks_needed(compressed) - len(
        padding_stream(pad_byte, max(uncompressed - compressed, 0)))
    start = min(hi, estimate + 16)
    for r in range(start, max(real_size, 0) - 1, -1):
        tail = len(padding_stream(pad_byte, uncompressed - r))
        rest = compressed - r - tail
        if rest < 0 or rest % 5:
            continue
        k = rest // 5
        need = stored_blocks_needed(r)
        if k >= need and (k > 0 or r == 0):
            return r, k
        if start - r > 100000:
            break
    return None


def build_stream(content, stored, blocks, pad_byte):
    """Deflate stream: `blocks` non-final stored blocks carrying content[:stored],
    then a raw-deflate stream of the padding content[stored:]."""
    out = bytearray()
    base, extra = divmod(stored, blocks) if blocks else (0, 0)
    pos = 0
    for i in range(blocks):
        size = base + (1 if i < extra else 0)
        out += struct.pack("<BHH", 0, size, size ^ 0xFFFF)
        out += content[pos:pos + size]
        pos += size
    tail = content[stored:]
    if tail != pad_byte * len(tail):
        fail("padding region holds content")
    out += padding_stream(pad_byte, len(tail))
    return bytes(out)


def make_file_data(name, kind, compressed, uncompressed, inputs):
    if kind == EMPTY:
        return b"", raw_deflate(b"")
    if kind == TEXT:
        real = (ROOT_INI if "/" not in name else SHARE_INI).encode("gbk")
        pad = b" "
    elif kind == PRODUCT:
        real = inputs["product"]
        pad = b"\0"
    elif kind == UPDATER:
        real = inputs["updater"]
        pad = b"\0"
    else:
        real = b""
        pad = b"\0"
    if len(real) > uncompressed:
        fail("%s: %d bytes do not fit in %d" % (name, len(real), uncompressed))
    plan = plan_stream(len(real), compressed, uncompressed, pad)
    if plan is None:
        fail("%s: no stream of exactly %d bytes" % (name, compressed))
    stored, blocks = plan
    if kind == TEXT:
        body = real + text_filler(name, stored - len(real))
    else:
        body = real + filler(name, stored - len(real))
    content = body + pad * (uncompressed - stored)
    stream = build_stream(content, stored, blocks, pad)
    check = zlib.decompressobj(-15)
    if check.decompress(stream) != content or not check.eof or check.unused_data:
        fail("%s: stream does not inflate to its content" % name)
    return content, stream


# --- assembly ---------------------------------------------------------------------


def build_archive(inputs):
    local_parts = []
    central_parts = []
    offset = 0
    for (name, kind, content_kind, csize, usize, flags, made_by, attrs, when) in ENTRIES:
        name_bytes = name.encode("gbk")
        if kind == FOLDER:
            content, stream, method, needed = b"", b"", 0, 10
        else:
            content, stream = make_file_data(name, content_kind, csize, usize, inputs)
            method, needed = 8, 20
        if len(stream) != csize or len(content) != usize:
            fail("%s: sizes %d/%d, wanted %d/%d" % (name, len(stream), len(content), csize, usize))
        crc = zlib.crc32(content)
        time, date = dos_time(when)
        is_product = content_kind == PRODUCT
        local_extra = unicode_path_block(name_bytes) if is_product else b""
        central_extra = b""
        if made_by in (MADE_BY_31, MADE_BY_63):
            central_extra += ntfs_block(when)
        if is_product:
            central_extra += unicode_path_block(name_bytes)

        local = struct.pack("<IHHHHHIIIHH", 0x04034B50, needed, flags, method, time, date,
                            crc, len(stream), len(content), len(name_bytes), len(local_extra))
        local_parts.append(local + name_bytes + local_extra + stream)
        central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, made_by, needed, flags, method,
                              time, date, crc, len(stream), len(content), len(name_bytes),
                              len(central_extra), 0, 0, 0, attrs, offset)
        central_parts.append(central + name_bytes + central_extra)
        offset += len(local_parts[-1])

    comment = COMMENT_TEXT.encode("gbk")
    if len(comment) > COMMENT_SIZE:
        fail("archive comment is %d bytes, more than %d" % (len(comment), COMMENT_SIZE))
    comment += b"=" * (COMMENT_SIZE - len(comment))

    central_dir = b"".join(central_parts)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(ENTRIES), len(ENTRIES),
                      len(central_dir), offset, len(comment))
    archive = b"".join(local_parts) + central_dir + end + comment

    if offset != EXPECTED_CENTRAL_OFFSET or len(central_dir) != EXPECTED_CENTRAL_SIZE \
            or len(archive) != EXPECTED_TOTAL_SIZE:
        fail("layout drifted: directory at %d (%d bytes), archive %d bytes" %
             (offset, len(central_dir), len(archive)))
    return archive


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--product", required=True, help="built Orvenline.exe")
    parser.add_argument("--updater", required=True, help="built update.exe")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    inputs = {}
    for key in ("product", "updater"):
        with open(getattr(args, key), "rb") as f:
            inputs[key] = f.read()
    archive = build_archive(inputs)
    tmp = args.output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(archive)
    os.replace(tmp, args.output)


if __name__ == "__main__":
    main()
