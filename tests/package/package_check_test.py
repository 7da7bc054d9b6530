"""The packaging command's checks, on the host: a valid product passes, and each way a product,
a name, a folder prefix, a picture, the icon, the version or the copyright can fail a build or
an installation is refused with one message naming it. Every case changes one thing of the valid product."""

import contextlib
import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import package_product  # noqa: E402
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import signing_cert  # noqa: E402

NAME = "示例产品"
ASSETS = os.path.join(ROOT, "assets")


def zip_of(entries):
    """A ZIP archive of (name bytes, content, method, flags, attributes) entries, written as
    given: the cases need names and flags zipfile would not write."""
    local, central, offset = [], [], 0
    for name, content, method, flags, attrs in entries:
        if method == 8:
            c = zlib.compressobj(9, zlib.DEFLATED, -15)
            stream = c.compress(content) + c.flush()
        else:
            stream = content
        crc = zlib.crc32(content)
        local.append(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, method, 0, 0x21, crc,
                                 len(stream), len(content), len(name), 0) + name + stream)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, method, 0,
                                   0x21, crc, len(stream), len(content), len(name), 0, 0, 0, 0,
                                   attrs, offset) + name)
        offset += len(local[-1])
    directory = b"".join(central)
    return b"".join(local) + directory + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries),
                                                     len(entries), len(directory), offset, 0)


# Names are stored as the installer reads them: GB18030, of which GBK is a part.
def file_entry(name, content=b"data", method=8, flags=0):
    return (name.encode("gb18030") if isinstance(name, str) else name, content, method, flags, 0x20)


def folder_entry(name):
    return (name.encode("gb18030"), b"", 0, 0, 0x10)


GOOD = [file_entry(NAME + ".exe", b"MZ" + bytes(500)), folder_entry("数据/"), file_entry("数据/配置.ini")]


