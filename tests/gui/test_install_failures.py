"""Installations that meet an obstacle: a temporary folder that cannot be written, an install
drive whose root cannot be written either, and a product file held open by another program."""

import os
import subprocess

import installer_ui as ui
import quilltest as qt

NO_TEMP = "Q:\\nope"  # drive Q does not exist
EXIT_RELEASE_FAILED = qt.EXIT_CODES["kExitReleaseFailed"]
EXIT_FILE_NOT_WRITABLE = qt.EXIT_CODES["kExitFileNotWritable"]


class Obstacles(ui.InstallCase):
    def start_without_temp(self):
        """The installer with TEMP and TMP on a missing drive, started through cmd, which
        passes its exit code on."""
        self.addCleanup(qt.kill_process, "installer.exe")
        cmd = self.start("cmd", "/c", f"set TEMP={NO_TEMP}&& set TMP={NO_TEMP}&& "
                         f"{qt.to_windows(qt.require_installer())}",
                         cwd=os.path.dirname(qt.require_installer()))
        return ui.Installer(self, program=cmd)

    def make_immutable(self, path):
        if subprocess.run(["chattr", "+i", path], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("chattr +i is not available here")
        self.addCleanup(subprocess.run, ["chattr", "-i", path])

    def test_unwritable_temporary_folder_puts_the_archive_in_the_drive_root(self):
        inst = self.start_without_temp()
        self.assertEqual(inst.folder(), self.default_folder("D"))
        inst.press_start()
        inst.answer_advice(self)
        inst.wait_prompt(self)
        # Until the clean-up after the answer, the archive lies in the root of drive D.
        root_archive = os.path.join(self.drive_d, "tool.zip")
        self.assertTrue(os.path.isfile(root_archive), "no tool.zip in the install drive's root")
        self.assertEqual(os.path.getsize(root_archive), os.path.getsize(ui.payload_path()))
        self.assertFalse(os.path.exists(ui.temp_archive()))
        self.assertTrue(qt.press_msgbox("否", title=ui.PROMPT_CAPTION))
        self.assertEqual(inst.wait_exit(), 0)
        self.assertFalse(os.path.exists(root_archive), "the drive root's tool.zip was not cleaned up")
        self.assertEqual(os.path.getsize(os.path.join(self.install_dir, "Orvenline.exe")),
                         ui.payload_entries()["Orvenline.exe"][1])

    def test_no_writable_place_for_the_archive_ends_with_a_message(self):
        # The brand folder exists and may be written; only the root of drive D may not.
        brand = os.path.join(self.drive_d, ui.BRAND_FOLDER)
        os.makedirs(brand)
        self.make_immutable(self.drive_d)
        inst = self.start_without_temp()
        self.assertEqual(inst.folder(), self.default_folder("D"))
        inst.press_start()
        inst.answer_advice(self)
        box = qt.find_msgbox(title=ui.INFO_CAPTION, timeout=15)
        self.assertIsNotNone(box, "no write-failure message")
        self.assertTrue(ui.same_text(box.text, ui.WRITE_FAILED_TEXT), repr(box.text))
        self.assertEqual(inst.log(), ui.LOG_RELEASING)
        qt.screenshot("install-write-failed")
        self.assertTrue(qt.press_msgbox(qt.IDOK, title=ui.INFO_CAPTION))
        self.assertEqual(inst.wait_exit(), EXIT_RELEASE_FAILED)
        self.assertEqual(os.listdir(brand), [], "something was extracted after the write failure")
        self.assertFalse(os.path.exists(ui.desktop_link()))

    def test_a_file_held_open_fails_the_installation_without_completing_it(self):
        os.makedirs(self.install_dir)
        held = os.path.join(self.install_dir, "sys.dll")
        with open(held, "wb") as f:
            f.write(b"in use")
        holder = self.start(qt.driver_path(), "hold", "D:\\Tessaly软件\\Orvenline\\sys.dll", "60")
        qt.wait_until(lambda: "held" in holder.output(), timeout=15, message="the file could not be held")

        inst = ui.Installer(self)
        inst.press_start()
        inst.answer_advice(self)
        box = qt.find_msgbox(title=ui.INFO_CAPTION, timeout=15)
        self.assertIsNotNone(box, "no extraction-failure message")
        # The file itself is named, not just the folder.
        self.assertTrue(ui.same_text(box.text, ui.FILE_NOT_WRITABLE_TEXT % (self.default_folder("D") + "\\sys.dll")),
                        repr(box.text))
        self.assertNotEqual(inst.log(), ui.LOG_SHORTCUT_OK)
        self.assertTrue(qt.press_msgbox(qt.IDOK, title=ui.INFO_CAPTION))
        self.assertEqual(inst.wait_exit(), EXIT_FILE_NOT_WRITABLE)
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip left after the failure")

        self.assertIsNone(qt.find_msgbox(title=ui.PROMPT_CAPTION, timeout=0.5))
        self.assertFalse(os.path.exists(ui.desktop_link()), "a shortcut after a failed extraction")
        self.assertIsNone(ui.read_marker(self.install_dir))
        self.assertFalse(qt.process_running("Orvenline.exe"))
        with open(held, "rb") as f:
            self.assertEqual(f.read(), b"in use")
        holder.kill()


if __name__ == "__main__":
    qt.main()
