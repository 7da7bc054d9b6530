"""The installer for a user without a mouse, or without sight: driven by the keyboard alone, and
told to a screen reader through the accessibility interface, asked by quillreader as a reader
asks."""

import os

import installer_ui as ui
import quilltest as qt

# Roles and states of the accessibility interface (oleacc.h).
CLIENT, LINK, STATIC, BUTTON, PROGRESS = 10, 30, 41, 43, 48
FOCUSED, INVISIBLE = 0x4, 0x8000


def reader():
    return os.path.join(qt.build_dir(), "tests", "driver", "quillreader.exe")


def tree(hwnd):
    """[(depth, hwnd, role, state, name, value)]: the window's object and what a reader is
    offered below it, depth first."""
    rows = [line.split("\t") for line in qt.run(reader(), ["tree", hwnd])[1].splitlines()]
    return [(int(r[1]), r[2], int(r[3]), int(r[4], 16), r[5], r[6]) for r in rows if r[0] == "node"]


def told(hwnd):
    """(role, state, name, value) of one window's object."""
    return tree(hwnd)[0][2:]


class KeyboardAndReader(ui.InstallCase):
    def start_logged(self):
        self.log = os.path.join(self.tmp, "exit.log")
        prog = self.start(qt.require_test_installer(), env={"QUILL_EXIT_LOG": qt.to_windows(self.log)})
        return ui.Installer(self, program=prog)

    def assert_ended_by_the_user(self, inst):
        self.assertEqual(inst.wait_exit(10), 0)
        with open(self.log, encoding="ascii") as f:
            self.assertEqual(f.read(), "exit routine\n")

    def test_installs_with_the_keyboard_alone(self):
        inst = ui.Installer(self)
        qt.activate(inst.win.hwnd)
        qt.key("return")
        box = qt.find_msgbox(title=ui.INFO_CAPTION, timeout=10)
        self.assertIsNotNone(box, "Return did not press the start button")
        qt.activate(box.hwnd)
        qt.key("return")
        prompt = inst.wait_prompt(self)
        # Told as the window shows it now: (role, name) and the bar's (role, value).
        self.assertEqual(told(inst.start_button.hwnd)[::2], (BUTTON, qt.POOL_TEXTS["ConstFinishName"]))
        self.assertEqual(told(inst.log_label.hwnd)[::2], (STATIC, ui.LOG_SHORTCUT_OK))
        self.assertEqual(told(inst.progress.hwnd)[::3], (PROGRESS, "100%"))
        qt.activate(prompt.hwnd)
        qt.key("tab", "return")  # from 是 on to 否
        self.assertEqual(inst.wait_exit(), 0)
        self.assertTrue(os.path.isfile(os.path.join(self.install_dir, "Orvenline.exe")))
        self.assertIsNone(ui.read_marker(self.install_dir), "the product was started")

    def test_keys_during_an_installation_are_ignored(self):
        inst = ui.Installer(self)
        qt.activate(inst.win.hwnd)
        qt.key("return")
        # The keys that press or close wait in the queue of the frozen installer, so that they
        # arrive while it extracts.
        with inst.frozen_extracting(self, self.install_dir, inst.log_label):
            inst.take_keyboard(self)
            ui.xdotool("key", "Return", "space", "Escape")
        self.assertIsNone(qt.find_msgbox(title=ui.INFO_CAPTION, timeout=2), "a second installation started")
        inst.wait_prompt(self)
        self.assertTrue(qt.press_msgbox("否", title=ui.PROMPT_CAPTION))
        self.assertEqual(inst.wait_exit(), 0)

    def test_tab_walks_the_controls_and_a_reader_follows(self):
        inst = self.start_logged()
        events = self.start(reader(), "focus-events", "60000")
        qt.wait_until(lambda: "ready" in events.output(), timeout=15, message="no focus hook")
        qt.activate(inst.win.hwnd)
        unfocused = qt.grab()
        qt.key("tab")
        # The cue shows from the first move of the focus on; a mouse user never sees one.
        cue = qt.grab()
        r = inst.folder_label.rect
        changed = sum(a != b for a, b in zip(unfocused.pixels(r), cue.pixels(r)))
        self.assertGreater(changed, 0, "no focus cue on the folder label")
        qt.key("return")
        dialog = ui.FolderDialog.find(timeout=10)
        self.assertIsNotNone(dialog, "Return on the folder label did not open the folder dialog")
        self.assertTrue(dialog.cancel())
        qt.key("tab", "tab", "shift+tab", "space")  # Space on the close glyph
        self.assert_ended_by_the_user(inst)
        ours = (inst.start_button.hwnd, inst.folder_label.hwnd, inst.close_glyph.hwnd)
        walk = [line.split("\t")[1] for line in events.output().splitlines() if line.startswith("focus")]
        walk = [h for i, h in enumerate(walk) if h in ours and (i == 0 or walk[i - 1] != h)]
        self.assertEqual(walk[-4:], [inst.folder_label.hwnd, inst.close_glyph.hwnd, inst.start_button.hwnd,
                                     inst.close_glyph.hwnd])

    def test_a_reader_is_told_each_control_and_esc_ends(self):
        inst = self.start_logged()
        kids = qt.children(inst.win.hwnd)
        page1 = next(c for c in kids if c.cls == "QuillPicBox" and (c.rect.width, c.rect.height) == (250, 400))
        nodes = tree(inst.win.hwnd)
        self.assertEqual((nodes[0][2], nodes[0][4]), (CLIENT, "安装程序"))
        # Page 1 alone: the pages it covers and what lies on them are not offered.
        self.assertEqual([n[1] for n in nodes if n[0] == 1], [page1.hwnd])
        offered = {n[1]: (n[2], n[4]) for n in nodes if n[0] == 2}
        text = {c.text: c.hwnd for c in kids}
        for hwnd, role_and_name in [
            (inst.start_button.hwnd, (BUTTON, qt.POOL_TEXTS["ConstStartName"])),
            (inst.folder_label.hwnd, (LINK, "安装目录：" + self.default_folder())),
            (inst.close_glyph.hwnd, (BUTTON, qt.POOL_TEXTS["ConstCloseName"])),
            (inst.log_label.hwnd, (STATIC, "")),
            (text["安装目录："], (STATIC, "安装目录：")),
            (text["安装程序"], (STATIC, "安装程序")),
        ]:
            self.assertEqual(offered.get(hwnd), role_and_name, hwnd)
        self.assertEqual(told(inst.progress.hwnd), (PROGRESS, INVISIBLE, "", "0%"))
        self.assertTrue(told(text[" Orvenline_正在安装..."])[1] & INVISIBLE)
        self.assertTrue(told(inst.start_button.hwnd)[1] & FOCUSED, "the default button has no focus")
        # A reader presses a control as a click would.
        self.assertEqual(qt.run(reader(), ["press", inst.folder_label.hwnd])[0], 0)
        dialog = ui.FolderDialog.find(timeout=10)
        self.assertIsNotNone(dialog, "pressing the folder label opened no folder dialog")
        self.assertTrue(dialog.cancel())
        qt.activate(inst.win.hwnd)
        qt.key("esc")
        self.assert_ended_by_the_user(inst)


if __name__ == "__main__":
    qt.main()