def name_table():
    """(folder, [(taken, name)]) of the name table the installer's rule is held to as well
    (tests/support/name_rule_cases.txt), its escapes undone."""
    def unescape(text):
        return re.sub(r"\\(\\|x([0-9A-Fa-f]{2})|\{(\d+)\}(.))", lambda m: "\\" if m.group(1) == "\\"
                      else chr(int(m.group(2), 16)) if m.group(2) else m.group(4) * int(m.group(3)), text)
    folder, cases = None, []
    with open(os.path.join(ROOT, "tests", "support", "name_rule_cases.txt"), encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line and not line.startswith("#"):
                verdict, text = line.split("\t", 1)
                if verdict == "folder":
                    folder = unescape(text)
                else:
                    cases.append((verdict == "take", unescape(text)))
    return folder, cases


class Checks(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="package-check.")
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def write(self, name, data):
        path = os.path.join(self.tmp, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def archive(self, entries):
        return self.write("product.zip", zip_of(entries))

    def folder(self, files):
        """A product folder holding the product's executable and `files` ({relative: bytes})."""
        root = tempfile.mkdtemp(dir=self.tmp)
        for rel, data in dict(files, **{NAME + ".exe": b"MZ"}).items():
            self.write(os.path.join(root, rel), data)
        return root

    def run_check(self, product=None, name=NAME, folder="示例软件", extra=()):
        product = product or self.archive(GOOD)
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            code = package_product.main(["check", "--product", product, "--name", name,
                                         "--folder", folder, *extra])
        return code, [line for line in err.getvalue().splitlines() if line]

    def test_a_valid_product_passes_as_archive_and_as_folder(self):
        good_pictures = ["--button", os.path.join(ASSETS, "button_install.jpg"),
                         "--logo", os.path.join(ASSETS, "logo_flame.jpg"),
                         "--icon", os.path.join(ASSETS, "app.ico"),
                         "--version", "2.10.0.65535", "--copyright", "© 2024 示例公司"]
        self.assertEqual(self.run_check(extra=good_pictures), (0, []))
        # Advice of the most lines and the longest lines the box shows, in either encoding.
        advice = "\n".join(["长" * 24] * package_product.MAX_ADVICE_LINES) + "\n"
        for codec in ("utf-8", "gbk"):
            with self.subTest(advice=codec):
                self.assertEqual(self.run_check(extra=["--advice", self.write("advice.txt", advice.encode(codec))]),
                                 (0, []))
        folder = self.folder({"数据/子/空.txt": b"", "誠信/说明.txt": b"x"})
        self.assertEqual(self.run_check(folder), (0, []))
        # A folder gives the same archive every time: entries in name order, folders first.
        packed = package_product.pack_folder(folder, [])
        self.assertEqual(package_product.pack_folder(folder, []), packed)
        names = [e.text for e in package_product.read_archive(packed, [])]
        self.assertEqual(names, [NAME + ".exe", "数据", "数据/子", "数据/子/空.txt", "誠信", "誠信/说明.txt"])

    def test_each_name_of_the_shared_table_is_taken_or_refused_as_the_installer_does(self):
        folder, cases = name_table()
        self.assertEqual(folder, package_product.unpack_folder("示例软件\\".encode("gbk"), NAME.encode("gbk")))
        for taken, name in cases:
            with self.subTest(name=name):
                # Every folder above the name listed before it, as the packager wants them.
                parts = name.replace("\\", "/").split("/")
                above = ["/".join(parts[:i]) + "/" for i in range(1, len(parts)) if parts[i - 1] not in ("", ".")]
                entries = [file_entry(NAME + ".exe", b"MZ")] + [folder_entry(p) for p in above] + \
                    [folder_entry(name) if name.endswith("/") else file_entry(name)]
                code, lines = self.run_check(self.archive(entries))
                self.assertEqual(code == 0, taken, lines)

    def test_a_big_product_is_packed_and_checked_a_piece_at_a_time(self):
        # 96 MiB in one file, as a folder and as the archive packed from it (whose entry
        # inflates to 96 MiB): neither packing nor checking may hold the file whole.
        big = 96 << 20
        folder = self.folder({})
        with open(os.path.join(folder, "big.bin"), "wb") as f:
            f.truncate(big)
        out = os.path.join(self.tmp, "out")
        script = os.path.join(ROOT, "tools", "package_product.py")
        measure = ("import resource, subprocess, sys\n"
                   "code = subprocess.call(sys.argv[1:])\n"
                   "print(code, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024)")
        for product in (folder, os.path.join(out, "payload.zip")):
            with self.subTest(product=product):
                run = subprocess.run([sys.executable, "-c", measure, sys.executable, script,
                                      "prepare", "--product", product, "--name", NAME,
                                      "--folder", "示例软件", "--out", out if product == folder
                                      else os.path.join(self.tmp, "again")],
                                     capture_output=True, text=True)
                code, peak = map(int, run.stdout.split())
                self.assertEqual(code, 0, run.stderr)
                self.assertLess(peak, big // 2)
        names = [e.text for e in package_product.read_archive(
            open(os.path.join(out, "payload.zip"), "rb").read(), [])]
        self.assertEqual(names, ["big.bin", NAME + ".exe"])

    def test_each_problem_is_refused_with_its_message(self):
        with open(os.path.join(ASSETS, "button_install.jpg"), "rb") as f:
            jpeg = f.read()
        cases = [
            # (what, keyword arguments of run_check, built lazily, words of the one message)
            ("no executable at the root",
             lambda: dict(product=self.archive([folder_entry("bin/"), file_entry("bin/%s.exe" % NAME)])),
             "no 示例产品.exe at its root (it is at bin/示例产品.exe"),
            ("a '..' level", lambda: dict(product=self.archive(GOOD + [file_entry("../evil.txt")])),
             "entry ../evil.txt leaves the install folder"),
            ("an absolute name", lambda: dict(product=self.archive(GOOD + [file_entry("C:/evil.txt")])),
             "entry C:/evil.txt leaves the install folder"),
            ("a name Windows refuses", lambda: dict(product=self.archive(GOOD + [file_entry("a?.txt")])),
             "entry a?.txt cannot be created"),
            ("a UTF-8 name", lambda: dict(product=self.archive(
                GOOD + [file_entry("说明.txt".encode("utf-8"), flags=0x800)])),
             "is stored with a UTF-8 name"),
            ("bytes that are not GBK", lambda: dict(product=self.archive(GOOD + [file_entry(b"\xff\xfe.txt")])),
             "not code page 936 text"),
            ("a folder name without GBK", lambda: dict(product=self.folder({"图片😀.png": b"x"})),
             "图片😀.png: the name holds characters code page 936 cannot write: 😀"),
            ("encryption", lambda: dict(product=self.archive(GOOD + [file_entry("k.dat", flags=1)])),
             "entry k.dat is encrypted"),
            ("another method", lambda: dict(product=self.archive(GOOD + [file_entry("b.dat", method=12)])),
             "entry b.dat uses compression method 12"),
            ("a folder listed after its contents",
             lambda: dict(product=self.archive(GOOD + [file_entry("新/a.txt"), folder_entry("新/")])),
             "entry 新/a.txt comes before a folder entry for 新/"),
            ("the same name twice", lambda: dict(product=self.archive(GOOD + [file_entry("数据/配置.INI")])),
             "entry 数据/配置.INI appears twice"),
            ("damaged data", lambda: dict(product=self.write("damaged.zip", self.damaged())),
             "entry bad.bin is damaged"),
            ("not a ZIP archive", lambda: dict(product=self.write("notes.zip", b"plain text")),
             "does not begin with a ZIP entry"),
            ("an archive cut short", lambda: dict(product=self.write("cut.zip", zip_of(GOOD)[:-30])),
             "has no end record"),
            ("a symbolic link", lambda: dict(product=self.link_folder()), "链接 is a symbolic link"),
            ("a product name too long", lambda: dict(name="示例" * 9),
             "is 36 bytes in code page 936; the brand table holds names of at most 32 bytes"),
            ("a product name with the list separator", lambda: dict(name="示例|产品"), "holds '|'"),
            ("a product name without GBK", lambda: dict(name="产品😀"), "cannot write: 😀"),
            ("a reserved product name", lambda: dict(name="CON"), "is a device name Windows reserves"),
            ("a console device name", lambda: dict(product=self.archive(GOOD + [file_entry("CONIN$.txt")])),
             "entry CONIN$.txt cannot be created"),
            ("a device name with blanks", lambda: dict(product=self.archive(GOOD + [file_entry("数据/clock$ .txt")])),
             "cannot be created"),
            ("an empty prefix", lambda: dict(folder="\\"), "the install-folder prefix is empty"),
            ("a prefix of two levels", lambda: dict(folder="示例\\软件"), "must be one folder name"),
            ("a prefix with a drive", lambda: dict(folder="E:\\示例"), "must be one folder name"),
            ("a prefix ending in a dot", lambda: dict(folder="示例."), "ends with a space or a dot"),
            ("a path too long for Windows",
             lambda: dict(product=self.archive(GOOD + [file_entry("n" * 240)])),
             "makes a path of 267 characters, more than the 259 a Windows path holds"),
            ("a picture that is not JPEG", lambda: dict(extra=["--hover", os.path.join(ASSETS, "app.ico")]),
             "picture %s is not a JPEG picture" % os.path.join(ASSETS, "app.ico")),
            ("a picture of another size",
             lambda: dict(extra=["--finish", os.path.join(ASSETS, "cross_blue.jpg")]),
             "is 27 x 22 pixels; the window shows it at 220 x 80"),
            ("a picture cut short",
             lambda: dict(extra=["--button", self.write("half.jpg", jpeg[:len(jpeg) // 2])]),
             "half.jpg is cut short"),
            ("a CMYK picture",
             lambda: dict(extra=["--button", self.write("cmyk.jpg", self.with_components(jpeg, 4))]),
             "has 4 colour components"),
            ("a version with a letter", lambda: dict(extra=["--version", "1.2a"]), 'the version "1.2a" must be'),
            ("a version of five numbers", lambda: dict(extra=["--version", "1.2.3.4.5"]), "one to four numbers"),
            ("a version number over 16 bits", lambda: dict(extra=["--version", "1.65536"]), "from 0 to 65535"),
            ("an empty version number", lambda: dict(extra=["--version", "1..2"]), 'the version "1..2"'),
            ("a copyright of two lines", lambda: dict(extra=["--copyright", "© 2024\n示例"]), "must be one line"),
            ("an icon that is not one", lambda: dict(extra=["--icon", os.path.join(ASSETS, "logo_flame.jpg")]),
             "is not an icon file (.ico)"),
            ("advice of too many lines", lambda: self.advice(b"line\n" * 13), "has 13 lines; the advice box shows at most 12"),
            ("advice with a line too long", lambda: self.advice(("短\n" + "长" * 25).encode()),
             "has a line of 50 bytes in code page 936 (line 2)"),
            ("advice without GBK", lambda: self.advice("提示😀".encode()), "code page 936 cannot write: 😀"),
            ("advice that is not text", lambda: self.advice(b"\xff\xfe\x00\x81"), "neither UTF-8 nor code page 936"),
            ("advice with a tab", lambda: self.advice(b"a\tb"), "holds control characters"),
            ("empty advice", lambda: self.advice(b"\r\n"), "is empty"),
            ("no advice file", lambda: dict(extra=["--advice", os.path.join(self.tmp, "missing.txt")]),
             "missing.txt cannot be read"),
        ]
        for what, arguments, message in cases:
            with self.subTest(what):
                code, lines = self.run_check(**arguments())
                self.assertEqual(code, 1)
                self.assertEqual(len(lines), 1, lines)
                self.assertIn(message, lines[0])

    def test_the_packager_names_every_empty_value(self):
        # Given but empty, they are named like any other problem instead of the usage.
        for option, message in [("--name", "the product name is empty"),
                                ("--folder", "the install-folder prefix is empty"),
                                ("--version", 'the version "" must be'),
                                *((option, option + " was given an empty value")
                                  for option in ("--product", "--advice", "--button", "--copyright", "--arch"))]:
            with self.subTest(option):
                given = {"--product": self.archive(GOOD), "--name": NAME, "--folder": "示例软件", option: ""}
                dist = os.path.join(self.tmp, "dist")
                run = subprocess.run(["bash", os.path.join(ROOT, "tools", "package.sh"), *sum(given.items(), ()),
                                      "--dist", dist, "--build", os.path.join(self.tmp, "build")],
                                     capture_output=True, text=True)
                self.assertEqual(run.returncode, 1, run.stderr)
                self.assertIn(message, run.stderr)
                self.assertFalse(os.path.exists(dist))

    def test_the_packager_refuses_a_certificate_it_cannot_sign_with(self):
        wrong = self.write("wrong.txt", b"not-the-password\n")
        for case, code_signing, password, message in [
                ("wrong password", True, wrong, "cannot open"),
                ("no code-signing use", False, None, "not for code signing")]:
            with self.subTest(case):
                folder = tempfile.mkdtemp(dir=self.tmp)
                pfx, right, _ = signing_cert.make(folder, code_signing)
                dist = os.path.join(folder, "dist")
                run = subprocess.run(["bash", os.path.join(ROOT, "tools", "package.sh"), "--product", self.archive(GOOD),
                                      "--name", NAME, "--folder", "示例软件", "--sign", pfx,
                                      "--sign-password-file", password or right,
                                      "--dist", dist, "--build", os.path.join(folder, "build")],
                                     capture_output=True, text=True)
                self.assertEqual(run.returncode, 1, run.stderr)
                self.assertIn(message, run.stderr)
                self.assertNotIn(signing_cert.PASSWORD, run.stdout + run.stderr)
                self.assertFalse(os.path.exists(dist))
                self.assertFalse(os.path.exists(os.path.join(folder, "build-x86_64")))

    def advice(self, data):
        return dict(extra=["--advice", self.write("advice.txt", data)])

    @staticmethod
    def damaged():
        """The valid archive plus an entry whose deflated data is overwritten."""
        data = bytearray(zip_of(GOOD + [file_entry("bad.bin", bytes(1000))]))
        start = data.index(b"bad.bin") + len("bad.bin")
        data[start:start + 4] = b"\xff" * 4
        return bytes(data)

    def link_folder(self):
        root = self.folder({})
        os.symlink(os.path.join(root, NAME + ".exe"), os.path.join(root, "链接"))
        return root

    @staticmethod
    def with_components(jpeg, count):
        """The JPEG with its frame header claiming `count` components (each like the first)."""
        pos = jpeg.index(b"\xff\xc0")
        length, _, _, _, old = struct.unpack_from(">HBHHB", jpeg, pos + 2)
        comps = bytes(jpeg[pos + 10:pos + 13]) * count
        frame = struct.pack(">HBHHB", 8 + 3 * count, 8, 80, 220, count) + comps
        return jpeg[:pos + 2] + frame + jpeg[pos + 2 + length:]


if __name__ == "__main__":
    unittest.main(verbosity=2)
