"""The GUI harness itself: the code page, finding and answering a message box, and that
quilldrive's window coordinates, X clicks and screenshots agree with one another. Every
installer GUI test leans on these, so a broken harness shows up here and not as odd failures
there. quilldrive's own message box stands in for the program under test."""

import os

import quilltest as qt

CAPTION = "提示"
TEXT = "安装完成！是否立即运行？"


class Harness(qt.QuillTestCase):
    def show_box(self, buttons, text=TEXT):
        prog = self.start(qt.driver_path(), "msgbox", text, CAPTION, "--buttons", buttons)
        box = qt.find_msgbox(title=CAPTION, timeout=15)
        self.assertIsNotNone(box, "no message box appeared")
        return prog, box

    def test_screen_and_code_page(self):
        # The system locale the run asked for is the one Windows programs get (936 unless
        # QUILL_LANG names another); the desktop must cover the whole Xvfb screen or X
        # coordinates would not be Windows coordinates.
        self.assertEqual(qt.code_page(), qt.expected_code_page())
        self.assertEqual(qt.desktop_rect(), qt.Rect(0, 0, 1024, 768))

    def test_message_box_is_read_and_answered_by_caption(self):
        prog, box = self.show_box("yesno")
        self.assertEqual(box.caption, CAPTION)
        self.assertEqual(box.text, TEXT)
        self.assertEqual([b.id for b in box.buttons], [qt.IDYES, qt.IDNO])
        self.assertTrue(box.buttons[0].text.startswith("是"), box.buttons)
        self.assertTrue(box.rect.contains(*box.buttons[1].rect.center))
        self.assertTrue(qt.process_running("quilldrive.exe"))
        self.assertTrue(qt.press_msgbox("否", title=CAPTION))
        self.assertEqual(prog.wait(15), qt.IDNO)

    def test_x_click_lands_on_the_button_windows_reports(self):
        prog, box = self.show_box("okcancel")
        cancel = next(b for b in box.buttons if b.id == qt.IDCANCEL)
        img = qt.grab("harness-msgbox")
        # The dialog is drawn where Windows says it is: its face differs from the desktop
        # around it, which is one flat colour.
        outside = qt.Rect(box.rect.left - 40, box.rect.top, box.rect.left - 10, box.rect.bottom)
        self.assertEqual(len(img.colors(outside)), 1)
        desktop_colour = img.pixel(outside.left, outside.top)
        self.assertEqual(img.count(desktop_colour, cancel.rect, tolerance=8), 0)
        qt.xclick(*cancel.rect.center)
        self.assertEqual(prog.wait(15), qt.IDCANCEL)

    def test_real_keys_reach_the_focused_box(self):
        prog, box = self.show_box("okcancel")
        qt.activate(box.hwnd)
        qt.key("esc")
        self.assertEqual(prog.wait(15), qt.IDCANCEL)
        prog, box = self.show_box("okcancel")
        qt.activate(box.hwnd)
        qt.key("return")
        self.assertEqual(prog.wait(15), qt.IDOK)

    def test_real_mouse_press_and_kill(self):
        prog, box = self.show_box("okcancel")
        self.assertTrue(qt.press_msgbox(qt.IDOK, title=CAPTION, real=True))
        self.assertEqual(prog.wait(15), qt.IDOK)
        # A program that hangs is ended by name; wine64 passes TerminateProcess's code on.
        prog, box = self.show_box("ok")
        self.assertEqual(qt.kill_process("quilldrive.exe"), 1)
        self.assertEqual(prog.wait(15), 1)
        self.assertTrue(qt.wait_process_exit("quilldrive.exe", timeout=5))

    def test_typing_and_alt_f4_in_an_edit_window(self):
        # Wine's own notepad: an edit control to type Chinese into, read back through the
        # ANSI code page, and an unsaved-changes question after Alt+F4.
        prog = self.start("notepad")
        win = qt.find_window(cls="Notepad", timeout=15)
        self.assertIsNotNone(win)
        qt.type_text("安装 ok")
        edit = next(c for c in qt.children(win.hwnd) if c.cls == "Edit")
        qt.wait_until(lambda: qt.window_text(edit.hwnd) == "安装 ok", timeout=5,
                      message="typed text did not arrive")
        qt.key("alt+f4")
        box = qt.find_msgbox(timeout=10)
        self.assertIsNotNone(box, "Alt+F4 did not ask about the unsaved text")
        self.assertEqual(sorted(b.id for b in box.buttons), [qt.IDCANCEL, qt.IDYES, qt.IDNO])
        self.assertTrue(qt.press_msgbox(qt.IDNO))
        self.assertEqual(prog.wait(15), 0)
        self.assertTrue(qt.wait_window_gone(win.hwnd, timeout=5))

    def test_mapped_drive_and_fresh_prefix(self):
        # A test can give Windows programs a drive of its own and a prefix of its own.
        drive_root = os.path.join(self.tmp, "q-drive")
        os.makedirs(drive_root)
        with open(os.path.join(drive_root, "in.txt"), "w") as f:
            f.write("x")
        qt.map_drive("q", drive_root)
        self.addCleanup(qt.unmap_drive, "q")
        code, _ = qt.run("cmd", ["/c", "copy", "q:\\in.txt", "q:\\out.txt"])
        self.assertEqual(code, 0)
        self.assertTrue(os.path.exists(os.path.join(drive_root, "out.txt")))

        shared_desktop = qt.desktop_dir()
        with qt.FreshPrefix(self.tmp):
            self.assertNotEqual(qt.desktop_dir(), shared_desktop)
            code, _ = qt.run("cmd", ["/c", "echo x> %USERPROFILE%\\Desktop\\marker.txt"])
            self.assertEqual(code, 0)
            self.assertTrue(os.path.exists(os.path.join(qt.desktop_dir(), "marker.txt")))
        self.assertFalse(os.path.exists(os.path.join(shared_desktop, "marker.txt")))
        self.assertEqual(qt.desktop_dir(), shared_desktop)


if __name__ == "__main__":
    qt.main()
