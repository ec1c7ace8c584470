#!/usr/bin/env python3
"""Zip archives whose one item names a method the installer does not decode.

make_zip_methods.py OUT: OUT/method_<name>.zip, each holding "top.txt" stored and
then relabelled with the method's number in both the local and the central
header. A reader that refuses the method reports it unsupported; one that tried
to decode the stored bytes would fail on the data instead.
"""
import os
import struct
import sys
import zipfile

METHODS = {"shrink": 1, "implode": 6, "bzip2": 12, "zstd": 93, "xz": 95, "lzfse": 99}


def relabel(path, method):
    data = bytearray(open(path, "rb").read())
    local = data.find(b"PK\x03\x04")
    central = data.find(b"PK\x01\x02")
    if local < 0 or central < 0:
        raise SystemExit(f"{path}: no headers")
    struct.pack_into("<H", data, local + 8, method)
    struct.pack_into("<H", data, central + 10, method)
    open(path, "wb").write(bytes(data))


def main(out):
    for name, method in METHODS.items():
        path = os.path.join(out, f"method_{name}.zip")
        with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
            z.writestr("top.txt", "stored, labelled as another method\n" * 8)
        relabel(path, method)


if __name__ == "__main__":
    main(sys.argv[1])
