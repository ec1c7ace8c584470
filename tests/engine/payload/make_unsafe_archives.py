#!/usr/bin/env python3
"""Archives whose second item would land outside the extraction folder.

make_unsafe_archives.py OUT: OUT/unsafe_<case>.zip and OUT/unsafe_<case>.7z, each
holding "ok.txt" and then the unsafe item. Zip stores names as given; the 7z
archives are packed by 7zz under a harmless name of the same length, which is
then replaced in the (uncompressed) header and the header checksums redone.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

# case -> (item name, zip made on Windows (backslashes are separators there))
CASES = {
    "dotdot": ("../../x_dotdot.txt", False),
    "backslash_dotdot": ("..\\..\\x_backslash.txt", True),
    "drive": ("C:/torvane-unsafe-test/x_drive.txt", False),
    "drive_relative": ("C:x_drive_relative.txt", False),
    "rooted": ("/torvane-unsafe-test/x_rooted.txt", False),
    "unc": ("//server/share/x_unc.txt", False),
    "stream": ("ok.txt:x_stream", False),
    "inner_dotdot": ("sub/../../../x_inner.txt", False),
}


def make_zip(path, name, windows_made):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("ok.txt", "fine\n")
        info = zipfile.ZipInfo(name)
        if windows_made:
            info.create_system = 0
        z.writestr(info, "outside\n")


def make_7z(path, name, work):
    placeholder = "p" * len(name)
    for f, text in (("ok.txt", "fine\n"), (placeholder, "outside\n")):
        with open(os.path.join(work, f), "w") as out:
            out.write(text)
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["7zz", "a", "-bso0", "-bsp0", "-t7z", "-m0=Copy", "-mhc=off", "-mhe=off", "-mtm=off",
                    path, "ok.txt", placeholder], cwd=work, check=True)
    os.remove(os.path.join(work, placeholder))
    data = bytearray(open(path, "rb").read())
    offset, size = struct.unpack_from("<QQ", data, 12)
    header = 32 + offset
    old, new = placeholder.encode("utf-16-le"), name.encode("utf-16-le")
    at = data.find(old, header)
    assert at >= header and data.find(old, at + 1) < 0, "placeholder not found once in the header"
    data[at:at + len(new)] = new
    struct.pack_into("<I", data, 28, zlib.crc32(bytes(data[header:header + size])))
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])))
    open(path, "wb").write(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        for case, (name, windows_made) in CASES.items():
            make_zip(os.path.join(out, "unsafe_%s.zip" % case), name, windows_made)
            make_7z(os.path.join(out, "unsafe_%s.7z" % case), name, work)


if __name__ == "__main__":
    main()
