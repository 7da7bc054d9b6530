"""Installing again over an installation: a failure, a kill or another program's meddling
leaves the previous installation byte for byte as it was, or the new one whole, never a mix;
the next run finishes or undoes what a kill cut off. And tool.zip is never written through
what was planted at its path, nor read after someone else changed it."""

import os
import time
import zipfile

import installer_ui as ui
import quilltest as qt
from silent_run import watch

FOLDER = "D:\\Apps\\Orvenline"
OTHER_FOLDER = "D:\\Apps\\Elsewhere"
NO_TEMP = "Q:\\nope"  # drive Q does not exist
EXIT_RELEASE_FAILED = qt.EXIT_CODES["kExitReleaseFailed"]
EXIT_FILE_NOT_WRITABLE = qt.EXIT_CODES["kExitFileNotWritable"]
KILLED = 99  # the tests' build ends itself with this code at a named moment

# The commit's named moments, from the end of the extraction to the last rename, each with
# the folder the next run installs into; one run chooses another folder than the cut-off one.
KILLS = tuple((moment, FOLDER) for moment in
              ("extracted", "staged", "journal-written", "first-moved", "half-moved", "all-moved", "registered")) + \
    (("half-moved", OTHER_FOLDER),)


class Reinstall(ui.InstallCase):
    def setUp(self):
        super().setUp()
        self.apps = os.path.join(self.drive_d, "Apps")
        self.folder = os.path.join(self.apps, "Orvenline")

    def install_old(self):
        """Installs, then makes every product file an older version's own bytes. Returns the
        trees (old, new) a reinstall may leave."""
        self.assertEqual(watch("/S", "/D=" + FOLDER).code, 0)
        new = ui.snapshot(self.folder)
        for name in ui.payload_entries():
            path = os.path.join(self.folder, name)
            if os.path.isfile(path):
                with open(path, "ab") as f:
                    f.write(b" of the version before")
        return ui.snapshot(self.folder), new

    def settle(self, folder=FOLDER):
        """The next run into `folder`, one that can write tool.zip nowhere: it finishes or
        undoes what an earlier run left, and changes nothing else."""
        os.makedirs(os.path.join(self.drive_d, "tool.zip"), exist_ok=True)
        cmd = self.start("cmd", "/c", f"set TEMP={NO_TEMP}&& set TMP={NO_TEMP}&& "
                         f"{qt.to_windows(qt.require_installer())} /S /D={folder}",
                         cwd=os.path.dirname(qt.require_installer()))
        self.assertEqual(cmd.wait(60), EXIT_RELEASE_FAILED)
        os.rmdir(os.path.join(self.drive_d, "tool.zip"))

    def assert_old_or_new(self, old, new, what):
        tree = ui.snapshot(self.folder)
        self.assertIn(tree, (old, new), f"{what}: a mix of {sum(tree.get(k) == v for k, v in old.items())} old "
                                         f"and {sum(tree.get(k) == v for k, v in new.items())} new files")
        self.assertEqual(os.listdir(self.apps), ["Orvenline"], f"{what}: something left beside the folder")

    def test_a_file_that_cannot_be_replaced_late_in_a_reinstall_leaves_the_previous_tree(self):
        old, new = self.install_old()
        last = sorted(n for n, (is_dir, _, _) in ui.payload_entries().items() if not is_dir)[-1]
        holder = self.start(qt.driver_path(), "hold", FOLDER + "\\" + last.replace("/", "\\"), "60")
        qt.wait_until(lambda: "held" in holder.output(), timeout=15, message="the file could not be held")
        self.assertEqual(watch("/S", "/D=" + FOLDER).code, EXIT_FILE_NOT_WRITABLE)
        holder.kill()
        self.assertEqual(ui.snapshot(self.folder), old)
        self.assertEqual(os.listdir(self.apps), ["Orvenline"])

    def test_a_kill_at_each_moment_leaves_old_or_new_once_the_next_run_has_been(self):
        for moment, next_folder in KILLS:
            with self.subTest(moment=moment, next_folder=next_folder):
                old, new = self.install_old()
                prog = self.start(qt.require_test_installer(), "/S", "/D=" + FOLDER, env={"QUILL_KILL_AT": moment})
                self.assertEqual(prog.wait(60), KILLED)
                self.settle(next_folder)
                self.assert_old_or_new(old, new, moment)
                self.assertEqual(watch("/S", "/D=" + FOLDER).code, 0)
                self.assertEqual(ui.snapshot(self.folder), new)

    def test_a_real_kill_during_a_reinstall_leaves_old_or_new_once_the_next_run_has_been(self):
        started = time.monotonic()
        self.install_old()
        took = time.monotonic() - started
        for share in (0.2, 0.4, 0.6, 0.8):
            with self.subTest(share=share):
                old, new = self.install_old()
                prog = self.start(qt.require_installer(), "/S", "/D=" + FOLDER)
                time.sleep(took * share)
                prog.kill()
                self.settle()
                self.assert_old_or_new(old, new, f"killed after {took * share:.2f} s")

    def test_another_program_changing_tool_zip_changes_nothing_installed(self):
        other = os.path.join(self.tmp, "other.zip")
        with zipfile.ZipFile(other, "w") as z:
            z.writestr("Orvenline.exe", b"another program's executable")
        with zipfile.ZipFile(ui.payload_path()) as z:
            expected = z.read("Orvenline.exe")
        for run in range(3):
            with self.subTest(run=run):
                tamper = self.start(qt.driver_path(), "tamper", qt.to_windows(ui.temp_archive()),
                                    qt.to_windows(other), "6")
                time.sleep(0.5)
                code = watch("/S", "/D=" + FOLDER).code
                tamper.wait(30)
                self.assertIn("tampered", tamper.output())
                with open(os.path.join(self.folder, "Orvenline.exe"), "rb") as f:
                    self.assertEqual(f.read(), expected, f"exit {code}: the other archive was installed")
                self.assertEqual(code, 0)

    def test_a_link_at_tool_zips_path_is_never_written_through(self):
        victim = os.path.join(self.tmp, "victim")
        for kind in ("to a file", "dangling"):
            with self.subTest(kind=kind):
                if os.path.lexists(victim):
                    os.remove(victim)
                if kind == "to a file":
                    with open(victim, "wb") as f:
                        f.write(b"someone else's")
                ui.remove_temp_archive()
                os.symlink(victim, ui.temp_archive())
                self.assertEqual(watch("/S", "/D=" + FOLDER).code, 0)
                if kind == "to a file":
                    with open(victim, "rb") as f:
                        self.assertEqual(f.read(), b"someone else's")
                else:
                    self.assertFalse(os.path.lexists(victim), "the dangling link's target was created")
                self.assertTrue(os.path.isfile(os.path.join(self.folder, "Orvenline.exe")))


if __name__ == "__main__":
    qt.main()
