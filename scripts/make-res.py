#!/usr/bin/env python3
"""Writes a .res file holding one file as a resource of a string type and a numeric id:
make-res.py TYPE ID INPUT OUTPUT. windres cannot name a type that starts with a digit ("7Z")."""
import struct
import sys


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def entry(type_field, name_field, data, lang=0):
    header_rest = pad4(type_field + name_field) + struct.pack("<IHHII", 0, 0x30, lang, 0, 0)
    header = struct.pack("<II", len(data), 8 + len(header_rest)) + header_rest
    return header + pad4(data)


rtype, rid, src, dst = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
with open(src, "rb") as f:
    data = f.read()
out = entry(b"\xff\xff\x00\x00", b"\xff\xff\x00\x00", b"")  # the empty first entry of every .res
out += entry(rtype.upper().encode("utf-16-le") + b"\0\0", struct.pack("<HH", 0xFFFF, rid), data)
with open(dst, "wb") as f:
    f.write(out)
