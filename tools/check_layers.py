#!/usr/bin/env python3
"""Fails when an include crosses the program's layering.

Every folder of C++ sources declares, below, the folders its files may include besides its own;
the declared links form a graph without cycles (checked too). The ground (base) knows no
feature; each feature uses the ground and the features it names; the start-up (app) sits on
top of the client, nvdoc beside it; the reference server (server/) takes only the ground, the packager (package/) the ground and
the zip writer. The
tools around them (bench/, fuzz/, tests/) name what they exercise.

Inside ui/ the windows form an order of their own: a file may include the shared helpers and the
windows it opens, never a window that stands above it (the one that opens it).

Portable files (not ending in _win.cpp / _win.h, and outside tests/win/) may not include a
Windows-only header either.

    python3 tools/check_layers.py [ROOT]      prints each violation, exit 1 when there are any
"""
import pathlib
import re
import sys

CLIENT = ["base", "net", "notes", "print", "export", "update", "finance", "selftest", "ui"]

ALLOWED = {
    "base": [],
    "net": ["base"],
    "notes": ["base", "net"],
    "print": ["base", "notes"],
    "export": ["base", "notes", "print"],
    "update": ["base", "net"],
    "finance": ["base", "net"],
    "selftest": ["base", "net", "notes", "print"],
    "ui": ["base", "net", "notes", "print", "export", "update", "finance"],
    "app": CLIENT,
    "nvdoc": ["base", "notes", "print", "export"],
    "server": ["base"],
    "package": ["base", "export"],
    "bench": ["base", "notes", "print", "export"],
    "fuzz": ["base", "finance", "print", "server"],
    # The tests' own helpers (fakes/, win/tools/) are reached from tests/ as include root.
    "tests": CLIENT + ["app", "fakes", "win"],
}

# ui/ files, lowest first: helpers, then each window before the windows that open it.
UI_ORDER = ["ui_logic", "ui_win", "window_win", "modal_win", "form_dialog_win", "login_window_win",
            "print_preview_win", "export_command_win", "statement_window_win", "editor_win",
            "finance_window_win", "main_window_win"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE = (".h", ".cpp")


def is_windows_only(path, root):
    # tests/win/ holds the tests and tools that run on Windows itself.
    return path.stem.endswith("_win") or path.relative_to(root).parts[:2] == ("tests", "win")


def cycle(graph):
    """A folder on a cycle of the declared links, or None."""
    state = {}

    def visit(node):
        state[node] = "open"
        for nxt in graph.get(node, []):
            if state.get(nxt) == "open" or (nxt not in state and visit(nxt)):
                return True
        state[node] = "done"
        return False

    for node in graph:
        if node not in state and visit(node):
            return node
    return None


def violations(root):
    found = []
    on_cycle = cycle(ALLOWED)
    if on_cycle:
        found.append(f"tools/check_layers.py: the declared links run in a circle through {on_cycle}")
    for folder, allowed in ALLOWED.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCE:
                continue
            text = path.read_text(encoding="utf-8")
            for m in INCLUDE.finditer(text):
                target = m.group(1)
                where = f"{path.relative_to(root)}:{text.count(chr(10), 0, m.start()) + 1}"
                top = target.split("/", 1)[0]
                if "/" in target and top != folder and top not in allowed:
                    found.append(f"{where}: {folder}/ includes {target}, which it may not use")
                if not is_windows_only(path, root) and pathlib.PurePath(target).stem.endswith("_win"):
                    found.append(f"{where}: portable file includes the Windows-only {target}")
                if folder == "ui" and top == "ui":
                    here, there = path.stem, pathlib.PurePath(target).stem
                    if here in UI_ORDER and there in UI_ORDER and \
                            UI_ORDER.index(there) > UI_ORDER.index(here):
                        found.append(f"{where}: {here} includes {target}, a window above it")
                    elif there not in UI_ORDER:
                        found.append(f"{where}: {target} has no place in the order of ui/")
    for path in sorted(root.glob("*/")):
        if path.is_dir() and path.name not in ALLOWED and \
                any(p.suffix in SOURCE for p in path.rglob("*")) and \
                path.name not in ("build", "cmake"):
            found.append(f"{path.name}/: C++ sources in a folder the layering does not name")
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
