#!/usr/bin/env python3
"""Layout of the built product archive, read on the host.

The records are parsed here with struct, independently of the generator, and the
archive is also listed and extracted with zipfile as a second reader. Environment:
QUILL_PAYLOAD (the built payload.zip), QUILL_PRODUCT_EXE and QUILL_UPDATER_EXE (the
programs packed into it) and QUILL_SOURCE_DIR.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

PAYLOAD = os.environ.get("QUILL_PAYLOAD", "")
PRODUCT = os.environ.get("QUILL_PRODUCT_EXE", "")
UPDATER = os.environ.get("QUILL_UPDATER_EXE", "")
SOURCE = os.environ.get("QUILL_SOURCE_DIR", "")

ROOT_DLL = r"[^/]+\.dll"
# (name pattern, compressed, uncompressed, external attributes); folders end in '/'.
EXPECTED = [
    (ROOT_DLL, 39696, 98304, 0x20),
    (r"update\.exe", 424751, 872448, 0x20),
    (r"[^/]+\.ini", 171, 265, 0x20),
    (r"share/", 0, 0, 0x10),
    (r"share/[^/]+\.ini", 11745, 65643, 0x20),
    (ROOT_DLL, 130295, 290816, 0x21),
    (r"已发数据/", 0, 0, 0x10),
    (r"截图/", 0, 0, 0x10),
    (r"提取数据/", 0, 0, 0x10),
    (r"提取数据/好友数据/", 0, 0, 0x10),
    (r"提取数据/成员数据/", 0, 0, 0x10),
    (r"提取数据/群数据/", 0, 0, 0x10),
    (r"Orvenline\.exe", 2230695, 5685248, 0x20),
    (r"黑名单/", 0, 0, 0x10),
    (r"黑名单/[^/]+\.txt", 2, 0, 0x20),
    (r"黑名单/[^/]+\.txt", 2, 0, 0x20),
    (r"黑名单/[^/]+\.txt", 2, 0, 0x20),
    (r"黑名单/[^/]+\.txt", 2, 0, 0x20),
    (r"sys\.dll", 1516094, 1563648, 0x20),
    (ROOT_DLL, 48854, 118784, 0x20),
]
TOTAL = 4405512
CENTRAL_OFFSET = 4403248
CENTRAL_SIZE = 1907
COMMENT = 335

LOCAL = struct.Struct("<IHHHHHIIIHH")
CENTRAL = struct.Struct("<IHHHHHHIIIHHHHHII")
END = struct.Struct("<IHHHHIIH")


def blocks(extra):
    """(id, data) pairs of an extra field; fails on a truncated block."""
    out = []
    pos = 0
    while pos < len(extra):
        ident, size = struct.unpack_from("<HH", extra, pos)
        data = extra[pos + 4:pos + 4 + size]
        if len(data) != size:
            raise AssertionError("truncated extra block")
        out.append((ident, data))
        pos += 4 + size
    return out


def dos_datetime(date, time):
    return ((date >> 9) + 1980, (date >> 5) & 15, date & 31,
            time >> 11, (time >> 5) & 63, (time & 31) * 2)


def read_records(data):
    end = len(data) - COMMENT - END.size
    sig, disk, cd_disk, here, total, cd_size, cd_offset, comment_len = END.unpack_from(data, end)
    assert sig == 0x06054B50
    records = []
    pos = cd_offset
    for _ in range(total):
        fields = CENTRAL.unpack_from(data, pos)
        name_len, extra_len, comment_len_e = fields[10], fields[11], fields[12]
        name = data[pos + CENTRAL.size:pos + CENTRAL.size + name_len]
        extra = data[pos + CENTRAL.size + name_len:pos + CENTRAL.size + name_len + extra_len]
        records.append((fields, name, extra))
        pos += CENTRAL.size + name_len + extra_len + comment_len_e
    return (disk, cd_disk, here, total, cd_size, cd_offset, comment_len, pos), records


@unittest.skipUnless(PAYLOAD and os.path.isfile(PAYLOAD), "QUILL_PAYLOAD not set")
class PayloadLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(PAYLOAD, "rb") as f:
            cls.data = f.read()

    def test_end_record_and_directory_place(self):
        self.assertEqual(TOTAL, len(self.data))
        self.assertEqual(b"PK\x03\x04", self.data[:4])
        (disk, cd_disk, here, total, cd_size, cd_offset, comment_len, cd_end), records = \
            read_records(self.data)
        self.assertEqual((0, 0, 20, 20), (disk, cd_disk, here, total))
        self.assertEqual((CENTRAL_SIZE, CENTRAL_OFFSET, COMMENT), (cd_size, cd_offset, comment_len))
        self.assertEqual(cd_offset + cd_size, cd_end)
        self.assertEqual(TOTAL - COMMENT - END.size, cd_end)
        self.assertNotIn(b"PK\x06\x06", self.data[cd_offset:])   # no ZIP64 end record
        self.assertNotIn(b"PK\x05\x05", self.data[cd_offset:])   # no digital signature

    def test_entries_in_order_with_their_attributes(self):
        _, records = read_records(self.data)
        self.assertEqual(20, len(records))
        expected_offset = 0
        made_by_20 = 0
        for index, ((fields, name, extra), (pattern, csize, usize, attrs)) in \
                enumerate(zip(records, EXPECTED)):
            (sig, made_by, needed, flags, method, time, date, crc, c, u, name_len, extra_len,
             comment_len, disk_start, internal, external, offset) = fields
            text = name.decode("gbk")
            lf = LOCAL.unpack_from(self.data, offset)
            lname = self.data[offset + LOCAL.size:offset + LOCAL.size + lf[9]]
            lextra = self.data[offset + LOCAL.size + lf[9]:offset + LOCAL.size + lf[9] + lf[10]]
            data_end = offset + LOCAL.size + lf[9] + lf[10] + lf[7]
            with self.subTest(index=index, name=text):
                self.assertRegex(text, "^" + pattern + "$")
                folder = text.endswith("/")
                self.assertEqual((csize, usize), (c, u))
                self.assertEqual(attrs, external)
                self.assertEqual((0, 0, 0), (comment_len, disk_start, internal))
                self.assertEqual(0 if folder else 8, method)
                self.assertEqual(10 if folder else 20, needed)
                self.assertEqual(0x0002 if index == 2 else 0, flags)
                self.assertIn(made_by, (0x001F, 0x0014, 0x003F))
                made_by_20 += made_by == 0x0014
                when = dos_datetime(date, time)
                self.assertTrue(2013 <= when[0] <= 2019, when)
                if text == "Orvenline.exe":
                    self.assertEqual((2019, 12, 8, 18, 1, 22), when)
                if folder or usize == 0:
                    self.assertEqual(0, crc)

                # The local header agrees and the entries follow each other without gaps.
                self.assertEqual(expected_offset, offset)
                self.assertEqual(0x04034B50, lf[0])
                self.assertEqual((needed, flags, method, time, date, crc, c, u, name_len),
                                 lf[1:10])
                self.assertEqual(name, lname)
                if text.startswith("黑名单/") and not folder:
                    self.assertEqual(b"\x03\x00", self.data[data_end - 2:data_end])

                # Extra blocks: Unicode path only for the product, NTFS times by made-by.
                unicode_path = []
                if text == "Orvenline.exe":
                    unicode_path = [(0x7075, struct.pack("<BI", 1, zlib.crc32(name))
                                     + text.encode("utf-8"))]
                self.assertEqual(unicode_path, blocks(lextra))
                central_blocks = blocks(extra)
                if made_by == 0x0014:
                    self.assertEqual([], central_blocks)
                else:
                    ident, ntfs = central_blocks[0]
                    self.assertEqual(0x000A, ident)
                    self.assertEqual(32, len(ntfs))
                    self.assertEqual((0, 1, 24), struct.unpack_from("<IHH", ntfs))
                    self.assertEqual(unicode_path, central_blocks[1:])
            expected_offset = data_end
        self.assertEqual(2, made_by_20)
        self.assertEqual(CENTRAL_OFFSET, expected_offset)

    def test_zipfile_reads_checks_and_extracts_it(self):
        with zipfile.ZipFile(PAYLOAD, metadata_encoding="gbk") as archive:
            self.assertIsNone(archive.testzip())
            self.assertEqual(COMMENT, len(archive.comment))
            self.assertEqual(8695156, sum(i.file_size for i in archive.infolist()))
            with tempfile.TemporaryDirectory() as target:
                archive.extractall(target)
                folders, files = [], []
                for root, dirs, names in os.walk(target):
                    folders += [os.path.join(root, d) for d in dirs]
                    files += [os.path.join(root, n) for n in names]
                self.assertEqual(8, len(folders))
                self.assertEqual(12, len(files))
                lists = [f for f in files if os.path.basename(os.path.dirname(f)) == "黑名单"]
                self.assertEqual([0, 0, 0, 0], [os.path.getsize(f) for f in lists])

    @unittest.skipUnless(PRODUCT and UPDATER, "product programs not given")
    def test_programs_are_packed_and_output_is_reproducible(self):
        with zipfile.ZipFile(PAYLOAD) as archive:
            for entry, path in (("Orvenline.exe", PRODUCT), ("update.exe", UPDATER)):
                with open(path, "rb") as f:
                    program = f.read()
                packed = archive.read(entry)
                self.assertEqual(program, packed[:len(program)], entry)
        # Same inputs, same bytes: regenerate and compare with the build's archive.
        script = os.path.join(SOURCE, "tools", "make_payload.py")
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "payload.zip")
            subprocess.run([sys.executable, script, "--product", PRODUCT, "--updater", UPDATER,
                            "--output", out], check=True)
            with open(out, "rb") as f:
                self.assertTrue(f.read() == self.data)


if __name__ == "__main__":
    unittest.main()
