"""A self-signed certificate made with openssl for the signing tests, in a PKCS#12 file with a
password file beside it; `code_signing=False` leaves the code-signing use out."""

import os
import subprocess

PASSWORD = "s3cret-pass"


def files(folder):
    """(pfx, password file, certificate PEM): where `make` puts them below `folder`."""
    return tuple(os.path.join(folder, name) for name in ("cert.pfx", "password.txt", "cert.pem"))


def make(folder, code_signing=True):
    """(pfx, password file, certificate PEM) below `folder`."""
    pfx, password, pem = files(folder)
    key = os.path.join(folder, "key.pem")
    usage = "codeSigning" if code_signing else "serverAuth"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", pem,
                    "-days", "30", "-subj", "/CN=Quill Test Publisher",
                    "-addext", "extendedKeyUsage=" + usage], check=True, capture_output=True)
    with open(password, "w") as f:
        f.write(PASSWORD + "\n")
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", pfx,
                    "-passout", "file:" + password], check=True, capture_output=True)
    return pfx, password, pem


def verify(path, pem):
    """osslsigncode's verdict on the signed file at `path`: (passed, its output)."""
    run = subprocess.run(["osslsigncode", "verify", "-CAfile", pem, "-in", path], capture_output=True, text=True)
    return run.returncode == 0, run.stdout + run.stderr
