"""What a press of the start button starts, and what it refuses: a product copy that still runs,
and a second press while an installation runs."""

import os

import installer_ui as ui
import quilltest as qt


class StartButton(ui.InstallCase):
    def test_a_running_copy_blocks_the_start_until_it_is_closed(self):
        # The product running under an upper-case name is found; a longer name is not.
        other = self.start(self.copy_product(os.path.join(self.tmp, "other"), "Orvenline2.exe"))
        running = self.start(self.copy_product(os.path.join(self.tmp, "old"), "ORVENLINE.EXE"))
        qt.wait_until(lambda: qt.process_running("ORVENLINE.EXE") and qt.process_running("Orvenline2.exe"),
                      timeout=15, message="the product copies did not start")

        inst = ui.Installer(self)
        inst.press_start()
        box = qt.find_msgbox(title=ui.RUNNING_CAPTION, timeout=10)
        self.assertIsNotNone(box, "no running-copy message")
        self.assertTrue(ui.same_text(box.text, ui.RUNNING_TEXT), repr(box.text))
        self.assertEqual([b.id for b in box.buttons], [qt.IDOK])
        self.assertTrue(qt.press_msgbox(qt.IDOK, title=ui.RUNNING_CAPTION))
        # Shown once, and nothing started: no advice, no worker.
        self.assertIsNone(qt.find_msgbox(timeout=1.5))
        self.assertEqual(inst.log(), "")
        self.assertFalse(inst.progress_visible())
        self.assertFalse(os.path.exists(ui.temp_archive()))
        self.assertFalse(os.path.exists(self.install_dir))

        running.kill()
        self.assertTrue(qt.wait_process_exit("ORVENLINE.EXE", timeout=10))
        self.assertTrue(other.running())
        inst.press_start()
        box = qt.find_msgbox(timeout=10)
        self.assertIsNotNone(box, "the second press showed nothing")
        self.assertEqual(box.caption, ui.INFO_CAPTION)
        self.assertTrue(box.text.startswith(ui.ADVICE_START), box.text)
        # Ended while the advice is up: no worker was started yet.
        inst.prog.kill()

    def test_a_tap_starts_the_installation(self):
        # A touch tap, or a pointer moved by software: the pointer comes from outside the window
        # and lands on the button with the press itself, no move over the window before it.
        qt.xmove(1023, 767)
        inst = ui.Installer(self)
        qt.mouse("tap", *inst.start_button.rect.center)
        inst.answer_advice(self)
        inst.wait_prompt(self)
        self.assertTrue(qt.press_msgbox("否", title=ui.PROMPT_CAPTION))
        self.assertEqual(inst.wait_exit(), 0)

    def test_presses_during_an_installation_are_ignored(self):
        inst = ui.Installer(self)
        inst.press_start()
        qt.find_msgbox(title=ui.INFO_CAPTION, timeout=10)
        # OK with the keyboard, then at once a second press on the start button.
        qt.xmove(*inst.start_button.rect.center)
        ui.xdotool("key", "Return", "sleep", 0.05, "click", 1)
        self.assertIsNone(qt.find_msgbox(title=ui.INFO_CAPTION, timeout=2),
                          "a second press during the installation started another one")
        inst.wait_prompt(self)
        # The worker is still running while its prompt is up: neither the start button nor
        # the folder label does anything.
        inst.press_start()
        inst.press_folder()
        self.assertIsNone(ui.FolderDialog.find(timeout=1.5), "the folder dialog opened during the installation")
        self.assertIsNone(qt.find_msgbox(title=ui.INFO_CAPTION, timeout=0.5))
        self.assertEqual(inst.folder(), self.default_folder("D"))
        prompts = [w for w in qt.windows() if w.cls == "#32770" and w.visible]
        self.assertEqual([w.title for w in prompts], [ui.PROMPT_CAPTION])

        self.assertTrue(qt.press_msgbox("否", title=ui.PROMPT_CAPTION))
        self.assertEqual(inst.wait_exit(), 0)
        self.assertTrue(os.path.isfile(os.path.join(self.install_dir, "Orvenline.exe")))


if __name__ == "__main__":
    qt.main()
