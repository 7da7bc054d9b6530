"""Paths the system hands over whose names GBK cannot write: a folder chosen in the folder
dialog, and a desktop in a user folder named in other scripts. They are shown, installed into,
and get the shortcut, and the uninstaller finds it there again."""

import os
import shutil

import installer_ui as ui
import quilltest as qt

FOLDER = "\u00dcn\u00efc\u00f8d\u00e9 \uff76\uff80\uff76\uff85"  # Ünïcødé ｶﾀｶﾅ
PROFILE = "J\u00f6rg \ud55c\uad6d\uc5b4"  # Jörg 한국어
SHELL_FOLDERS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"


class NamesOutsideGbk(ui.InstallCase):
    def test_a_folder_chosen_in_the_dialog_is_shown_and_installed_into(self):
        parent = os.path.join(qt.desktop_dir(), FOLDER)
        os.makedirs(parent)
        self.addCleanup(shutil.rmtree, parent, True)

        inst = ui.Installer(self)
        dlg = inst.open_folder_dialog(self)
        # Its name cannot be typed into the tree: under the desktop come the root of the file
        # system, then the folders lying on the desktop, this one alone.
        dlg.focus_tree()
        qt.key("home", "down", "down")
        self.assertEqual(dlg.selection(), FOLDER)
        self.assertTrue(dlg.ok())
        folder = f"C:\\users\\{os.path.basename(qt.user_dir())}\\Desktop\\{FOLDER}\\{ui.PRODUCT}"
        self.assertEqual(inst.folder(), folder)
        qt.screenshot("install-folder-outside-gbk")

        inst.install(self)
        installed = os.path.join(parent, ui.PRODUCT)
        self.assertEqual(sorted(ui.product_tree_of(self, installed)), sorted(ui.payload_entries()))
        self.assertEqual(ui.link_target(qt.to_windows(ui.desktop_link()))[0].lower(),
                         (folder + "\\" + ui.PRODUCT + ".exe").lower())

    def test_the_shortcut_lands_on_a_desktop_named_outside_gbk_and_goes_with_the_product(self):
        # A prefix of its own: the user's shell folders change for the whole prefix.
        with qt.FreshPrefix(self.tmp):
            qt.map_drive("d", self.drive_d)
            desktop = qt.user_dir(PROFILE, "Desktop")
            os.makedirs(desktop)
            windows_desktop = f"C:\\users\\{os.path.basename(qt.user_dir())}\\{PROFILE}\\Desktop"
            for key, kind in (("User Shell Folders", "REG_EXPAND_SZ"), ("Shell Folders", "REG_SZ")):
                self.assertEqual(qt.run("reg", ["add", SHELL_FOLDERS + key, "/v", "Desktop", "/t", kind,
                                                "/d", windows_desktop, "/f"])[0], 0)

            ui.Installer(self).install(self)
            link = os.path.join(desktop, ui.PRODUCT + ".lnk")
            self.assertTrue(os.path.exists(link), f"no shortcut in {os.listdir(desktop)}")
            self.assertFalse(os.path.exists(ui.desktop_link()), "the shortcut went to the old desktop")
            self.assertEqual(ui.link_target(qt.to_windows(link))[0].lower(),
                             (self.default_folder("D") + "\\" + ui.PRODUCT + ".exe").lower())

            code, _ = qt.run(os.path.join(self.install_dir, "uninstall.exe"), ["/S"])
            self.assertEqual(code, 0)
            qt.wait_until(lambda: not os.path.exists(self.install_dir), timeout=10,
                          message="the install folder stays")
            self.assertFalse(os.path.exists(link), "the uninstaller left the shortcut")


if __name__ == "__main__":
    qt.main()
