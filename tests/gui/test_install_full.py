"""A whole installation as a user does it: start button, advice, completion prompt, and what
is left on disk afterwards (the product tree, its attributes and times, the desktop shortcut,
the temporary archive), for both answers of the prompt and for a folder with spaces in it."""

import os
import shutil

import installer_ui as ui
import quilltest as qt


def source_dir():
    return os.environ.get("QUILL_SOURCE_DIR") or os.path.join(os.path.dirname(__file__), "..", "..")


def asset(name):
    return qt.Image.load(os.path.join(source_dir(), "assets", name))


def picture_difference(screen, rect, picture, rows=None):
    """Mean absolute channel difference between a screen region and a picture of its size,
    over its first `rows` rows (all by default)."""
    rows = picture.height if rows is None else rows
    total = 0
    for y in range(rows):
        for x in range(picture.width):
            a, b = screen.pixel(rect.left + x, rect.top + y), picture.pixel(x, y)
            total += abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2])
    return total / (picture.width * rows * 3)


class FullInstallation(ui.InstallCase):
    def check_product_tree(self, folder):
        """Every entry of the archive is in `folder` with its size, files with the normal
        attribute only and the archive's modification time; nothing else but the marker."""
        expected = ui.payload_entries()
        found = ui.product_tree_of(self, folder)
        found.pop(ui.MARKER, None)
        self.assertEqual(sorted(found), sorted(expected))
        self.assertEqual(sum(1 for d, _, _ in expected.values() if d), 8)
        self.assertEqual(sum(1 for d, _, _ in expected.values() if not d), 12)
        for name, (is_dir, size, when) in expected.items():
            self.assertEqual(found[name], (is_dir, size), name)
            if not is_dir:
                self.assertEqual(os.stat(os.path.join(folder, name)).st_mtime,
                                 ui.zip_time_as_utc(when), name)
        self.assertEqual(expected["Orvenline.exe"][2], (2019, 12, 8, 18, 1, 22))

        files = [self.windows_path(folder, n) for n, (d, _, _) in expected.items() if not d]
        attrs = ui.attributes(*files)
        self.assertEqual(len(attrs), len(files))
        for path, bits in attrs.items():
            self.assertNotEqual(bits, ui.INVALID_ATTRIBUTES, path)
            # Wine reports a plain file as "archive"; read-only, hidden, system or a folder bit
            # would mean the entry's own attributes survived.
            self.assertEqual(bits & 0x17, 0, f"{path}: {bits:#x}")

    def windows_path(self, folder, relative=""):
        """The D: path of something below the test's drive D folder."""
        rel = os.path.relpath(os.path.join(folder, relative), self.drive_d)
        return "D:\\" + rel.replace("/", "\\")

    def check_shortcut(self, folder_windows):
        self.assertTrue(os.path.exists(ui.desktop_link()), "no desktop shortcut")
        link = ui.link_target(qt.to_windows(ui.desktop_link()))
        self.assertIsNotNone(link, "the desktop shortcut does not load")
        self.assertEqual(link[0].lower(), (folder_windows + "\\Orvenline.exe").lower())
        # Only target and show mode are written: no arguments, no working folder.
        self.assertEqual(link[1:3], ("", ""))

    def test_yes_installs_everything_and_starts_the_product(self):
        # Archives left by an earlier run, in both places: the temporary one must be
        # overwritten, and the clean-up removes both.
        with open(ui.temp_archive(), "wb") as f:
            f.write(b"stale, not an archive")
        stale_root = os.path.join(self.drive_d, "tool.zip")
        with open(stale_root, "wb") as f:
            f.write(b"stale")

        # The system's code page is the one this run asked for (other languages run this too).
        self.assertEqual(qt.code_page(), qt.expected_code_page())
        inst = ui.Installer(self)
        folder = self.default_folder("D")
        self.assertEqual(inst.folder(), folder)
        self.assertEqual(inst.log(), "")
        self.assertFalse(inst.progress_visible())
        # The pointer off the button but on the window (hover is tracked by a capture that only
        # sees this program's windows), so the button shows its normal picture; the same
        # comparison must tell it from the finish picture later on.
        qt.xmove(inst.win.rect.left + 20, inst.win.rect.top + 150)
        finish, install = asset("button_finish.jpg"), asset("button_install.jpg")
        qt.wait_until(lambda: picture_difference(qt.grab(), inst.start_button.rect, install) < 3,
                      timeout=5, message="the start button does not show its install picture")
        before = qt.grab("install-before")
        self.assertGreater(picture_difference(before, inst.start_button.rect, finish), 5)

        inst.press_start()
        self.assertIsNotNone(qt.find_msgbox(title=ui.INFO_CAPTION), "no advice message")
        qt.screenshot("install-advice")
        inst.answer_advice(self)
        inst.wait_prompt(self)
        during = qt.grab("install-prompt")
        self.assertEqual(inst.log(), ui.LOG_SHORTCUT_OK)
        self.assertTrue(inst.progress_visible(), "the progress bar is hidden before the answer")
        # The start button now shows the finish picture, in both its states; the visible
        # progress bar covers its lowest rows.
        uncovered = inst.progress.rect.top - inst.start_button.rect.top
        self.assertLess(picture_difference(during, inst.start_button.rect, finish, uncovered), 3)
        self.check_shortcut(folder)

        self.assertTrue(qt.press_msgbox(qt.IDYES, title=ui.PROMPT_CAPTION))
        self.assertEqual(inst.wait_exit(), 0)
        product = qt.find_window(title=ui.PRODUCT, process="Orvenline.exe", timeout=15)
        self.assertIsNotNone(product, "the product's window did not show")
        qt.screenshot("install-after")
        marker = ui.read_marker(self.install_dir)
        self.assertIsNotNone(marker, "the product did not start from the install folder")
        installer_folder = qt.to_windows(os.path.dirname(qt.require_installer()))
        self.assertEqual(marker.splitlines(), [
            f'command line: "{folder}\\Orvenline.exe"',
            f"current folder: {installer_folder}"])

        self.check_product_tree(self.install_dir)
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip left in the temporary folder")
        self.assertFalse(os.path.exists(stale_root), "tool.zip left in the drive's root")

    def test_no_installs_over_an_old_copy_without_starting_it(self):
        # An old installation whose executable is read-only and of another size.
        os.makedirs(self.install_dir)
        old = os.path.join(self.install_dir, "Orvenline.exe")
        with open(old, "wb") as f:
            f.write(b"old version")
        os.chmod(old, 0o444)
        self.assertEqual(ui.attributes(self.windows_path(self.install_dir, "Orvenline.exe"))
                         .popitem()[1] & 1, 1, "the old copy should look read-only to Windows")

        inst = ui.Installer(self)
        inst.install(self)

        self.check_product_tree(self.install_dir)
        self.check_shortcut(self.default_folder("D"))
        self.assertIsNone(ui.read_marker(self.install_dir), "No started the product")
        self.assertFalse(qt.process_running("Orvenline.exe"))
        self.assertFalse(os.path.exists(ui.temp_archive()))

    def test_yes_starts_exactly_the_installed_product_from_a_folder_with_spaces(self):
        # Parent folder "My Apps" on the desktop, chosen in the folder dialog. Unquoted, the
        # launch line ...\Desktop\My Apps\Orvenline\Orvenline.exe would first try
        # ...\Desktop\My.exe: a decoy copy of the product sits there.
        desktop = qt.desktop_dir()
        parent = os.path.join(desktop, "My Apps")
        os.makedirs(parent)
        self.addCleanup(shutil.rmtree, parent, True)
        decoy = self.copy_product(desktop, "My.exe")
        self.addCleanup(os.remove, decoy)
        self.addCleanup(qt.kill_process, "My.exe")
        decoy_marker = os.path.join(desktop, ui.MARKER)
        self.addCleanup(lambda: os.path.exists(decoy_marker) and os.remove(decoy_marker))

        inst = ui.Installer(self)
        dlg = inst.open_folder_dialog(self)
        dlg.select_desktop_folder("My A")
        self.assertEqual(dlg.selection(), "My Apps")
        self.assertTrue(dlg.ok())
        user = os.path.basename(qt.user_dir())
        folder = f"C:\\users\\{user}\\Desktop\\My Apps\\Orvenline"
        self.assertEqual(inst.folder(), folder)

        inst.install(self, "是")
        installed = os.path.join(parent, ui.PRODUCT)
        qt.wait_until(lambda: ui.read_marker(installed) or os.path.exists(decoy_marker), timeout=10,
                      message="no product started")
        self.assertFalse(os.path.exists(decoy_marker), "the decoy My.exe was started")
        self.assertEqual(ui.read_marker(installed).splitlines()[0],
                         f'command line: "{folder}\\Orvenline.exe"')
        self.assertTrue(os.path.isfile(os.path.join(installed, "sys.dll")))


if __name__ == "__main__":
    qt.main()
