"""One product packaged twice, without SOURCE_DATE_EPOCH, into build and dist folders of other
names and depths: both targets' installers are equal byte for byte and name no build path."""

import hashlib
import os
import subprocess
import sys
import tempfile

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
NAME = "复现产品"
with tempfile.TemporaryDirectory(prefix="quill-repro-") as tmp:
    os.makedirs(os.path.join(tmp, "product", "文档"))
    for rel, content in ((NAME + ".exe", b"MZ" + bytes(500)), ("文档/说明.txt", b"x" * 9000)):
        with open(os.path.join(tmp, "product", rel), "wb") as f:
            f.write(content)
    builds = [os.path.join(tmp, "one", "b"), os.path.join(tmp, "second", "deeper", "build-two")]
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    for build in builds:
        subprocess.run(["bash", os.path.join(ROOT, "tools", "package.sh"), "--name", NAME,
                        "--product", os.path.join(tmp, "product"), "--folder", "复现软件",
                        "--build", build, "--dist", build + "-dist"],
                       env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    # The prebuilt libraries' objects name their folder; the stripped programs must not.
    paths = builds + [ROOT, os.path.realpath(os.path.join(ROOT, "build", "deps"))]
    failed = False
    for file in (NAME + "-setup.exe", NAME + "-setup-x86_64.exe"):
        data = [open(os.path.join(build + "-dist", file), "rb").read() for build in builds]
        print(file, *(hashlib.sha256(d).hexdigest() for d in data))
        inside = [p for p in paths if p.encode() in data[0] or p.encode("utf-16-le") in data[0]]
        if data[0] != data[1] or inside:
            print("FAILED:", file, "differs" if data[0] != data[1] else "names %s" % inside)
            failed = True
sys.exit(failed)
