"""The manifest and version information of shipped installers and of the uninstaller each
carries: no elevation asked, the known Windows versions, neither DPI awareness nor the version
6 common controls (the window keeps its look), the names, version and copyright.

    check_resources.py --name NAME --company COMPANY --version V [--copyright TEXT] INSTALLER...
"""

import argparse
import os
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from pe_resources import RT_MANIFEST, RT_RCDATA, RT_VERSION, resources, version_info  # noqa: E402

UNINSTALLER_RESOURCE = 2001
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}  # Vista, 7, 8, 8.1, 10 and 11
DESCRIPTIONS = {"installer": "安装程序", "uninstaller": "卸载程序"}


def manifest_problems(text):
    try:
        elements = list(ET.fromstring(text).iter())
    except ET.ParseError as e:
        return ["the manifest is not well-formed, so Windows would not start the program: %s" % e]
    def named(tag):
        return [e for e in elements if e.tag.split("}")[-1] == tag]
    wrong = []
    levels = [(e.get("level"), e.get("uiAccess")) for e in named("requestedExecutionLevel")]
    if levels != [("asInvoker", "false")]:
        wrong.append("execution level %s" % levels)
    if {e.get("Id") for e in named("supportedOS")} != SUPPORTED_OS:
        wrong.append("supported systems %s" % [e.get("Id") for e in named("supportedOS")])
    if any(e.text.strip().lower() != "false" for e in named("dpiAware") + named("dpiAwareness")):
        wrong.append("DPI aware")
    if any(e.get("name") == "Microsoft.Windows.Common-Controls" for e in named("assemblyIdentity")):
        wrong.append("other common controls asked for")
    return wrong


def problems(pe, program, name, company, version, copyright=""):
    """What is wrong with a program's ("installer" or "uninstaller") manifest and version
    information; an installer's uninstaller is checked as well."""
    found = resources(pe)
    wrong = manifest_problems(found[(RT_MANIFEST, 1)]) if (RT_MANIFEST, 1) in found else ["no manifest"]
    if (RT_VERSION, 1) in found:
        numeric = ".".join((version.split(".") + ["0"] * 3)[:4])
        expected = {"(block)": "080404B0", "(translation)": "0408b004", "ProductName": name, "CompanyName": company,
                    "FileDescription": "%s %s" % (name, DESCRIPTIONS[program]), "FileVersion": version,
                    "ProductVersion": version, "(file version)": numeric, "(product version)": numeric,
                    "LegalCopyright": copyright or None}
        info = version_info(found[(RT_VERSION, 1)])
        wrong += ["%s is %r, not %r" % (k, info.get(k), v) for k, v in expected.items() if info.get(k) != v]
        if not info.get("OriginalFilename", "").endswith(".exe"):
            wrong.append("no original file name")
    else:
        wrong.append("no version information")
    wrong = ["%s: %s" % (program, w) for w in wrong]
    if program == "installer":
        carried = found.get((RT_RCDATA, UNINSTALLER_RESOURCE))
        wrong += problems(carried, "uninstaller", name, company, version, copyright) if carried \
            else ["installer: no uninstaller inside"]
    return wrong


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--name", "--company", "--version"):
        p.add_argument(option, required=True)
    p.add_argument("--copyright", default="")
    p.add_argument("installers", nargs="+")
    args = p.parse_args()
    failed = False
    for path in args.installers:
        with open(path, "rb") as f:
            found = problems(f.read(), "installer", args.name, args.company, args.version, args.copyright)
        print("%s: %s" % (path, "; ".join(found) or "ok"))
        failed = failed or bool(found)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
