"""Checks what the shipped installers and uninstallers carry, as built (both targets):

  * their import tables name only libraries Windows protects by name (KNOWN_DLLS): the
    loader resolves any other import by looking beside the executable first, where a
    library someone planted (in a downloads folder) would run before a line of ours;
  * no test hook: the name of the tests' exit log appears in neither.

Usage: check_binaries.py OBJDUMP HOOKED_INSTALLER SHIPPED_EXE...
The tests' own build of the installer (HOOKED_INSTALLER) must show the hook's name, so a
search that cannot find anything does not pass unnoticed."""

import re
import subprocess
import sys
import unittest

# The KnownDLLs of Windows (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs,
# the same list on Windows 7 to 11, 32- and 64-bit): the loader maps these from the system
# folder only, whatever lies beside the program. This is the one list the build keeps to.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll",
}

# The hook reads its variable by its wide name; the narrow form is looked for as well.
HOOK_NAMES = ("QUILL_EXIT_LOG".encode("utf-16-le"), b"QUILL_EXIT_LOG")

OBJDUMP, HOOKED, INSTALLERS = sys.argv[1], sys.argv[2], sys.argv[3:]


def imports(exe):
    out = subprocess.run([OBJDUMP, "-p", exe], stdout=subprocess.PIPE, check=True).stdout.decode("latin-1")
    return [m.group(1) for m in re.finditer(r"DLL Name: (\S+)", out)]


class ShippedBinaries(unittest.TestCase):
    def test_only_known_dlls_are_imported(self):
        for exe in INSTALLERS:
            with self.subTest(exe=exe):
                names = imports(exe)
                self.assertIn("kernel32.dll", [n.lower() for n in names], "import table not read")
                self.assertEqual([n for n in names if n.lower() not in KNOWN_DLLS], [])

    def test_no_test_hook_ships(self):
        with open(HOOKED, "rb") as f:
            hooked = f.read()
        self.assertTrue(any(name in hooked for name in HOOK_NAMES), "the search would not find the hook")
        for exe in INSTALLERS:
            with self.subTest(exe=exe), open(exe, "rb") as f:
                shipped = f.read()
                self.assertEqual([name for name in HOOK_NAMES if name in shipped], [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
