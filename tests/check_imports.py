#!/usr/bin/env python3
"""Fails when a program's import table names a library Windows may take from
outside its system folder: the program runs elevated from a downloads folder,
where such a DLL could be planted beside it, and imports load before its entry
can restrict the search. Everything else must be delay-loaded or loaded at run
time after win::RestrictLibrarySearch.

check_imports.py EXE [--refused]
--refused: the check must refuse EXE (a program made to import wininet directly).
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from pe_imports import KNOWN_DLLS, imported_dlls  # noqa: E402

# Taken from the side-by-side store when the program's manifest asks for version 6.
COMMON_CONTROLS = "comctl32.dll"
COMMON_CONTROLS_MANIFEST = b"Microsoft.Windows.Common-Controls"


def refusals(exe):
    names = imported_dlls(exe)
    has_manifest = COMMON_CONTROLS_MANIFEST in pathlib.Path(exe).read_bytes()
    refused = []
    for name in names:
        lower = name.lower()
        if lower in KNOWN_DLLS or (lower == COMMON_CONTROLS and has_manifest):
            continue
        refused.append(name)
    return names, refused


def main(argv):
    if not argv or len(argv) > 2 or (len(argv) == 2 and argv[1] != "--refused"):
        sys.exit(__doc__)
    names, refused = refusals(argv[0])
    print(f"{argv[0]} imports: {', '.join(names)}")
    if len(argv) == 2:
        if refused:
            print(f"refused as expected: {', '.join(refused)}")
            return 0
        print("FAILED: the check let through a program it must refuse", file=sys.stderr)
        return 1
    for name in refused:
        print(f"FAILED: {name} is imported; delay-load it (torvane_delay_load) or load it at run time",
              file=sys.stderr)
    return 1 if refused else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
