#!/usr/bin/env python3
"""Fails when an include runs upward through the program's layers.

The folders form one order, lowest first: the ground (base) knows no feature; each feature may
use the ground and the features before it; the start-up (app) and the nvdoc tool sit on top.
A file may include headers of its own folder and of folders lower in the order, never higher.
The reference server (server/) stands beside the client and takes only its ground.
Portable files (not ending in _win.cpp / _win.h) may not include a Windows-only header either.

    python3 tools/check_layers.py [ROOT]      prints each violation, exit 1 when there are any
"""
import pathlib
import re
import sys

ORDER = ["base", "net", "notes", "print", "export", "update", "finance", "selftest", "ui",
         "app", "nvdoc"]
RANK = {name: i for i, name in enumerate(ORDER)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def is_windows_only(path):
    return path.stem.endswith("_win")


def violations(root):
    found = []
    for folder in ORDER:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            text = path.read_text(encoding="utf-8")
            for m in INCLUDE.finditer(text):
                target = m.group(1)
                line = text.count("\n", 0, m.start()) + 1
                where = f"{path.relative_to(root)}:{line}"
                top = target.split("/", 1)[0]
                if top not in RANK:
                    continue
                if RANK[top] > RANK[folder]:
                    found.append(f"{where}: {folder}/ includes {target}, a higher layer")
                if not is_windows_only(path) and pathlib.PurePath(target).stem.endswith("_win"):
                    found.append(f"{where}: portable file includes the Windows-only {target}")
    for path in sorted((root / "server").glob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        text = path.read_text(encoding="utf-8")
        for m in INCLUDE.finditer(text):
            top = m.group(1).split("/", 1)[0]
            if top in RANK and top != "base":
                line = text.count("\n", 0, m.start()) + 1
                found.append(f"{path.relative_to(root)}:{line}: the server includes "
                             f"{m.group(1)}, a feature of the client")
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    found = violations(root)
    for v in found:
        print(v)
    if found:
        print(f"{len(found)} include(s) against the layering")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
