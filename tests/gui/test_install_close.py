"""Closing the installer in the middle of an extraction, each way a user or another program
can: the close glyph, Alt+F4, and WM_CLOSE sent from outside. Every one ends cleanly: no box,
exit code 0, the exit routine once, no shortcut, no completion prompt, and no tool.zip left."""

import os
import signal
import time

import installer_ui as ui
import quilltest as qt


class CloseDuringExtraction(ui.InstallCase):
    def close_while_extracting(self, close, rest_on):
        """Starts an installation in the tests' build of the installer, freezes it as soon as
        the extraction has begun, runs close(installer) while it is frozen, lets it go on, and
        checks how it ended. rest_on(installer): the control the pointer rests on while the
        advice box is answered with Return (a click through X lands where it rests)."""
        log = os.path.join(self.tmp, "exit.log")
        prog = self.start(qt.require_test_installer(), env={"QUILL_EXIT_LOG": qt.to_windows(log)})
        inst = ui.Installer(self, program=prog)
        inst.press_start()
        qt.find_msgbox(title=ui.INFO_CAPTION, timeout=10)
        qt.xmove(*rest_on(inst).rect.center)
        ui.xdotool("key", "Return")
        # The whole extraction takes about a tenth of a second: the installer is frozen as
        # soon as it has begun, closed, and let go on.
        qt.wait_until(lambda: os.path.isdir(self.install_dir), timeout=10, interval=0.0005,
                      message="the extraction did not begin")
        os.kill(prog.popen.pid, signal.SIGSTOP)
        try:
            close(inst)
            extracted = len(ui.tree_of(self.install_dir))
            self.assertTrue(os.path.exists(ui.temp_archive()))
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
        self.close_while_extracting(lambda inst: ui.xdotool("click", 1), lambda inst: inst.close_glyph)

    def test_alt_f4(self):
        def is_foreground(hwnd):
            res = qt.drive("foreground")
            return res.code == 0 and res.records[0][1] == hwnd

        def alt_f4(inst):
            # The advice box closes while it still keeps the installer window disabled, so no
            # window of the installer is active afterwards, and key input with no active window
            # to take it is dropped. A click on the log line takes the keyboard back, as a user
            # would; the installer runs a few milliseconds at a time until it has handled the
            # click, and the keys then wait for it while it is frozen again.
            pid = inst.prog.popen.pid
            qt.drive("mouse", "click", *inst.log_label.rect.center)
            for _ in range(50):
                if is_foreground(inst.win.hwnd):
                    break
                os.kill(pid, signal.SIGCONT)
                time.sleep(0.002)
                os.kill(pid, signal.SIGSTOP)
            else:
                self.fail("the click did not give the installer window the keyboard")
            qt.drive("key", "alt+f4")

        self.close_while_extracting(alt_f4, lambda inst: inst.log_label)

    def test_wm_close_from_another_program(self):
        self.close_while_extracting(lambda inst: qt.drive("close", inst.win.hwnd), lambda inst: inst.log_label)


if __name__ == "__main__":
    qt.main()
