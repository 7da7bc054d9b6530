"""Removal of an installation: the registry entry the installer writes, the uninstaller it
puts into the install folder, run silently and through its boxes, over a reinstallation,
while the product runs, and with a tampered record."""

import glob
import os
import re
import struct
import zlib

import installer_ui as ui
import quilltest as qt

KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + ui.PRODUCT
CAPTION = ui.PRODUCT + " 卸载"
RUNNING_TEXT = "请先关闭 " + ui.PRODUCT + " 再卸载"
EXIT_DECLINED = qt.EXIT_CODES["kExitUserDeclined"]
EXIT_RECORD_UNREADABLE = qt.EXIT_CODES["kExitRecordUnreadable"]
EXIT_REFUSED = qt.EXIT_CODES["kExitRecordRefused"]


def reg_query():
    """{value name: (type, data)} of the product's uninstall key, or None without one. Read from
    an export, which is UTF-16 whatever the system's code page; a query prints in that page."""
    path = os.path.join(qt.run_temp(), "uninstall-key.reg")
    code, _ = qt.run("reg", ["export", KEY, qt.to_windows(path), "/y"])
    if code != 0:
        return None
    with open(path, "rb") as f:
        text = f.read().decode("utf-16").replace("\r\n", "\n")
    os.remove(path)
    unescape = lambda quoted: re.sub(r"\\(.)", r"\1", quoted)
    values = {}
    for name, data in re.findall(r'^"((?:[^"\\]|\\.)*)"=(.*)$', text, re.M):
        if data.startswith('"'):
            values[unescape(name)] = ("REG_SZ", unescape(data[1:-1]))
        elif data.startswith("dword:"):
            values[unescape(name)] = ("REG_DWORD", hex(int(data[6:], 16)))
    return values


def sealed(body):
    """A record's text with its check line: the length and CRC-32 of everything before it."""
    return body + b"check\t%d\t%08x\r\n" % (len(body), zlib.crc32(body))


def unsealed(text):
    """The record's text without its check line (all of it when it has none)."""
    at = text.rfind(b"\r\ncheck\t")
    return text if at < 0 else text[:at + 2]


def write_link(path, target):
    """A minimal shell link to `target` (an ANSI local path): header and link information."""
    volume = struct.pack("<IIII", 0x11, 3, 0, 0x10) + b"\0"
    base = target.encode("gbk") + b"\0"
    info_header = 0x1C
    body = volume + base + b"\0"
    info = struct.pack("<IIIIIII", info_header + len(body), info_header, 1, info_header,
                       info_header + len(volume), 0, info_header + len(volume) + len(base)) + body
    clsid = bytes.fromhex("0114020000000000c000000000000046")
    header = struct.pack("<I16sII24sIII", 0x4C, clsid, 0x2, 0, bytes(24), 0, 0, 1) + bytes(12)
    with open(path, "wb") as f:
        f.write(header + info + b"\0\0\0\0")


