"""An installation onto a drive too small for the product, silent and in the window: the
disk-full code and message, and no temporary archive left behind. Needs mount (a small
tmpfs as the drive); without it every case is skipped and ctest shows the script skipped."""

import os
import re
import subprocess
import sys
import unittest

import installer_ui as ui
import quilltest as qt
from silent_run import watch

EXIT_DISK_FULL = qt.EXIT_CODES["kExitDiskFull"]
SKIPPED = 77  # ctest's SKIP_RETURN_CODE for this script


class FullDrive(ui.InstallCase):
    def setUp(self):
        super().setUp()
        small = self.small = os.path.join(self.tmp, "small-drive")
        os.makedirs(small)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m", "tmpfs", small],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("cannot mount a small tmpfs here")
        self.addCleanup(subprocess.run, ["umount", "-l", small])
        qt.map_drive("e", small)
        self.addCleanup(qt.unmap_drive, "e")

    def test_silent_install_onto_a_full_drive(self):
        run = watch("/S", "/D=E:\\Orvenline")
        self.assertEqual((run.code, run.windows), (EXIT_DISK_FULL, []))
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip left in the temporary folder")
        self.assertFalse(os.path.exists(ui.desktop_link()))
        self.assertEqual(os.listdir(self.small), [], "the failed installation left what it wrote")

    def test_window_tells_the_folder_and_the_space_needed(self):
        prog = self.start(qt.require_installer(), "/D=E:\\Orvenline")
        inst = ui.Installer(self, program=prog)
        self.assertEqual(inst.folder(), "E:\\Orvenline")
        inst.press_start()
        inst.answer_advice(self)
        box = qt.find_msgbox(title=ui.INFO_CAPTION, timeout=30)
        self.assertIsNotNone(box, "no disk-full message")
        qt.screenshot("install-disk-full")
        self.assertTrue(ui.fills_in(box.text, ui.DISK_FULL_TEXT, re.escape("E:\\Orvenline"), r"\d+"), box.text)
        self.assertTrue(qt.press_msgbox(qt.IDOK, title=ui.INFO_CAPTION))
        self.assertEqual(inst.wait_exit(), EXIT_DISK_FULL)
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip left in the temporary folder")
        self.assertFalse(os.path.exists(ui.desktop_link()))


if __name__ == "__main__":
    result = unittest.main(verbosity=2, exit=False).result
    failed = result.failures or result.errors or result.unexpectedSuccesses
    sys.exit(1 if failed else SKIPPED if result.skipped else 0)
