"""The publisher's command end to end: a product folder with Chinese names (one of them with a
GBK second byte that reads as a backslash), an own start-button picture and advice text (as
long as the advice box takes), packaged with tools/package.sh with its version, copyright and
a test signing certificate, and the resulting installer installing it as a user does. One
run: the packaging builds the 64-bit installer in its own build folder, which stays between
runs with its inputs, so a second run rebuilds only what changed."""

import hashlib
import os
import shutil
import subprocess
import sys
import time

import installer_ui as ui
import quilltest as qt

ROOT = os.environ.get("QUILL_SOURCE_DIR") or os.path.join(os.path.dirname(__file__), "..", "..")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "security"))
import check_resources  # noqa: E402
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import signing_cert  # noqa: E402

NAME, PREFIX = "示例产品", "示例软件"
VERSION, COPYRIGHT = "2.5.1", "© 2024 示例软件"
# The most lines, each of the most bytes (48), the advice box shows.
ADVICE = "\r\n".join("第%02d行：" % n + ("示例产品的安装说明" * 3)[:20] for n in range(1, 13))
# Even seconds: DOS times keep two-second steps.
WHEN = 1500000000


# The button picture: ImageMagick's arguments before the output path.
BUTTON = ["convert", "-size", "220x80", "xc:#b03a2e", "-quality", "95"]
# The test certificate is valid for 30 days; kept inputs make a new one every 20.
CERTIFICATE_DAYS = 20


def sample_tree():
    """{relative path: bytes or None for a folder} of the sample product."""
    with open(ui.product_exe(), "rb") as f:
        exe = f.read()
    return {
        NAME + ".exe": exe,
        "数据": None,
        "数据/配置.ini": "[设置]\r\n语言=简体中文\r\n".encode("gbk"),
        "数据/子目录": None,
        "数据/子目录/空.txt": b"",
        "誠信": None,                       # 誠 is D5 5C in GBK
        "誠信/说明.txt": b"x" * 70000,
        "空目录": None,
    }


def write_tree(folder, tree):
    for rel, content in tree.items():
        path = os.path.join(folder, rel)
        if content is None:
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)
    # Children first: writing into a folder moves its time again.
    for rel in sorted(tree, key=len, reverse=True):
        os.utime(os.path.join(folder, rel), (WHEN, WHEN))


def kept_inputs(tree):
    """The folder holding `product/`, `button.jpg` and the signing files, kept beside the
    packaging build and named after all they are made from. The packaged files carry a fixed
    time, so a change must show as a new path: the packaging then configures and builds
    again, while the same inputs leave it nothing to do."""
    digest = hashlib.sha256(repr((sorted(tree.items()), BUTTON, signing_cert.PASSWORD,
                                  int(time.time() // (CERTIFICATE_DAYS * 86400)))).encode())
    parent = os.path.join(qt.build_dir(), "..", "package-test-inputs")
    folder = os.path.join(parent, digest.hexdigest()[:16])
    if os.path.isfile(os.path.join(folder, "complete")):
        return folder
    shutil.rmtree(parent, ignore_errors=True)
    os.makedirs(folder)
    write_tree(os.path.join(folder, "product"), tree)
    subprocess.run(BUTTON + [os.path.join(folder, "button.jpg")], check=True)
    signing_cert.make(folder)
    open(os.path.join(folder, "complete"), "w").close()
    return folder


class PackagedInstallation(qt.QuillTestCase):
    def test_packaged_folder_installs_with_its_names_pictures_and_shortcut(self):
        tree = sample_tree()
        inputs = kept_inputs(tree)
        product, button = os.path.join(inputs, "product"), os.path.join(inputs, "button.jpg")
        pfx, password, pem = signing_cert.files(inputs)
        dist = os.path.join(self.tmp, "dist")
        # Written once, like the other kept inputs: a newer file would rebuild the constants.
        advice = os.path.join(inputs, "advice.txt")
        if not os.path.exists(advice):
            with open(advice, "w", encoding="utf-8") as f:
                f.write(ADVICE.replace("\r\n", "\n") + "\n")
        done = subprocess.run(
            ["bash", os.path.join(ROOT, "tools", "package.sh"), "--product", product, "--name", NAME,
             "--folder", PREFIX, "--button", button, "--version", VERSION, "--copyright", COPYRIGHT,
             "--advice", advice, "--sign", pfx, "--sign-password-file", password, "--arch", "x86_64", "--dist", dist,
             "--build", os.path.join(qt.build_dir(), "..", "package-test")],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=540)
        self.assertEqual(done.returncode, 0, done.stdout.decode("utf-8", "replace")[-3000:])
        self.assertNotIn(signing_cert.PASSWORD.encode(), done.stdout)
        # The tests find the installer's window by its process name.
        installer = os.path.join(self.tmp, "installer.exe")
        shutil.copyfile(os.path.join(dist, NAME + "-setup-x86_64.exe"), installer)
        self.assertTrue(*signing_cert.verify(installer, pem))
        with open(installer, "rb") as f:
            self.assertEqual(check_resources.problems(f.read(), "installer", NAME, PREFIX, VERSION, COPYRIGHT), [])

        drive_d = os.path.join(self.tmp, "drive-d")
        os.makedirs(drive_d)
        qt.map_drive("d", drive_d)
        self.addCleanup(qt.unmap_drive, "d")
        link = os.path.join(qt.desktop_dir(), NAME + ".lnk")
        self.addCleanup(lambda: os.path.exists(link) and os.remove(link))

        inst = ui.Installer(self, program=self.start(installer))
        self.assertEqual(inst.folder(), f"D:\\{PREFIX}\\{NAME}")
        qt.xmove(inst.win.rect.left + 20, inst.win.rect.top + 150)
        picture = qt.Image.load(button)
        r = inst.start_button.rect
        qt.wait_until(lambda: all(abs(a - b) < 6 for a, b in zip(qt.grab().mean(r), picture.mean())),
                      timeout=5, message="the start button does not show the publisher's picture")
        qt.screenshot("package-window")

        inst.install(self, advice=ADVICE)

        installed = os.path.join(drive_d, PREFIX, NAME)
        written = os.path.join(installed, "uninstall.exe")
        self.assertTrue(*signing_cert.verify(written, pem))
        found = ui.product_tree_of(self, installed)
        self.assertEqual(sorted(found), sorted(os.path.normpath(p) for p in tree))
        for rel, content in tree.items():
            path = os.path.join(installed, rel)
            if content is not None:
                with open(path, "rb") as f:
                    self.assertEqual(f.read(), content, rel)
                self.assertEqual(os.stat(path).st_mtime, WHEN, rel)
        target = ui.link_target(qt.to_windows(link))
        self.assertIsNotNone(target, "no desktop shortcut named after the product")
        self.assertEqual(target[0].lower(), f"D:\\{PREFIX}\\{NAME}\\{NAME}.exe".lower())


if __name__ == "__main__":
    qt.main()
