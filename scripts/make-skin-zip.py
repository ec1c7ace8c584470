#!/usr/bin/env python3
"""Packs files into the skin archive, byte for byte the same on every build.

make-skin-zip.py OUTPUT FILE...

Entries are the files' base names, in sorted order, with one fixed time stamp
and fixed attributes, deflated at level 9. The archive is written beside OUTPUT
and renamed over it, so an interrupted build never leaves half an archive.
"""
import os
import sys
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def pack(output, files):
    entries = {}
    for path in files:
        name = os.path.basename(path)
        if name in entries:
            raise SystemExit("make-skin-zip: two files named %s: %s and %s" % (name, entries[name], path))
        entries[name] = path
    tmp = output + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0
            with open(entries[name], "rb") as f:
                z.writestr(info, f.read(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(tmp, output)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.stderr.write("usage: make-skin-zip.py OUTPUT FILE...\n")
        sys.exit(2)
    pack(sys.argv[1], sys.argv[2:])
