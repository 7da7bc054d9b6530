"""The frame as a whole process: how a program of the runtime ends. Driven through a small
probe program (tests/runtime/frame_probe.cpp) and the installer itself."""

import os

import quilltest as qt


def probe_path():
    path = os.path.join(qt.build_dir(), "tests", "runtime", "frame_probe.exe")
    if not os.path.exists(path):
        raise AssertionError(f"{path} was not built")
    return path


class FrameProcess(qt.QuillTestCase):
    def exit_log(self):
        path = os.path.join(self.tmp, "exit.log")
        return path, {"QUILL_EXIT_LOG": qt.to_windows(path)}

    def read(self, path):
        if not os.path.exists(path):
            return ""
        with open(path, encoding="ascii") as f:
            return f.read()

    def test_end_program_from_a_worker_shuts_down_on_the_main_thread(self):
        log, env = self.exit_log()
        code, _ = qt.run(probe_path(), ["end-from-worker", "7"], env=env, timeout=30)
        self.assertEqual(code, 7)
        self.assertEqual(self.read(log), "exit routine main=1\n")

    def test_closing_the_last_window_ends_with_code_zero_and_one_exit_routine(self):
        log, env = self.exit_log()
        prog = self.start(probe_path(), "window", env=env)
        win = qt.find_window(cls="QuillWindow", title="", timeout=15)
        self.assertIsNotNone(win, "the probe's window did not show")
        qt.activate(win.hwnd)
        qt.key("alt+f4")
        self.assertEqual(prog.wait(20), 0)
        self.assertEqual(self.read(log), "exit routine main=1\n")

    def test_a_start_window_that_cannot_load_is_fatal(self):
        log, env = self.exit_log()
        prog = self.start(probe_path(), "unknown-type", env=env)
        box = qt.find_msgbox(title="错误", timeout=15)
        self.assertIsNotNone(box, "no error box")
        self.assertEqual(box.text.replace("\r\n", "\n").strip(),
                         "运行时出错!\n\n错误信息：载入启动窗口失败")
        qt.press_msgbox(qt.IDOK, title="错误")
        self.assertEqual(prog.wait(20), qt.EXIT_FATAL)
        # A fatal end forgets the exit routine.
        self.assertEqual(self.read(log), "")

    def test_a_start_window_its_created_handler_unloads_ends_normally(self):
        log, env = self.exit_log()
        code, _ = qt.run(probe_path(), ["self-unloading"], env=env, timeout=30)
        self.assertEqual(code, 0)
        self.assertEqual(self.read(log), "exit routine main=1\n")


class InstallerWindow(qt.QuillTestCase):
    def test_one_borderless_window_centred_at_top_300_that_alt_f4_closes(self):
        log = os.path.join(self.tmp, "exit.log")
        prog = self.start(qt.require_test_installer(), env={"QUILL_EXIT_LOG": qt.to_windows(log)})
        win = qt.find_window(cls="QuillWindow", timeout=20)
        self.assertIsNotNone(win, "the installer window did not show")
        tops = [w for w in qt.windows() if w.pid == win.pid and w.visible]
        self.assertEqual(len(tops), 1, tops)
        self.assertEqual((win.rect.width, win.rect.height), (250, 400))
        screen = qt.desktop_rect()
        self.assertEqual(win.rect.left, (screen.width - 250) // 2)
        self.assertEqual(win.rect.top, 300)
        self.assertEqual(win.title, "安装程序")
        # No caption and no frame: page 1, at the client area's origin, covers the window.
        pages = [c for c in qt.children(win.hwnd) if c.rect.width == 250 and c.rect.height == 400]
        self.assertTrue(pages, "page 1 not found")
        self.assertEqual(pages[0].rect, win.rect)
        qt.activate(win.hwnd)
        qt.key("alt+f4")
        self.assertEqual(prog.wait(20), 0)
        with open(log, encoding="ascii") as f:
            self.assertEqual(f.read(), "exit routine\n")


if __name__ == "__main__":
    qt.main()