class Uninstall(ui.InstallCase):
    def install(self):
        inst = ui.Installer(self)
        inst.install(self)
        self.addCleanup(lambda: qt.run("reg", ["delete", KEY, "/f"]))

    def uninstaller(self):
        return os.path.join(self.install_dir, "uninstall.exe")

    def record_path(self):
        return os.path.join(self.install_dir, "uninstall.dat")

    def record(self):
        with open(self.record_path(), "rb") as f:
            return f.read().decode("gbk")

    def add_entries(self, entries):
        """The record with `entries` appended, sealed again as a tampering program would."""
        with open(self.record_path(), "rb") as f:
            body = unsealed(f.read())
        with open(self.record_path(), "wb") as f:
            f.write(sealed(body + "".join(e + "\r\n" for e in entries).encode("gbk")))

    def assert_all_gone(self, link_gone=True):
        """Install folder, shortcut, registry entry and the uninstaller's temporary copy."""
        qt.wait_until(lambda: not os.path.exists(self.install_dir), timeout=10,
                      message="the install folder is still there")
        self.assertEqual(os.path.exists(ui.desktop_link()), not link_gone)
        self.assertIsNone(reg_query())
        self.assertEqual(glob.glob(os.path.join(qt.windows_temp_dir(), "quill-uninstall-*")), [])
        # The brand folder above lies outside the install folder: it stays, empty.
        self.assertEqual(os.listdir(os.path.join(self.drive_d, ui.BRAND_FOLDER)), [])

    def test_install_registers_and_a_silent_uninstall_removes_everything(self):
        self.install()
        folder = self.default_folder("D")
        values = reg_query()
        self.assertIsNotNone(values, "no uninstall entry")
        exe = f"{folder}\\uninstall.exe"
        sizes = sum(os.path.getsize(os.path.join(r, f))
                    for r, _, fs in os.walk(self.install_dir) for f in fs)
        self.assertEqual({k: v for k, v in values.items() if k != "EstimatedSize"}, {
            "DisplayName": ("REG_SZ", ui.PRODUCT),
            "DisplayIcon": ("REG_SZ", f"{folder}\\Orvenline.exe"),
            "InstallLocation": ("REG_SZ", folder),
            "Publisher": ("REG_SZ", ui.BRAND_FOLDER),
            "DisplayVersion": ("REG_SZ", "1.0.0.0"),
            "UninstallString": ("REG_SZ", f'"{exe}"'),
            "QuietUninstallString": ("REG_SZ", f'"{exe}" /S'),
            "NoModify": ("REG_DWORD", "0x1"),
            "NoRepair": ("REG_DWORD", "0x1"),
        })
        self.assertEqual(values["EstimatedSize"], ("REG_DWORD", hex((sizes + 1023) // 1024)))
        lines = self.record().split("\r\n")
        self.assertEqual(lines[:3], ["Quill uninstall record 2", "product\tOrvenline", "root"])
        expected = {("folder" if d else "file") + "\t" + n.replace("/", "\\")
                    for n, (d, _, _) in ui.payload_entries().items()}
        self.assertEqual(set(lines[3:-2]), expected)
        with open(self.record_path(), "rb") as f:
            text = f.read()
        self.assertEqual(text, sealed(unsealed(text)))

        code, _ = qt.run(self.uninstaller(), ["/S"])
        self.assertEqual(code, 0)
        self.assert_all_gone()

    def test_reinstall_keeps_the_first_record_and_the_window_leaves_user_files(self):
        self.install()
        first = self.record()
        # The user's own file in a folder the installation made, then a second installation.
        mine = os.path.join(self.install_dir, "截图", "mine.png")
        with open(mine, "wb") as f:
            f.write(b"user data")
        self.install()
        self.assertEqual(self.record(), first)
        self.assertIsNotNone(reg_query())

        prog = self.start(self.uninstaller())
        box = qt.find_msgbox(title=CAPTION, timeout=15)
        self.assertIsNotNone(box, "no question")
        self.assertTrue(ui.same_text(box.text, "确定要卸载 Orvenline 吗？"), box.text)
        qt.press_msgbox(qt.IDYES, title=CAPTION)
        box = qt.find_msgbox(title=CAPTION, timeout=15)
        self.assertIsNotNone(box, "no closing box")
        qt.screenshot("uninstall-closing-box")
        folder = self.default_folder("D")
        self.assertIn("Orvenline 已卸载。", box.text)
        self.assertIn("不是安装时创建的文件", box.text)
        self.assertIn(f"{folder}\\截图", box.text)
        qt.press_msgbox(qt.IDOK, title=CAPTION)
        self.assertEqual(prog.wait(15), 0)

        # Only the user's file and the folders holding it stay.
        qt.wait_until(lambda: not os.path.exists(self.uninstaller()), timeout=10,
                      message="the uninstaller did not remove itself")
        self.assertEqual(ui.tree_of(self.install_dir), {"截图": (True, 0), "截图/mine.png": (False, 9)})
        self.assertFalse(os.path.exists(ui.desktop_link()))
        self.assertIsNone(reg_query())

    def test_folders_that_existed_before_are_not_the_installations(self):
        # The install folder and one of the product's folders are there already, holding a file
        # of the user's.
        old = os.path.join(self.install_dir, "截图", "old.png")
        os.makedirs(os.path.dirname(old))
        with open(old, "wb") as f:
            f.write(b"older")
        self.install()
        lines = self.record().split("\r\n")
        self.assertNotIn("root", lines)
        self.assertNotIn("folder\t截图", lines)
        self.assertIn("folder\t提取数据\\好友数据", lines)

        code, _ = qt.run(self.uninstaller(), ["/S"])
        self.assertEqual(code, 0)
        qt.wait_until(lambda: not os.path.exists(self.uninstaller()), timeout=10,
                      message="the uninstaller did not remove itself")
        self.assertEqual(ui.tree_of(self.install_dir), {"截图": (True, 0), "截图/old.png": (False, 5)})
        self.assertIsNone(reg_query())

    def test_a_running_product_or_a_no_stops_it(self):
        self.install()
        before = ui.tree_of(self.install_dir)
        product = self.start(os.path.join(self.install_dir, "Orvenline.exe"))
        self.assertIsNotNone(qt.find_window(title=ui.PRODUCT, process="Orvenline.exe", timeout=15))

        code, _ = qt.run(self.uninstaller(), ["/S"])
        self.assertEqual(code, 2)
        prog = self.start(self.uninstaller())
        qt.press_msgbox(qt.IDYES, title=CAPTION, timeout=15)
        box = qt.find_msgbox(title=ui.RUNNING_CAPTION, timeout=15)
        self.assertIsNotNone(box, "no running-copy message")
        self.assertTrue(ui.same_text(box.text, RUNNING_TEXT), box.text)
        qt.press_msgbox(qt.IDOK, title=ui.RUNNING_CAPTION)
        self.assertEqual(prog.wait(15), 2)

        product.kill()
        os.remove(os.path.join(self.install_dir, ui.MARKER))
        prog = self.start(self.uninstaller())
        qt.press_msgbox(qt.IDNO, title=CAPTION, timeout=15)
        self.assertEqual(prog.wait(15), EXIT_DECLINED)
        self.assertEqual(ui.tree_of(self.install_dir), before)
        self.assertTrue(os.path.exists(ui.desktop_link()))
        self.assertIsNotNone(reg_query())

    def test_a_tampered_record_reaches_nothing_outside_the_install_folder(self):
        self.install()
        brand = os.path.join(self.drive_d, ui.BRAND_FOLDER)
        outside = [os.path.join(self.drive_d, "outside.txt"), os.path.join(brand, "outside.txt")]
        for path in outside:
            with open(path, "wb") as f:
                f.write(b"keep")
        entries = ["file\t..\\outside.txt", "file\t..\\..\\outside.txt", "file\tD:\\outside.txt",
                   "file\tD:outside.txt", "file\t\\outside.txt", "folder\t..", "file\tNUL",
                   "file\tshare\\..\\..\\outside.txt", "file\tCON.txt"]
        self.add_entries(entries)

        # A shortcut of the product's name that points elsewhere is not the installation's.
        elsewhere = "C:\\elsewhere\\Orvenline.exe"
        write_link(ui.desktop_link(), elsewhere)
        self.assertEqual(ui.link_target(qt.to_windows(ui.desktop_link()))[0], elsewhere)

        code, _ = qt.run(self.uninstaller(), ["/S"])
        self.assertEqual(code, EXIT_REFUSED)
        for path in outside:
            self.assertTrue(os.path.exists(path), path)
            os.remove(path)
        self.assert_all_gone(link_gone=False)
        os.remove(ui.desktop_link())

        # Without a readable record nothing is done at all.
        self.install()
        with open(self.record_path(), "wb") as f:
            f.write(b"not a record")
        code, _ = qt.run(self.uninstaller(), ["/S"])
        self.assertEqual(code, EXIT_RECORD_UNREADABLE)
        self.assertTrue(os.path.exists(os.path.join(self.install_dir, "Orvenline.exe")))
        self.assertIsNotNone(reg_query())

    def test_a_torn_padded_or_garbled_record_removes_nothing(self):
        self.install()
        with open(self.record_path(), "rb") as f:
            whole = f.read()
        header_end = whole.index(b"\r\n", whole.index(b"product")) + 2
        broken = [whole[:len(whole) // 2], whole[:len(whole) - 1], unsealed(whole),
                  whole + b"\r\n", whole + bytes(4096), whole[:header_end] + b"\x8f\xfe\x01garbage\r\n"]
        # Everything but the record, which each case rewrites.
        product_tree = lambda: {k: v for k, v in ui.tree_of(self.install_dir).items() if k != "uninstall.dat"}
        before = product_tree()
        for text in broken:
            with open(self.record_path(), "wb") as f:
                f.write(text)
            code, _ = qt.run(self.uninstaller(), ["/S"])
            self.assertEqual(code, EXIT_RECORD_UNREADABLE, text[-40:])
            self.assertEqual(product_tree(), before)
            self.assertIsNotNone(reg_query())

    def test_links_and_the_uninstallers_own_files_are_never_removed(self):
        self.install()
        victims = os.path.join(self.drive_d, "victims")
        os.makedirs(os.path.join(victims, "inner"))
        for name in ("file.txt", "inner/kept.txt"):
            with open(os.path.join(victims, name), "wb") as f:
                f.write(b"keep")
        # A link as the last part (to a file and to a folder) and as a middle part.
        links = {"file-link.txt": os.path.join(victims, "file.txt"), "folder-link": victims}
        for name, target in links.items():
            os.symlink(target, os.path.join(self.install_dir, name))
        self.add_entries(["file\tfile-link.txt", "folder\tfolder-link", "file\tfolder-link\\file.txt",
                          "file\tfolder-link\\inner\\kept.txt", "folder\tfolder-link\\inner",
                          "file\tUNINSTALL.DAT", "file\tUninstall.exe", "file\tuninstall.dat"])
        code, _ = qt.run(self.uninstaller(), ["/S"])
        self.assertEqual(code, EXIT_REFUSED)
        self.assertEqual(ui.tree_of(victims), {"file.txt": (False, 4), "inner": (True, 0),
                                               "inner/kept.txt": (False, 4)})
        # All else is gone; the links stay, refused, and keep the install folder.
        qt.wait_until(lambda: not os.path.exists(self.uninstaller()), timeout=10,
                      message="the uninstaller did not remove itself")
        self.assertEqual(ui.tree_of(self.install_dir), {"file-link.txt": (False, 4), "folder-link": (True, 0)})
        self.assertIsNone(reg_query())

    def test_files_planted_at_the_temporary_copys_names_are_never_written(self):
        self.install()
        victim = os.path.join(self.drive_d, "victim.exe")
        with open(victim, "wb") as f:
            f.write(b"keep")
        # Every name the copy could have had from its process number, each a link to the victim.
        temp = qt.windows_temp_dir()
        os.makedirs(temp, exist_ok=True)
        planted = [os.path.join(temp, f"quill-uninstall-{pid}.exe") for pid in range(4, 1 << 14, 4)]
        for path in planted:
            os.symlink(victim, path)
        try:
            code, _ = qt.run(self.uninstaller(), ["/S"])
            self.assertEqual(code, 0)
            qt.wait_until(lambda: not os.path.exists(self.install_dir), timeout=10,
                          message="the install folder is still there")
            with open(victim, "rb") as f:
                self.assertEqual(f.read(), b"keep")
        finally:
            for path in planted:
                if os.path.lexists(path):
                    os.remove(path)
        self.assert_all_gone()


if __name__ == "__main__":
    qt.main()
