"""Helpers for the GUI tests: start Windows programs under wine64, look at and drive their
windows through quilldrive, click and screenshot on the X side, read pixels.

Standard library only. The tests run inside the environment tools/wine-env.sh prepares (for
tools/test.sh, or as ctest's wine.setup fixture): WINEPREFIX
(a private copy of the template prefix with a running wineserver), DISPLAY (a private 1024x768
Xvfb whose coordinates equal the Wine virtual desktop's), QUILL_RUN_TMP, and from ctest
QUILL_INSTALLER, QUILL_TEST_INSTALLER, QUILL_DRIVER, QUILL_BUILD_DIR and QUILL_SCREENSHOT_DIR.

A typical test:

    import quilltest as qt

    class StartWindow(qt.QuillTestCase):
        def test_window_shows(self):
            app = self.start(qt.require_installer())
            win = qt.find_window(process="installer.exe", timeout=15)
            self.assertIsNotNone(win)
            img = qt.grab("start-window")
            ...

    if __name__ == "__main__":
        qt.main()
"""

import atexit
import collections
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def _load_exit_codes():
    # wine64 hands back the Windows exit code modulo 256: ExitProcess(-1) is seen as 255.
    with open(os.path.join(SOURCE_DIR, "base", "exit_codes.h"), encoding="utf-8") as f:
        table = re.findall(r"\b(kExit\w+)\s*=\s*(-?\d+)", f.read())
    return {name: int(value) % 256 for name, value in table}


def _load_pool_texts():
    # Read by the generator's own parser, so the tests see each text as the build stores it.
    sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))
    import make_constants as generator
    items = generator.read_items(os.path.join(SOURCE_DIR, "data", "constant_pool.txt"))
    return {symbol: generator.parse_text(value).decode("gbk")
            for symbol, kind, value in items if kind == "text"}


# The exit codes of base/exit_codes.h by name, as wine64 reports them: EXIT_CODES["kExitDiskFull"].
EXIT_CODES = _load_exit_codes()
EXIT_FATAL = EXIT_CODES["kExitFatal"]

# The installer's texts by symbol, from data/constant_pool.txt: POOL_TEXTS["ConstRunningMessage"].
POOL_TEXTS = _load_pool_texts()

# Message-box answers as the Windows dialog returns them (also quilldrive's msgbox exit code).
IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO = 1, 2, 3, 4, 5, 6, 7


# ---- environment ---------------------------------------------------------------------------

def _require_env(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(f"{name} is not set: run the GUI tests through tools/test.sh "
                           "(or tools/wine-env.sh)")
    return value


def wine_env(extra=None):
    """The environment of a wine command: the current one plus Wine's settings and the system
    locale: Chinese (code page 936) unless QUILL_LANG names another, say en_US.UTF-8 (1252)."""
    _require_env("WINEPREFIX")
    _require_env("DISPLAY")
    env = dict(os.environ)
    env["WINEARCH"] = "win64"
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d")
    env["LANG"] = env["LC_ALL"] = os.environ.get("QUILL_LANG") or "zh_CN.UTF-8"
    if extra:
        env.update(extra)
    return env


# The ANSI code page Windows derives from each system locale the harness runs in.
_CODE_PAGES = {"zh_CN": 936, "en_US": 1252, "zh_TW": 950, "ja_JP": 932}


def expected_code_page():
    """The ANSI code page of the run's system locale (wine_env's LANG)."""
    return _CODE_PAGES[wine_env()["LANG"].split(".")[0]]


def build_dir():
    return os.environ.get("QUILL_BUILD_DIR") or os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "x86_64")


def driver_path():
    path = os.environ.get("QUILL_DRIVER") or os.path.join(build_dir(), "tests", "driver", "quilldrive.exe")
    if not os.path.isfile(path):
        raise RuntimeError(f"quilldrive not built: {path}")
    return path


def installer_path():
    """The built x86_64 installer, or None while there is none."""
    path = os.environ.get("QUILL_INSTALLER")
    return path if path and os.path.isfile(path) else None


def require_installer():
    """The installer's path; skips the calling test when it has not been built."""
    path = installer_path()
    if not path:
        raise unittest.SkipTest("the installer is not built yet")
    return path


def require_test_installer():
    """The tests' own build of the installer (also named installer.exe): the shipped program
    plus its test hooks, such as the exit log named by QUILL_EXIT_LOG, which the shipped
    installer does not have. Skips the calling test when it has not been built."""
    path = os.environ.get("QUILL_TEST_INSTALLER")
    if not path or not os.path.isfile(path):
        raise unittest.SkipTest("the installer's test build is not built yet")
    return path


