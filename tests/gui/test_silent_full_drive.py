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


PAGE = 4096  # tmpfs gives every file whole pages


def pages(size):
    return -(-size // PAGE) * PAGE


class SmallDrive(ui.InstallCase):
    """Drive E: is a tmpfs of SIZE."""
    SIZE = "2m"

    def setUp(self):
        super().setUp()
        small = self.small = os.path.join(self.tmp, "small-drive")
        os.makedirs(small)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + self.SIZE, "tmpfs", small],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("cannot mount a small tmpfs here")
        self.addCleanup(subprocess.run, ["umount", "-l", small])
        qt.map_drive("e", small)
        self.addCleanup(qt.unmap_drive, "e")


class FullDrive(SmallDrive):
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


class SpaceRunningOutLateInAReinstall(SmallDrive):
    """Room for a second copy of the product by the byte count, which the check before the
    first write takes, but not by the pages the files take: the drive runs out after the
    whole product is staged, while the uninstaller or its record is written."""
    SIZE = "24m"

    def test_a_reinstall_that_runs_out_late_leaves_the_previous_tree(self):
        folder = os.path.join(self.small, "Orvenline")
        self.assertEqual(watch("/S", "/D=E:\\Orvenline").code, 0)
        old = ui.snapshot(folder)
        sizes = [size for is_dir, size, _ in ui.payload_entries().values() if not is_dir]
        uninstaller = os.path.getsize(os.path.join(qt.build_dir(), "uninstall", "uninstall.exe"))
        staged = sum(pages(size) for size in sizes)
        self.assertGreaterEqual(staged + pages(uninstaller) - PAGE, sum(sizes) + uninstaller, "no late case")
        filler = os.path.join(self.small, "filler")
        for writing, free in (("the uninstaller", staged + pages(uninstaller) - PAGE),
                              ("the record", staged + pages(uninstaller))):
            with self.subTest(writing=writing):
                if os.path.exists(filler):
                    os.remove(filler)
                now = os.statvfs(self.small)
                with open(filler, "wb") as f:
                    f.write(b"\0" * (now.f_bavail * now.f_frsize - free))
                run = watch("/S", "/D=E:\\Orvenline")
                self.assertEqual(run.code, EXIT_DISK_FULL)
                self.assertEqual(ui.snapshot(folder), old)
                self.assertEqual(sorted(os.listdir(self.small)), ["Orvenline", "filler"])


if __name__ == "__main__":
    result = unittest.main(verbosity=2, exit=False).result
    failed = result.failures or result.errors or result.unexpectedSuccesses
    sys.exit(1 if failed else SKIPPED if result.skipped else 0)
