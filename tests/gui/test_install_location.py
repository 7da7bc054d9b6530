"""The install folder shown under the start button: its default from the free space of drive
D, and the folder dialog a press on it opens."""

import os
import subprocess

import installer_ui as ui
import quilltest as qt


class DefaultFolder(qt.QuillTestCase):
    def folder_shown(self):
        inst = ui.Installer(self)
        folder = inst.folder()
        inst.prog.kill()
        return folder

    def mount_tmpfs(self, mib):
        """A drive-sized tmpfs holding exactly `mib` MiB, empty; None when mounting is not
        allowed here."""
        path = os.path.join(self.tmp, f"tmpfs-{mib}")
        os.makedirs(path)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={mib}m", "tmpfs", path],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
            return None
        self.addCleanup(subprocess.run, ["umount", "-l", path])
        return path

    def test_drive_d_is_taken_with_1000_mib_free_and_c_otherwise(self):
        self.addCleanup(qt.unmap_drive, "d")
        qt.unmap_drive("d")
        self.assertEqual(self.folder_shown(), "C:\\Tessaly软件\\Orvenline")

        # A drive D with plenty of room (the run's own temporary folder).
        qt.map_drive("d", self.tmp)
        self.assertEqual(self.folder_shown(), "D:\\Tessaly软件\\Orvenline")

        # Exactly at the limit and one MiB below it.
        exact, short = self.mount_tmpfs(1000), self.mount_tmpfs(999)
        if exact is None or short is None:
            self.skipTest("cannot mount a tmpfs here for the 1000 MiB limit")
        qt.map_drive("d", exact)
        self.assertEqual(self.folder_shown(), "D:\\Tessaly软件\\Orvenline")
        qt.map_drive("d", short)
        self.assertEqual(self.folder_shown(), "C:\\Tessaly软件\\Orvenline")


class FolderDialog(qt.QuillTestCase):
    def test_dialog_choices_become_the_parent_of_the_product_folder(self):
        # A folder on the desktop is a first-level item of the dialog's tree.
        pick = os.path.join(qt.desktop_dir(), "qtpick")
        os.makedirs(pick)
        self.addCleanup(os.rmdir, pick)
        user = os.path.basename(qt.user_dir())
        inst = ui.Installer(self)
        start = inst.folder()

        dlg = inst.open_folder_dialog(self)
        self.assertIn(ui.DIALOG_TITLE, dlg.texts)
        qt.screenshot("install-folder-dialog")
        dlg.select_desktop_folder("qtp")
        self.assertEqual(dlg.selection(), "qtpick")
        self.assertTrue(dlg.ok(), "the dialog did not close on Return")
        self.assertEqual(inst.folder(), f"C:\\users\\{user}\\Desktop\\qtpick\\Orvenline")
        self.assertNotEqual(inst.folder(), start)

        # A drive root comes back as "Z:", so the product folder gets one backslash.
        dlg = inst.open_folder_dialog(self)
        dlg.select_drive_z()
        self.assertIn("Z:", dlg.selection())
        self.assertTrue(dlg.ok())
        self.assertEqual(inst.folder(), "Z:\\Orvenline")

        # Cancelled: the folder stays.
        dlg = inst.open_folder_dialog(self)
        dlg.select_desktop_folder("qtp")
        self.assertTrue(dlg.cancel(), "Escape did not close the dialog")
        self.assertEqual(inst.folder(), "Z:\\Orvenline")

        self.assertIsNone(inst.prog.exit_code)


if __name__ == "__main__":
    qt.main()