# ---- temporary folders ---------------------------------------------------------------------

_own_run_tmp = None


def run_temp():
    """The run's temporary folder (removed by tools/test.sh); a private one when run alone."""
    global _own_run_tmp
    path = os.environ.get("QUILL_RUN_TMP")
    if path:
        return path
    if _own_run_tmp is None:
        _own_run_tmp = tempfile.mkdtemp(prefix="quilltest.")
        atexit.register(shutil.rmtree, _own_run_tmp, True)
    return _own_run_tmp


def test_dir(name):
    """A new, empty folder for one test under the run's temporary folder."""
    safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)[-80:]
    return tempfile.mkdtemp(prefix=safe + ".", dir=run_temp())


# ---- Wine paths and drives -----------------------------------------------------------------

def prefix_dir():
    return _require_env("WINEPREFIX")


def to_windows(unix_path):
    """A Unix path as Wine sees it through drive Z:."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def user_dir(*parts):
    """The Unix path of the Windows user's profile folder (or of something inside it)."""
    users = os.path.join(prefix_dir(), "drive_c", "users")
    names = [n for n in os.listdir(users) if n != "Public" and os.path.isdir(os.path.join(users, n))]
    if len(names) != 1:
        raise RuntimeError(f"cannot tell the Wine user among {names}")
    return os.path.join(users, names[0], *parts)


def desktop_dir():
    return user_dir("Desktop")


def windows_temp_dir():
    """Where %TEMP% points for Windows programs in the prefix."""
    return user_dir("Temp")


def map_drive(letter, unix_dir):
    """Makes `letter`: a drive backed by `unix_dir` (e.g. a small tmpfs for a full disk)."""
    link = os.path.join(prefix_dir(), "dosdevices", letter.lower() + ":")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.path.abspath(unix_dir), link)


def unmap_drive(letter):
    link = os.path.join(prefix_dir(), "dosdevices", letter.lower() + ":")
    if os.path.lexists(link):
        os.remove(link)


class FreshPrefix:
    """Runs the block in a new copy of the template prefix with its own wineserver (about
    2.5 s), for a test that must not see what earlier tests left in the shared one:

        with qt.FreshPrefix(self.tmp):
            ...   # WINEPREFIX points at the copy here
    """

    def __init__(self, parent_dir):
        self.path = os.path.join(parent_dir, "prefix")
        self.saved = None

    def __enter__(self):
        template = _require_env("QUILL_WINE_TEMPLATE")
        stop_driver()
        subprocess.run(["cp", "-a", template, self.path], check=True)
        self.saved = os.environ.get("WINEPREFIX")
        os.environ["WINEPREFIX"] = self.path
        _quiet([WINESERVER, "-p"])
        _quiet([WINE64, "cmd", "/c", "exit"])
        return self

    def __exit__(self, *exc):
        stop_driver()
        _quiet([WINESERVER, "-k"])
        _quiet([WINESERVER, "-w"], timeout=30)
        if self.saved is None:
            os.environ.pop("WINEPREFIX", None)
        else:
            os.environ["WINEPREFIX"] = self.saved
        shutil.rmtree(self.path, ignore_errors=True)
        return False


