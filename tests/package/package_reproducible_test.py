"""The same product packaged twice, into build and dist folders of other names and depths,
gives installers equal byte for byte on both targets, holding no path of either build. No
SOURCE_DATE_EPOCH is given, so nothing may come from the clock."""

import hashlib
import os
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
NAME = "复现产品"
# The prebuilt libraries' folder: their objects name it, the stripped programs must not.
DEPS = os.path.realpath(os.path.join(ROOT, "build", "deps"))


def package(product, build, dist):
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    done = subprocess.run(
        ["bash", os.path.join(ROOT, "tools", "package.sh"), "--product", product, "--name", NAME,
         "--folder", "复现软件", "--version", "3.2", "--build", build, "--dist", dist],
        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout.decode("utf-8", "replace")[-3000:]


class Reproducible(unittest.TestCase):
    def test_two_packagings_give_the_same_bytes(self):
        with tempfile.TemporaryDirectory(prefix="quill-repro-") as tmp:
            product = os.path.join(tmp, "product")
            os.makedirs(os.path.join(product, "文档"))
            for rel, content in ((NAME + ".exe", b"MZ" + bytes(500)), ("文档/说明.txt", b"x" * 9000)):
                with open(os.path.join(product, rel), "wb") as f:
                    f.write(content)
            builds = [os.path.join(tmp, "one", "b"), os.path.join(tmp, "second", "deeper", "build-two")]
            started = time.monotonic()
            outputs = []
            for build in builds:
                code, log = package(product, build, build + "-dist")
                self.assertEqual(code, 0, log)
                outputs.append(build + "-dist")
            print("two packagings took %.0f s" % (time.monotonic() - started))
            for file in (NAME + "-setup.exe", NAME + "-setup-x86_64.exe"):
                data = []
                for dist in outputs:
                    with open(os.path.join(dist, file), "rb") as f:
                        data.append(f.read())
                print(file, *(hashlib.sha256(d).hexdigest() for d in data))
                self.assertEqual(data[0], data[1], file)
                for path in builds + [os.path.realpath(ROOT), DEPS]:
                    for form in (path.encode(), path.encode("utf-16-le")):
                        self.assertNotIn(form, data[0], file)


if __name__ == "__main__":
    unittest.main(verbosity=2)
