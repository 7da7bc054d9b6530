"""A whole installation from a folder where someone planted libraries beside the installer
(as in a downloads folder): none of them may ever run."""

import glob
import os
import shutil

import installer_ui as ui
import quilltest as qt

# Libraries Windows looks for in the program's folder first because they are not among its
# protected system libraries; each stand-in leaves <name>.loaded beside itself when loaded.
PLANTED = ["comctl32", "version", "uxtheme", "imm32", "dwmapi", "cryptbase"]
# Wine's own user32 imports version.dll and loads imm32 from its DllMain, both before the
# loader runs a single instruction of the executable, so forced native-first they come from
# the program's folder whatever the program does. Windows' user32 does neither (and imm32 is
# one of its protected libraries), so these two say nothing about the installer under Wine.
LOADED_BY_WINE_ITSELF = {"version.loaded", "imm32.loaded"}


def planted_dir():
    return os.path.join(qt.build_dir(), "tests", "security", "planted")


class PlantedLibraries(ui.InstallCase):
    def test_no_planted_library_runs_during_a_whole_installation(self):
        folder = os.path.join(self.tmp, "Downloads")
        os.makedirs(folder)
        exe = os.path.join(folder, "installer.exe")
        shutil.copyfile(qt.require_installer(), exe)
        for name in PLANTED:
            shutil.copyfile(os.path.join(planted_dir(), name + ".dll"), os.path.join(folder, name + ".dll"))
        # Wine otherwise prefers its own copy of each; native-first is what Windows does for
        # libraries outside its protected list.
        overrides = "mscoree,mshtml=;winemenubuilder.exe=d;" + ",".join(PLANTED) + "=n,b"
        prog = self.start(exe, env={"WINEDLLOVERRIDES": overrides})

        def markers():
            found = {os.path.basename(m).lower() for m in glob.glob(os.path.join(folder, "*.loaded"))}
            return sorted(found - LOADED_BY_WINE_ITSELF)

        try:
            inst = ui.Installer(self, program=prog)
            inst.install(self)
        finally:
            found = markers()
            if found:
                prog.kill()
                self.fail(f"planted libraries ran: {found}")
        self.assertTrue(os.path.isfile(os.path.join(self.install_dir, "Orvenline.exe")))


if __name__ == "__main__":
    qt.main()
