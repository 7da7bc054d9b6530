"""The running installer as a user meets it: its window, the controls a user presses or reads,
the message boxes it shows, and what an installation leaves on disk. Shared by the
test_install_*.py scripts; everything here goes through quilltest (real clicks with xdotool,
texts and boxes read with quilldrive)."""

import calendar
import contextlib
import hashlib
import os
import re
import signal
import shutil
import subprocess
import time
import zipfile

import quilltest as qt

PRODUCT = "Orvenline"
BRAND_FOLDER = "Tessaly软件"
INFO_CAPTION = "信息："  # the message command's own caption when the flow names none
PROMPT_CAPTION = qt.POOL_TEXTS["ConstCompletionCaption"]
ADVICE_START = qt.POOL_TEXTS["ConstInstallAdvice"].split("\r\n")[0]
PROMPT_TEXT = qt.POOL_TEXTS["ConstCompletionQuestion"]
RUNNING_CAPTION = PRODUCT + qt.POOL_TEXTS["ConstRunningCaptionSuffix"]
RUNNING_TEXT = qt.POOL_TEXTS["ConstRunningMessage"]
WRITE_FAILED_TEXT = qt.POOL_TEXTS["ConstWriteFailedMessage"]
FILE_NOT_WRITABLE_TEXT = qt.POOL_TEXTS["ConstFileNotWritableMessage"]
DISK_FULL_TEXT = qt.POOL_TEXTS["ConstDiskFullMessage"]
LOG_RELEASING = qt.POOL_TEXTS["ConstLogReleasing"]
LOG_SHORTCUT_OK = qt.POOL_TEXTS["ConstLogShortcutOk"]
DIALOG_TITLE = qt.POOL_TEXTS["ConstSelectInstallTitle"]
# The prompt's buttons by their ids: their captions are the system's own, 是 and 否 only in
# a Chinese user interface.
ANSWERS = {"是": qt.IDYES, "否": qt.IDNO}
MARKER = PRODUCT + ".started"


def _norm(text):
    # A message box's static may report CRLF or LF line ends depending on the platform.
    return text.replace("\r\n", "\n")


def same_text(a, b):
    return _norm(a).strip() == _norm(b).strip()


def fills_in(text, message, *fields):
    """Whether `text` is the pool's `message` with each "%s" filled in by a match of the
    regular expression in `fields`, in order."""
    pieces = _norm(message).strip().split("%s")
    if len(pieces) != len(fields) + 1:
        raise ValueError("%d fields for a message with %d" % (len(fields), len(pieces) - 1))
    pattern = re.escape(pieces[0]) + "".join(f + re.escape(p) for f, p in zip(fields, pieces[1:]))
    return re.fullmatch(pattern, _norm(text).strip()) is not None


# ---- the product archive the installer carries ----------------------------------------------

def payload_path():
    return os.path.join(qt.build_dir(), "generated", "payload.zip")


def product_exe():
    """The built stand-in product (writes Orvenline.started beside itself when it starts)."""
    return os.path.join(qt.build_dir(), "product", PRODUCT + ".exe")


def staging_folder(install_dir):
    """Where the installer unpacks before it moves the product into `install_dir`."""
    return install_dir.rstrip("/") + ".quill-staging"


def payload_entries():
    """{relative Linux path: (is folder, size, zip date_time)} of the archive, names decoded
    from GBK as Wine shows them on the Linux side."""
    entries = {}
    with zipfile.ZipFile(payload_path()) as z:
        for info in z.infolist():
            raw = info.filename.encode("cp437") if not info.flag_bits & 0x800 else info.filename.encode()
            name = raw.decode("gbk").rstrip("/")
            entries[name] = (info.is_dir(), info.file_size, info.date_time)
    return entries


def tree_of(folder):
    """{relative path: (is folder, size)} of everything below `folder`."""
    found = {}
    for root, dirs, files in os.walk(folder):
        for d in dirs:
            found[os.path.relpath(os.path.join(root, d), folder)] = (True, 0)
        for f in files:
            path = os.path.join(root, f)
            found[os.path.relpath(path, folder)] = (False, os.path.getsize(path))
    return found


def snapshot(folder):
    """{relative path: sha256} of every file below `folder`."""
    found = {}
    for root, _, files in os.walk(folder):
        for f in files:
            path = os.path.join(root, f)
            with open(path, "rb") as data:
                found[os.path.relpath(path, folder)] = hashlib.sha256(data.read()).hexdigest()
    return found


UNINSTALLER_FILES = ("uninstall.exe", "uninstall.dat")


def product_tree_of(test, folder):
    """tree_of(folder) less the uninstaller and its record, which must lie beside the product."""
    found = tree_of(folder)
    for own in UNINSTALLER_FILES:
        test.assertIn(own, found)
        found.pop(own)
    return found


def zip_time_as_utc(date_time):
    return calendar.timegm(tuple(date_time) + (0, 0, 0))


# ---- Windows-side facts ----------------------------------------------------------------------

INVALID_ATTRIBUTES = 0xFFFFFFFF


