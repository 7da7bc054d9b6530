"""One product packaged twice, without SOURCE_DATE_EPOCH, into build and dist folders of other
names and depths: both targets' installers are equal byte for byte, and neither they nor the
uninstallers they carry name a build path or anything of the project's own brand table."""

import hashlib
import os
import subprocess
import sys
import tempfile

import leftovers

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
    foreign = builds + [ROOT, os.path.realpath(os.path.join(ROOT, "build", "deps"))] + leftovers.stand_in_names()
    failed = False
    for file in (NAME + "-setup.exe", NAME + "-setup-x86_64.exe"):
        data = [open(os.path.join(build + "-dist", file), "rb").read() for build in builds]
        print(file, *(hashlib.sha256(d).hexdigest() for d in data))
        inside = leftovers.texts_inside(data[0], foreign)
        if data[0] != data[1] or inside:
            print("FAILED:", file, "differs" if data[0] != data[1] else "names %s" % inside)
            failed = True
sys.exit(failed)
