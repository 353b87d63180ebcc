#!/usr/bin/env python3
"""Fails when a source file includes from a folder above its own, or the
operating system's headers outside a platform file.

The folders of src/ are layers; each may include only from itself and from
the folders listed for it here. Windows and POSIX calls live only in files
named <name>_win.cpp or <name>_posix.cpp. Run by ctest as test_layers.
"""
import pathlib
import re
import sys

BELOW = {
    "base": set(),
    "db": {"base"},
    "state": {"base", "db"},
    "dbversion": {"base", "db", "state"},
    "ftpupdate": {"base", "db", "state"},
    "seed": {"base", "db", "state"},
    "schema": {"base", "db", "state", "dbversion", "ftpupdate", "seed"},
    "app": {"base", "db", "state", "dbversion", "ftpupdate", "seed", "schema"},
    "gui": {"base", "db", "state", "dbversion", "ftpupdate", "seed", "schema", "app"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM = re.compile(r'^\s*#\s*include\s+<(windows\.h|winsock2\.h|shellapi\.h|unistd\.h|fcntl\.h|sys/[^>]+|arpa/[^>]+|netinet/[^>]+)>', re.M | re.I)
PLATFORM_FILE = re.compile(r'_(win|posix)\.cpp$')
WIDGETS = re.compile(r'^\s*#\s*include\s+<(QtWidgets/)?(QWidget|QApplication|QMessageBox|QLabel|QPushButton|QTableView|QtWidgets)\b', re.M)


def violations(src: pathlib.Path):
    folders = set(BELOW)
    for path in sorted(src.rglob("*")):
        if path.suffix not in {".h", ".cpp", ".in"} or path.parent == src:
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in BELOW:
            yield f"{path}: folder {folder} has no place among the layers"
            continue
        text = path.read_text(encoding="utf-8")
        for name in INCLUDE.findall(text):
            first = name.split("/")[0]
            if "/" not in name or first not in folders:
                continue  # a file of the same folder, a generated or outside header
            if first != folder and first not in BELOW[folder]:
                yield f"{path}: includes {name}, from a layer above {folder}"
        system = SYSTEM.search(text)
        if system and not PLATFORM_FILE.search(path.name):
            yield f"{path}: includes <{system.group(1)}> outside a platform file"
        if folder != "gui" and WIDGETS.search(text):
            yield f"{path}: includes a Qt Widgets header outside src/gui"


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = list(violations(src))
    for line in found:
        print(line)
    print(f"{len(found)} layering violation(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