def attributes(*windows_paths):
    """{path: attribute bits} as GetFileAttributes answers in the prefix."""
    res = qt.drive("attrib", *windows_paths)
    return {r[2]: int(r[1], 16) for r in res.records if r[0] == "attrib"}


def link_target(windows_link):
    """(target, arguments, working folder, description, show command) of a shell link, or
    None when it cannot be loaded."""
    res = qt.drive("link", windows_link)
    if res.code != 0:
        return None
    r = res.records[0]
    return r[1], r[2], r[3], r[4], int(r[5])


def desktop_link():
    return os.path.join(qt.desktop_dir(), PRODUCT + ".lnk")


def remove_desktop_link():
    if os.path.exists(desktop_link()):
        os.remove(desktop_link())


def temp_archive():
    return os.path.join(qt.windows_temp_dir(), "tool.zip")


def remove_temp_archive():
    if os.path.lexists(temp_archive()):
        os.remove(temp_archive())


def read_marker(folder):
    """The text the product wrote when it started from `folder`, or None."""
    path = os.path.join(folder, MARKER)
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read().decode("gb18030")


def end_products():
    """Ends every copy of the product a test may have started."""
    qt.kill_process(PRODUCT + ".exe")


def xdotool(*args):
    """One xdotool command line, so that a key and a click follow each other within a few
    milliseconds (two commands would be a process start apart)."""
    subprocess.run(["xdotool", *map(str, args)], stdin=subprocess.DEVNULL, check=True, timeout=60)


# ---- the installer window --------------------------------------------------------------------

class Installer:
    """One running installer: its process, window and the controls the flow uses."""

    def __init__(self, case, env=None, program=None):
        """Starts the built installer for `case` (a QuillTestCase), or takes a Program that
        starts it some other way (e.g. through cmd with another TEMP), and waits for its
        window."""
        self.prog = program or case.start(qt.require_installer(), env=env)
        self.win = qt.find_window(cls="QuillWindow", process="installer.exe", timeout=20)
        case.assertIsNotNone(self.win, "the installer window did not show")
        kids = qt.children(self.win.hwnd)
        r = self.win.rect

        def inside(c):
            return r.left <= c.rect.left and c.rect.right <= r.right and \
                r.top <= c.rect.top and c.rect.bottom <= r.bottom

        def one(pred, what):
            found = [c for c in kids if pred(c)]
            case.assertEqual(len(found), 1, f"{what}: {found}")
            return found[0]

        self.start_button = one(lambda c: c.cls == "QuillPicBtn" and inside(c) and
                                (c.rect.width, c.rect.height) == (220, 80), "start button")
        self.folder_label = one(lambda c: c.cls == "QuillLabel" and
                                (c.rect.width, c.rect.height) == (232, 25), "install folder label")
        self.log_label = one(lambda c: c.cls == "QuillLabel" and
                             (c.rect.width, c.rect.height) == (160, 24), "log label")
        self.progress = one(lambda c: c.cls == "msctls_progress32", "progress bar")
        self.close_glyph = one(lambda c: c.cls == "QuillTransLabel" and c.text == "×", "close glyph")

    # reading
    def folder(self):
        return qt.window_text(self.folder_label.hwnd)

    def log(self):
        return qt.window_text(self.log_label.hwnd)

    def progress_visible(self):
        state = qt.window_rect(self.progress.hwnd)
        return bool(state and state[1])

    # pressing, with the real pointer through X
    def press_start(self):
        qt.xclick(*self.start_button.rect.center)

    def press_folder(self):
        qt.xclick(*self.folder_label.rect.center)

    def press_close_glyph(self):
        qt.xclick(*self.close_glyph.rect.center)

    # message boxes
    def answer_advice(self, case, timeout=10, advice=None):
        """Answers the advice box; with `advice`, a packaged product's own, the box must show
        exactly that text (a screenshot of it lands in package-advice.png)."""
        box = qt.find_msgbox(title=INFO_CAPTION, timeout=timeout)
        case.assertIsNotNone(box, "no advice message after the start press")
        if advice is None:
            case.assertTrue(box.text.startswith(ADVICE_START), box.text)
        else:
            case.assertTrue(same_text(box.text, advice), repr(box.text))
            qt.screenshot("package-advice")
        qt.press_msgbox(qt.IDOK, title=INFO_CAPTION)

    def wait_prompt(self, case, timeout=30):
        box = qt.find_msgbox(title=PROMPT_CAPTION, timeout=timeout)
        case.assertIsNotNone(box, "the completion prompt did not show")
        case.assertTrue(same_text(box.text, PROMPT_TEXT), repr(box.text))
        return box

    def wait_exit(self, timeout=30):
        return self.prog.wait(timeout)

    def install(self, case, answer="否", advice=None):
        """A whole installation from the start press: advice (`advice` when the product has
        its own), the shortcut made, the completion prompt answered with `answer`, and a
        clean end with 0."""
        self.press_start()
        self.answer_advice(case, advice=advice)
        self.wait_prompt(case)
        case.assertEqual(self.log(), LOG_SHORTCUT_OK)
        case.assertTrue(qt.press_msgbox(ANSWERS[answer], title=PROMPT_CAPTION))
        case.assertEqual(self.wait_exit(), 0)

    # an installation held still in the middle
    @contextlib.contextmanager
    def frozen_extracting(self, case, install_dir, rest_on):
        """Answers the advice box with Return while the pointer rests on `rest_on` (a click
        through X lands where it rests), freezes the installer as soon as its extraction has
        begun, yields while it is frozen, and lets it go on. The whole extraction takes about a
        tenth of a second: anything sent from outside waits in the installer's queue. The
        extraction goes to the staging folder beside the install folder."""
        case.assertIsNotNone(qt.find_msgbox(title=INFO_CAPTION, timeout=10), "no advice box")
        qt.xmove(*rest_on.rect.center)
        xdotool("key", "Return")
        staging = staging_folder(install_dir)
        qt.wait_until(lambda: os.path.isdir(staging), timeout=10, interval=0.0005,
                      message="the extraction did not begin")
        os.kill(self.prog.popen.pid, signal.SIGSTOP)
        try:
            yield
            case.assertFalse(os.path.exists(install_dir), "frozen too late")
        finally:
            os.kill(self.prog.popen.pid, signal.SIGCONT)

    def take_keyboard(self, case):
        """While frozen: the advice box closes while it still keeps the installer window
        disabled, so no window of the installer is active afterwards, and key input with no
        active window to take it is dropped. A click on the log line takes the keyboard back,
        as a user would; the installer runs a few milliseconds at a time until it has handled
        the click, and is frozen again."""
        pid = self.prog.popen.pid
        qt.drive("mouse", "click", *self.log_label.rect.center)
        for _ in range(50):
            res = qt.drive("foreground")
            if res.code == 0 and res.records[0][1] == self.win.hwnd:
                return
            os.kill(pid, signal.SIGCONT)
            time.sleep(0.002)
            os.kill(pid, signal.SIGSTOP)
        case.fail("the click did not give the installer window the keyboard")

    # the folder dialog
    def open_folder_dialog(self, case, timeout=10):
        self.press_folder()
        dlg = FolderDialog.find(timeout)
        case.assertIsNotNone(dlg, "the folder label did not open the folder dialog")
        return dlg