def _quiet(cmd, timeout=60):
    # Every stream away from us: Wine's helpers inherit them and would hold a pipe open.
    return subprocess.run(cmd, env=wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


# ---- Windows programs ----------------------------------------------------------------------

class Program:
    """A Windows program running under wine64 in the background. Its output goes to a log
    file, never to a pipe (Wine's helper processes would keep a pipe open)."""

    def __init__(self, exe, args=(), cwd=None, log_dir=None, env=None):
        self.exe = exe
        log_dir = log_dir or run_temp()
        # A built program starts in its own folder, as a double click would start it.
        if cwd is None and os.path.isabs(exe):
            cwd = os.path.dirname(exe)
        self.log_path = os.path.join(log_dir, os.path.basename(exe) + f".{time.time_ns()}.log")
        with open(self.log_path, "wb") as log:
            self.popen = subprocess.Popen([WINE64, exe, *args], cwd=cwd,
                                          env=wine_env(env), stdin=subprocess.DEVNULL,
                                          stdout=log, stderr=subprocess.STDOUT)

    @property
    def exit_code(self):
        """None while running; else the exit code as wine64 reports it (-1 reads 255)."""
        return self.popen.poll()

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=30):
        """Waits for the end and returns the exit code; raises AssertionError on timeout."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{os.path.basename(self.exe)} still running after {timeout} s")

    def output(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def kill(self):
        """Ends the program at once. The Linux process is the Windows process, so this is a
        TerminateProcess; programs it started are not touched (see kill_process)."""
        if self.running():
            self.popen.kill()
            self.popen.wait(timeout=30)


def run(exe, args=(), cwd=None, timeout=60, env=None):
    """Runs a Windows program to its end; returns (exit code, output text)."""
    p = Program(exe, args, cwd=cwd, env=env)
    try:
        code = p.wait(timeout)
    finally:
        p.kill()
    return code, p.output()


# ---- quilldrive ----------------------------------------------------------------------------

DriveResult = collections.namedtuple("DriveResult", "code records")

_UNESCAPE = {"\\\\": "\\", "\\t": "\t", "\\r": "\r", "\\n": "\n"}


def _unescape(field):
    return re.sub(r"\\[\\trn]", lambda m: _UNESCAPE[m.group(0)], field)


def _escape(word):
    return word.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")


class _DriveServer:
    """One long-lived `quilldrive serve` per Wine environment: a command is a line on its stdin,
    its records come back on stdout up to an `end <exit code>` line. A Wine start costs about
    half a second; a question to a running driver costs milliseconds."""

    def __init__(self, env):
        self.env = env
        self.popen = subprocess.Popen([WINE64, driver_path(), "serve"], env=env,
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL)
        self.pending = b""

    def alive(self):
        return self.popen.poll() is None

    def ask(self, words, limit):
        """(exit code, output text) of one command; raises TimeoutExpired after `limit` s."""
        self.popen.stdin.write(("\t".join(_escape(w) for w in words) + "\n").encode("utf-8"))
        self.popen.stdin.flush()
        deadline = time.monotonic() + limit
        out = self.popen.stdout.fileno()
        lines = []
        while True:
            eol = self.pending.find(b"\n")
            if eol >= 0:
                line, self.pending = self.pending[:eol], self.pending[eol + 1:]
                if line.startswith(b"end\t"):
                    return int(line[4:]), b"\n".join(lines).decode("utf-8", "replace")
                lines.append(line)
                continue
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([out], [], [], left)[0]:
                self.stop()
                raise subprocess.TimeoutExpired(words, limit)
            chunk = os.read(out, 65536)
            if not chunk:
                self.stop()
                raise RuntimeError(f"quilldrive ended while answering {words}")
            self.pending += chunk

    def stop(self):
        if self.alive():
            self.popen.stdin.close()
            try:
                self.popen.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait(timeout=30)
        self.popen.stdout.close()


_server = None


def stop_driver():
    """Ends the running driver, e.g. before its wineserver goes away."""
    global _server
    if _server is not None:
        _server.stop()
        _server = None


atexit.register(stop_driver)


def drive(*args, timeout=None):
    """Runs one quilldrive command. Returns (exit code, records), each record a list of
    fields with the record name first: 0 found/done, 1 not found/timed out, 2 usage, 3 failed.
    `timeout` (seconds) is passed on as --timeout for the commands that wait."""
    global _server
    words = [str(a) for a in args]
    limit = 60
    if timeout is not None:
        words += ["--timeout", str(int(timeout * 1000))]
        limit += timeout
    env = wine_env()
    if _server is not None and (_server.env != env or not _server.alive()):
        stop_driver()
    if _server is None:
        _server = _DriveServer(env)
    code, text = _server.ask(words, limit)
    if code == 2:
        raise RuntimeError(f"quilldrive usage error: {args}")
    records = [[_unescape(f) for f in line.split("\t")] for line in text.splitlines() if line]
    return DriveResult(code, records)


class Rect(collections.namedtuple("Rect", "left top right bottom")):
    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    @property
    def center(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def contains(self, x, y):
        return self.left <= x < self.right and self.top <= y < self.bottom


Window = collections.namedtuple("Window", "hwnd cls rect visible pid title")
Child = collections.namedtuple("Child", "hwnd parent cls id rect visible enabled text")
Button = collections.namedtuple("Button", "id rect text")
MsgBox = collections.namedtuple("MsgBox", "hwnd rect caption text statics buttons")


def _rect(fields):
    return Rect(*(int(v) for v in fields[:4]))


def _window(rec):
    return Window(rec[1], rec[2], _rect(rec[3:7]), rec[7] == "1", int(rec[8]), rec[9])


def desktop_rect():
    return _rect(drive("desktop").records[0][2:6])


def code_page():
    return int(drive("acp").records[0][1])


def windows():
    """Every top-level window."""
    return [_window(r) for r in drive("windows").records if r[0] == "window"]


def find_window(cls=None, title=None, process=None, visible=True, timeout=10.0):
    """The first top-level window matching class, exact title and/or the executable name of
    its process, waiting up to `timeout` seconds; None when there is none."""
    args = ["find-window"]
    if cls is not None:
        args += ["--class", cls]
    if title is not None:
        args += ["--title", title]
    if process is not None:
        args += ["--process", process]
    if visible:
        args.append("--visible")
    res = drive(*args, timeout=timeout)
    return _window(res.records[0]) if res.code == 0 else None


def children(hwnd):
    """All descendants of a window, parents before their children."""
    res = drive("children", hwnd)
    return [Child(r[1], r[2], r[3], int(r[4]), _rect(r[5:9]), r[9] == "1", r[10] == "1", r[11])
            for r in res.records if r[0] == "child"]


def window_text(hwnd):
    res = drive("text", hwnd)
    return res.records[0][1] if res.code == 0 else None


def window_rect(hwnd):
    """(Rect, visible) of a window, or None when it no longer exists."""
    res = drive("rect", hwnd)
    if res.code != 0:
        return None
    return _rect(res.records[0][1:5]), res.records[0][5] == "1"


def wait_window_gone(hwnd, timeout=10.0):
    return drive("wait-gone", hwnd, timeout=timeout).code == 0


def activate(hwnd):
    return drive("activate", hwnd).code == 0


def find_msgbox(title=None, timeout=10.0):
    """The visible message box (dialog class #32770) with that caption, or any; None if none
    shows within `timeout`. `text` is its message; buttons carry id, rect and caption."""
    args = ["find-msgbox"] + (["--title", title] if title is not None else [])
    res = drive(*args, timeout=timeout)
    if res.code != 0:
        return None
    head = res.records[0]
    statics = [(int(r[1]), r[2]) for r in res.records if r[0] == "static"]
    buttons = [Button(int(r[1]), _rect(r[2:6]), r[6]) for r in res.records if r[0] == "button"]
    # The message itself is the static with id 0xFFFF; fall back to all texts joined.
    text = next((t for i, t in statics if i == 0xFFFF), "\n".join(t for _, t in statics))
    return MsgBox(head[1], _rect(head[2:6]), head[6], text, statics, buttons)


def press_msgbox(button, title=None, real=False, timeout=10.0):
    """Presses a message-box button named by id (int) or caption ("否" matches "否(&N)").
    real=True clicks it with the mouse instead of BM_CLICK. Returns whether the box closed;
    raises AssertionError when no such box or button exists."""
    args = ["press-msgbox", button] + (["--title", title] if title is not None else [])
    if real:
        args.append("--real")
    res = drive(*args, timeout=timeout)
    if res.code != 0:
        raise AssertionError(f"no message box button {button!r} to press")
    return any(r[0] == "closed" and r[1] == "1" for r in res.records)


def mouse(action, x, y, right=False):
    """Real mouse input at screen coordinates: action is move, click, dblclick, down or up, or
    tap (press and release carrying the point, with no move before them)."""
    drive("mouse", action, x, y, *(["--right"] if right else []))


def click(x, y, right=False):
    mouse("click", x, y, right)


def key(*chords):
    """Real key presses, e.g. key("alt+f4"), key("esc"), key("ctrl+a", "delete")."""
    drive("key", *chords)


def type_text(text):
    drive("type", text)


Process = collections.namedtuple("Process", "pid parent exe")


def processes():
    return [Process(int(r[1]), int(r[2]), r[3]) for r in drive("ps").records if r[0] == "process"]


def process_running(exe):
    return any(p.exe.lower() == exe.lower() for p in processes())


def wait_process_exit(exe_or_pid, timeout=10.0):
    return drive("wait-exit", exe_or_pid, timeout=timeout).code == 0


def kill_process(exe_or_pid):
    """Terminates every Windows process of that name (or pid); returns how many."""
    return sum(1 for r in drive("kill", exe_or_pid).records if r[0] == "killed")


# ---- X side: clicks and screenshots --------------------------------------------------------

def _x(cmd, **kw):
    return subprocess.run(cmd, stdin=subprocess.DEVNULL, check=True, timeout=60, **kw)


def xclick(x, y, button=1):
    """A click through X (xdotool); X and virtual-desktop coordinates are the same."""
    _x(["xdotool", "mousemove", str(x), str(y), "click", str(button)])


def xmove(x, y):
    _x(["xdotool", "mousemove", str(x), str(y)])


def xkey(*keys):
    """Key presses through X, xdotool names: "Return", "Escape", "alt+F4"."""
    _x(["xdotool", "key", *keys])


def screenshot_dir():
    path = os.environ.get("QUILL_SCREENSHOT_DIR") or os.path.join(build_dir(), "screenshots")
    os.makedirs(path, exist_ok=True)
    return path


class Image:
    """An RGB picture with pixel access; coordinates are screen coordinates."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def from_ppm(cls, blob):
        # P6 header: magic, width, height, maxval, each separated by whitespace (and comments).
        fields, pos = [], 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos)
                continue
            end = pos
            while not blob[end:end + 1].isspace():
                end += 1
            fields.append(blob[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise ValueError("not an 8-bit P6 picture")
        width, height = int(fields[1]), int(fields[2])
        data = blob[pos + 1:pos + 1 + width * height * 3]
        return cls(width, height, data)

    @classmethod
    def load(cls, path):
        out = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], stdout=subprocess.PIPE,
                             stdin=subprocess.DEVNULL, check=True, timeout=60).stdout
        return cls.from_ppm(out)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def pixels(self, rect=None):
        r = rect or Rect(0, 0, self.width, self.height)
        for y in range(max(r.top, 0), min(r.bottom, self.height)):
            for x in range(max(r.left, 0), min(r.right, self.width)):
                yield self.pixel(x, y)

    def mean(self, rect=None):
        n, total = 0, [0, 0, 0]
        for p in self.pixels(rect):
            n += 1
            for c in range(3):
                total[c] += p[c]
        return tuple(t / n for t in total) if n else None

    def count(self, color, rect=None, tolerance=0):
        """How many pixels lie within `tolerance` (per channel) of `color`."""
        return sum(1 for p in self.pixels(rect)
                   if all(abs(p[c] - color[c]) <= tolerance for c in range(3)))

    def colors(self, rect=None):
        """Colour -> pixel count over the region."""
        return collections.Counter(self.pixels(rect))


