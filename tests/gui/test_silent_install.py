"""The silent install (/S, /D=): the whole installation without any window, the running-copy
refusal, the archive's fallback place, and every bad command line, each with its exit code."""

import os

import installer_ui as ui
import quilltest as qt
import silent_run
from silent_run import watch

EXIT_BAD_COMMAND_LINE = qt.EXIT_CODES["kExitBadCommandLine"]
EXIT_PRODUCT_RUNNING = qt.EXIT_CODES["kExitProductRunning"]


class SilentInstall(ui.InstallCase):
    def assert_nothing_written(self):
        self.assertEqual(os.listdir(self.drive_d), [])
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip in the temporary folder")
        self.assertFalse(os.path.exists(ui.desktop_link()), "a desktop shortcut")

    def assert_installed(self, folder, windows_folder):
        expected = ui.payload_entries()
        found = ui.product_tree_of(self, folder)
        self.assertEqual({n: (d, s) for n, (d, s, _) in expected.items()}, found)
        for name, (is_dir, _, when) in expected.items():
            if not is_dir:
                self.assertEqual(os.stat(os.path.join(folder, name)).st_mtime, ui.zip_time_as_utc(when), name)
        link = ui.link_target(qt.to_windows(ui.desktop_link()))
        self.assertIsNotNone(link, "no desktop shortcut")
        self.assertEqual(link[0].lower(), (windows_folder + "\\Orvenline.exe").lower())

    def test_installs_into_a_folder_with_spaces_and_chinese_characters_without_any_window(self):
        # A stale archive of a killed run is replaced, then removed.
        with open(ui.temp_archive(), "wb") as f:
            f.write(b"stale")
        run = watch("/S", "/D=D:\\My 软件\\产品 目录")
        self.assertEqual(run.code, 0)
        self.assertEqual(run.windows, [], "a silent install created windows")
        self.assert_installed(os.path.join(self.drive_d, "My 软件", "产品 目录"), "D:\\My 软件\\产品 目录")
        self.assertEqual(os.listdir(self.drive_d), ["My 软件"])
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip left in the temporary folder")
        self.assertIsNone(ui.read_marker(os.path.join(self.drive_d, "My 软件", "产品 目录")), "the product started")

    def test_without_a_folder_the_default_rule_applies(self):
        run = watch("/S")
        self.assertEqual((run.code, run.windows), (0, []))
        self.assert_installed(self.install_dir, self.default_folder("D"))

    def test_a_folder_named_tool_zip_sends_the_archive_to_the_drive_root(self):
        blocker = ui.temp_archive()
        os.makedirs(blocker)
        self.addCleanup(os.rmdir, blocker)
        run = watch("/S", "/D=D:\\Apps\\Orvenline")
        self.assertEqual(run.code, 0)
        self.assertTrue(os.path.isdir(blocker))
        self.assertFalse(os.path.exists(os.path.join(self.drive_d, "tool.zip")), "the drive root's tool.zip stayed")
        self.assertTrue(os.path.isfile(os.path.join(self.drive_d, "Apps", "Orvenline", "sys.dll")))

    def test_a_running_copy_ends_with_its_code_and_writes_nothing(self):
        self.start(self.copy_product(os.path.join(self.tmp, "old"), "Orvenline.exe"))
        qt.wait_until(lambda: qt.process_running("Orvenline.exe"), timeout=15, message="the product did not start")
        run = watch("/S", "/D=D:\\Apps\\Orvenline")
        self.assertEqual((run.code, run.windows), (EXIT_PRODUCT_RUNNING, []))
        self.assert_nothing_written()

    def test_each_bad_command_line_ends_with_its_code_and_writes_nothing(self):
        installer_dir = os.path.dirname(qt.require_installer())
        before = sorted(os.listdir(installer_dir))
        for args in (["/S", "/X"], ["/S", "/D="], ["/S", "/D=Apps\\Orvenline"], ["/S", "/D=\\Apps"],
                     ["/S", "/D=D:\\a|b"], ["/S", "/D=D:\\Apps?"], ["/S", "/D=D:\\con\\Orvenline"],
                     ["/S", "/D=D:\\Apps.\\Orvenline"], ["/S", "/S", "/Q", "/D=D:\\Apps"]):
            with self.subTest(args=args):
                run = watch(*args)
                self.assertEqual((run.code, run.windows), (EXIT_BAD_COMMAND_LINE, []))
                self.assert_nothing_written()
        self.assertEqual(sorted(os.listdir(installer_dir)), before)

    def test_usage_box_for_help_and_for_a_bad_line_without_s(self):
        for args, code in ((["/?"], 0), (["/X"], EXIT_BAD_COMMAND_LINE), (["/D=Apps"], EXIT_BAD_COMMAND_LINE)):
            with self.subTest(args=args):
                prog = self.start(qt.require_installer(), *args)
                box = qt.find_msgbox(title=ui.INFO_CAPTION, timeout=20)
                self.assertIsNotNone(box, "no usage box")
                self.assertTrue(box.text.startswith(silent_run.USAGE_START), box.text)
                self.assertIsNone(qt.find_window(cls="QuillWindow", process="installer.exe", timeout=0))
                self.assertTrue(qt.press_msgbox(qt.IDOK, title=ui.INFO_CAPTION))
                self.assertEqual(prog.wait(), code)
                self.assert_nothing_written()


if __name__ == "__main__":
    qt.main()
