"""Closing the installer in the middle of an extraction, each way a user or another program
can: the close glyph, Alt+F4, and WM_CLOSE sent from outside. Every one ends cleanly: no box,
exit code 0, the exit routine once, no shortcut, no completion prompt, and no tool.zip left."""

import os
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
        with inst.frozen_extracting(self, self.install_dir, rest_on(inst)):
            close(inst)
            self.assertTrue(os.path.exists(ui.temp_archive()))

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
        def alt_f4(inst):
            inst.take_keyboard(self)
            # Through X, not SendInput: under load Wine's SendInput can wait on the frozen
            # window's thread.
            ui.xdotool("key", "alt+F4")

        self.close_while_extracting(alt_f4, lambda inst: inst.log_label)

    def test_wm_close_from_another_program(self):
        self.close_while_extracting(lambda inst: qt.drive("close", inst.win.hwnd), lambda inst: inst.log_label)


# Moments of an installation at which the tests' build of the installer closes its own window
# as another program would: from the release of tool.zip to the completion prompt.
CLOSE_MOMENTS = ("released", "extracting", "extracted", "staged", "registered", "prompt")


class CloseAtEachMoment(ui.InstallCase):
    def test_a_close_at_each_moment_ends_the_program_within_a_second(self):
        for moment in CLOSE_MOMENTS:
            with self.subTest(moment=moment):
                log = os.path.join(self.tmp, f"exit-{moment}.log")
                prog = self.start(qt.require_test_installer(),
                                  env={"QUILL_CLOSE_AT": moment, "QUILL_EXIT_LOG": qt.to_windows(log)})
                inst = ui.Installer(self, program=prog)
                inst.press_start()
                inst.answer_advice(self)
                qt.wait_until(lambda: os.path.exists(log), timeout=30, interval=0.002, message="no close")
                closed = time.monotonic()
                self.assertEqual(inst.wait_exit(10), 0)
                took = time.monotonic() - closed
                self.assertLess(took, 1.0, f"the program ended {took:.2f} s after the close")
                # Whatever the moment: the product whole or not there at all, nothing beside it.
                parent = os.path.dirname(self.install_dir)
                left = os.listdir(parent) if os.path.isdir(parent) else []
                self.assertIn(left, ([], [os.path.basename(self.install_dir)]))
                self.assertFalse(os.path.exists(ui.temp_archive()), "tool.zip was left behind")


if __name__ == "__main__":
    qt.main()