def _shot_path(name):
    safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)
    return os.path.join(screenshot_dir(), safe + ".png")


def screenshot(name):
    """Saves the whole screen as <screenshot dir>/<name>.png and returns the path."""
    path = _shot_path(name)
    _x(["import", "-window", "root", path])
    return path


def grab(name=None):
    """The screen as an Image; also saved as <name>.png when a name is given."""
    if name:
        return Image.load(screenshot(name))
    out = _x(["import", "-window", "root", "-depth", "8", "ppm:-"], stdout=subprocess.PIPE).stdout
    return Image.from_ppm(out)


# ---- waiting -------------------------------------------------------------------------------

def wait_until(probe, timeout=10.0, interval=0.2, message=None):
    """Calls probe() until it returns something true and returns that; raises AssertionError
    with `message` when `timeout` seconds pass first. Probes at least once."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(message or f"condition not met within {timeout} s")
        time.sleep(interval)


# ---- test case -----------------------------------------------------------------------------

class QuillTestCase(unittest.TestCase):
    """A test with its own temporary folder (self.tmp) whose started programs are ended
    afterwards, pass or fail."""

    def setUp(self):
        self.tmp = test_dir(self.id())
        self._programs = []
        self.addCleanup(self._end_programs)

    def start(self, exe, *args, cwd=None, env=None):
        p = Program(exe, args, cwd=cwd, log_dir=self.tmp, env=env)
        self._programs.append(p)
        return p

    def _end_programs(self):
        for p in self._programs:
            p.kill()


# The exit code ctest reports as skipped (SKIP_RETURN_CODE in tests/CMakeLists.txt).
EXIT_SKIPPED = 77


def main():
    """Runs the script's cases. When none failed but some were skipped (a case that needs what
    this machine lacks, such as mount or chattr), the script ends with EXIT_SKIPPED, so that
    ctest's summary shows it as skipped rather than passed."""
    result = unittest.main(verbosity=2, exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    sys.exit(EXIT_SKIPPED if result.skipped else 0)