class FolderDialog:
    """The shell's folder dialog as the installer opens it."""

    def __init__(self, window):
        self.win = window
        self.kids = qt.children(window.hwnd)
        self.texts = [c.text for c in self.kids]
        self.tree = next(c for c in self.kids if c.cls == "SysTreeView32")
        self.edit = next(c for c in self.kids if c.cls == "Edit")

    @classmethod
    def find(cls, timeout=10.0):
        """The open folder dialog (a #32770 window showing the installer's title), or None."""
        def probe():
            for w in qt.windows():
                if w.cls == "#32770" and w.visible and \
                        any(DIALOG_TITLE in c.text for c in qt.children(w.hwnd)):
                    return w
            return None
        try:
            return cls(qt.wait_until(probe, timeout=timeout, interval=0.2))
        except AssertionError:
            return None

    def selection(self):
        """The name of the selected item, as the dialog's edit box shows it."""
        return qt.window_text(self.edit.hwnd)

    def focus_tree(self):
        # The empty lower part of the tree: focuses it without changing the selection.
        qt.xclick(self.tree.rect.left + 5, self.tree.rect.bottom - 5)

    def select_desktop_folder(self, name_start):
        """Selects a folder lying on the desktop by typing the start of its name into the tree,
        as a user would; the desktop is the tree's root."""
        self.focus_tree()
        qt.key("home")
        qt.type_text(name_start.lower())

    def select_drive_z(self):
        """Selects drive Z: under My Computer with the keyboard: the last item of the expanded
        computer node is the control panel, the drive just above it is Z:."""
        self.focus_tree()
        qt.key("end", "right", "end", "up")

    def ok(self):
        qt.key("return")
        return qt.wait_window_gone(self.win.hwnd, timeout=5)

    def cancel(self):
        qt.key("esc")
        return qt.wait_window_gone(self.win.hwnd, timeout=5)


# ---- test base ---------------------------------------------------------------------------------

class InstallCase(qt.QuillTestCase):
    """A test that installs: drive D: is this test's own folder (so the default install folder
    D:\\Tessaly软件\\Orvenline lands there), no shortcut or product copy is left from before,
    and everything is put back afterwards."""

    def setUp(self):
        super().setUp()
        self.drive_d = os.path.join(self.tmp, "drive-d")
        os.makedirs(self.drive_d)
        qt.map_drive("d", self.drive_d)
        self.addCleanup(qt.unmap_drive, "d")
        self.install_dir = os.path.join(self.drive_d, BRAND_FOLDER, PRODUCT)
        remove_desktop_link()
        self.addCleanup(remove_desktop_link)
        remove_temp_archive()
        self.addCleanup(remove_temp_archive)
        self.addCleanup(end_products)

    def default_folder(self, drive="D"):
        return f"{drive}:\\{BRAND_FOLDER}\\{PRODUCT}"

    def copy_product(self, folder, name):
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        shutil.copyfile(product_exe(), path)
        return path
