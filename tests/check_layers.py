#!/usr/bin/env python3
"""Fails when a lower layer includes a higher one.

ui/ is a framework and knows nothing of the installer; engine/ and report/ know
nothing of windows or of the application that drives them.
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
forbidden = {
    "win": ("app/", "engine/", "report/", "ui/"),
    "ui": ("app/", "engine/", "report/"),
    "engine": ("app/", "ui/"),
    "report": ("app/", "ui/"),
    "tools": ("app/", "engine/", "report/"),
}
include = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.M)
faults = []
for layer, banned in forbidden.items():
    for path in sorted((root / layer).rglob("*")):
        if path.suffix not in (".h", ".hpp", ".cpp", ".c", ".inl"):
            continue
        for target in include.findall(path.read_text(encoding="utf-8", errors="replace")):
            if target.startswith(banned):
                faults.append(f"{path.relative_to(root)} includes {target}")
for f in faults:
    print(f)
print(f"{len(faults)} layer violation(s)")
sys.exit(1 if faults else 0)
