"""What the user sees of the installer window: page 1 with its title, close glyph, logo,
start button and install folder, drawn by the controls from the window template; and the
start button's mouse-over picture under real pointer moves.

Pixels are sampled in regions relative to the window's top left corner (screen pixels of
the Xvfb display, which equal the Wine virtual desktop's). Screenshots are kept in the
screenshot folder as installer-page1.png and installer-button-hover.png."""

import os
import re

import quilltest as qt

SOURCE = os.environ.get("QUILL_SOURCE_DIR") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

PAGE_BLUE = (22, 131, 196)       # 0x00C48316, page 1's background and the logo's blue
YELLOW = (255, 255, 0)
WHITE = (255, 255, 255)
BUTTON_TEAL = (26, 156, 156)     # the "安装" picture's field
HOVER_TEAL = (99, 184, 184)      # the mouse-over picture's field
BUTTON_FRAME = (159, 212, 240)   # the light-blue frame of the normal picture

# Page 1 has a one-pixel border, so its client area (where its units sit) starts at (1, 1).
PAGE = 1
TITLE = qt.Rect(PAGE + 7, PAGE + 8, PAGE + 7 + 68, PAGE + 8 + 24)
CLOSE_GLYPH = qt.Rect(PAGE + 230, PAGE + 14, PAGE + 242, PAGE + 26)
LOGO = qt.Rect(PAGE + 12, PAGE + 36, PAGE + 12 + 211, PAGE + 36 + 211)
BUTTON = qt.Rect(PAGE + 14, PAGE + 255, PAGE + 14 + 220, PAGE + 255 + 80)
PROGRESS = qt.Rect(PAGE + 21, PAGE + 327, PAGE + 21 + 205, PAGE + 327 + 8)
FOLDER_CAPTION = qt.Rect(PAGE + 7, PAGE + 344, PAGE + 7 + 56, PAGE + 344 + 24)
FOLDER = qt.Rect(PAGE + 7, PAGE + 367, PAGE + 7 + 232, PAGE + 367 + 25)

# The flame's white in the 424 x 534 picture spans x 111..308, y 66..467; squeezed into
# 211 x 211 that is about 99 x 158 pixels from (55, 27) of the logo box.
FLAME_BOX = (55, 27, 99, 158)


def near(c, ref, tol):
    return all(abs(c[i] - ref[i]) <= tol for i in range(3))


class Window:
    """The screen image with coordinates relative to the installer window."""

    def __init__(self, image, rect):
        self.image, self.rect = image, rect

    def at(self, x, y):
        return self.image.pixel(self.rect.left + x, self.rect.top + y)

    def on_screen(self, r):
        return qt.Rect(self.rect.left + r.left, self.rect.top + r.top,
                       self.rect.left + r.right, self.rect.top + r.bottom)

    def mask(self, r, test):
        """Rows of booleans: which pixels of r satisfy test(colour)."""
        return [[test(self.at(x, y)) for x in range(r.left, r.right)] for y in range(r.top, r.bottom)]

    def count(self, r, test):
        return sum(sum(row) for row in self.mask(r, test))


def ink_columns(mask):
    return [x for x in range(len(mask[0])) if any(row[x] for row in mask)]


def periodic(mask, glyphs):
    """True when the ink of a text line repeats with one glyph advance: what a line of
    identical replacement boxes looks like, and real different glyphs never do."""
    cols = ink_columns(mask)
    if not cols:
        return True
    first, last = cols[0], cols[-1]
    advance_guess = (last - first + 1) / glyphs
    for shift in range(max(4, int(advance_guess) - 3), int(advance_guess) + 4):
        same = total = 0
        for row in mask:
            for x in range(first, last + 1 - shift):
                if row[x] or row[x + shift]:
                    total += 1
                    same += row[x] == row[x + shift]
        if total and same / total > 0.9:
            return True
    return False


class InstallerLook(qt.QuillTestCase):
    def setUp(self):
        super().setUp()
        # The frame of a single-line border is the system's window-frame colour: black on a
        # standard Windows desktop, grey in Wine's own colour scheme. Give this prefix the
        # standard colour so the look is the one the user gets.
        qt.run("reg", ["add", "HKCU\\Control Panel\\Colors", "/v", "WindowFrame", "/d", "0 0 0", "/f"])

    def open_window(self):
        # The pointer away from where the window will be, or the button shows its mouse-over
        # picture from the start.
        qt.xmove(5, 5)
        self.start(qt.require_installer())
        win = qt.find_window(cls="QuillWindow", timeout=20)
        self.assertIsNotNone(win, "the installer window did not show")
        # Shown once the start button's picture is on the screen.
        qt.wait_until(lambda: near(Window(qt.grab(), win.rect).at(BUTTON.center[0], BUTTON.top + 12),
                                   BUTTON_TEAL, 30),
                      timeout=15, message="the start button was not painted")
        return win

    def test_page_one_as_the_user_sees_it(self):
        win = self.open_window()
        self.assertEqual((win.rect.width, win.rect.height), (250, 400))
        w = Window(qt.grab("installer-page1"), win.rect)

        # Page 1 on top: blue inside a one-pixel black frame (pages 2 and 3 are sky blue).
        ring = [(x, 0) for x in range(250)] + [(x, 399) for x in range(250)] + \
               [(0, y) for y in range(400)] + [(249, y) for y in range(400)]
        self.assertEqual({w.at(x, y) for x, y in ring}, {(0, 0, 0)})
        for x, y in [(1, 1), (2, 200), (248, 100), (120, 250), (5, 398), (248, 398)]:
            self.assertEqual(w.at(x, y), PAGE_BLUE, f"page colour at {x},{y}")

        # Title: yellow, bold, real Chinese glyphs (not four identical boxes).
        title = w.mask(TITLE, lambda c: c[0] > 180 and c[1] > 180 and c[2] < 120)
        title_ink = sum(map(sum, title))
        self.assertGreater(title_ink, 60, "no yellow title")
        self.assertFalse(periodic(title, 4), "the title's glyphs are all alike (boxes?)")
        cols = ink_columns(title)
        self.assertLess(cols[-1] - cols[0], 68, "title wider than its label")

        # Close glyph: white on the page.
        self.assertGreater(w.count(CLOSE_GLYPH, lambda c: near(c, WHITE, 60)), 3, "no white ×")

        # Logo: the flame squeezed (not cut, not kept in proportion) to 211 x 211.
        flame = w.mask(LOGO, lambda c: near(c, WHITE, 60))
        ys = [y for y, row in enumerate(flame) if any(row)]
        xs = ink_columns(flame)
        box = (xs[0], ys[0], xs[-1] - xs[0] + 1, ys[-1] - ys[0] + 1)
        for got, want, what in zip(box, FLAME_BOX, ("left", "top", "width", "height")):
            self.assertLessEqual(abs(got - want), 3, f"flame {what}: {box} vs {FLAME_BOX}")
        for x, y in [(LOGO.left + 2, LOGO.top + 2), (LOGO.right - 3, LOGO.bottom - 3)]:
            self.assertTrue(near(w.at(x, y), PAGE_BLUE, 12), "logo background")

        # The start button: teal field in its light frame, white "安装" in the middle.
        self.assertTrue(near(w.at(BUTTON.left + 2, BUTTON.top + 40), BUTTON_FRAME, 20))
        self.assertTrue(near(w.at(BUTTON.left + 30, BUTTON.top + 40), BUTTON_TEAL, 20))
        middle = qt.Rect(BUTTON.left + 60, BUTTON.top + 15, BUTTON.right - 60, BUTTON.bottom - 15)
        button_text = w.mask(middle, lambda c: near(c, WHITE, 50))
        self.assertGreater(sum(map(sum, button_text)), 150, "no white 安装 on the button")
        self.assertFalse(periodic(button_text, 2))

        # No progress bar: where the hidden bar would lie, the start button's picture shows.
        bar = next(c for c in qt.children(win.hwnd) if c.cls == "msctls_progress32")
        self.assertFalse(bar.visible)
        picture = qt.Image.load(os.path.join(SOURCE, "assets", "button_install.jpg"))
        differing = [(x, y) for y in range(PROGRESS.top, PROGRESS.bottom)
                     for x in range(PROGRESS.left, PROGRESS.right)
                     if not near(w.at(x, y), picture.pixel(x - BUTTON.left, y - BUTTON.top), 8)]
        self.assertEqual(differing, [], "something covers the button where the progress bar lies")

        # "安装目录：" in white, real glyphs; the folder underlined in white below it.
        caption = w.mask(FOLDER_CAPTION, lambda c: near(c, WHITE, 70))
        self.assertGreater(sum(map(sum, caption)), 40)
        self.assertFalse(periodic([row[:48] for row in caption], 4))
        # Bold: more ink per glyph in the title than in the normal-weight caption.
        self.assertGreater(title_ink / 4, 1.15 * sum(map(sum, caption)) / 5)

        folder = w.mask(FOLDER, lambda c: near(c, WHITE, 70))
        text_cols = ink_columns(folder)
        self.assertGreater(len(text_cols), 60, "no folder text")
        longest_row = max(sum(row) for row in folder)
        self.assertGreater(longest_row, 0.9 * (text_cols[-1] - text_cols[0] + 1), "folder not underlined")
        labels = [c.text for c in qt.children(win.hwnd) if c.cls == "QuillLabel"]
        self.assertTrue(any(re.fullmatch(r"[CD]:\\Tessaly软件\\Orvenline", t) for t in labels), labels)

    def test_start_button_shows_the_lighter_picture_under_the_pointer(self):
        win = self.open_window()
        cx, cy = win.rect.left + BUTTON.left + 30, win.rect.top + BUTTON.top + 40

        def field():
            return qt.grab().pixel(cx, cy)

        qt.xmove(cx, cy)
        qt.wait_until(lambda: near(field(), HOVER_TEAL, 20), timeout=5,
                      message=f"no mouse-over picture (saw {field()})")
        qt.grab("installer-button-hover")
        # Off the button onto the page: the same thread's window, so the button still sees the
        # move through its capture (a jump straight onto another program's window is not seen
        # until the pointer comes back, as with any capture taken without a mouse button held).
        qt.xmove(win.rect.left + 120, win.rect.top + 40)
        qt.wait_until(lambda: near(field(), BUTTON_TEAL, 20), timeout=5,
                      message=f"the normal picture did not come back (saw {field()})")


if __name__ == "__main__":
    qt.main()
