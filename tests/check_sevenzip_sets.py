#!/usr/bin/env python3
"""Checks that the two 7-Zip object sets can be linked into one program soundly.

check_sevenzip_sets.py OBJDUMP EXTRACT_ONLY_OBJS... -- FULL_OBJS...

The sets are compiled with and without Z7_EXTRACT_ONLY. A vtable or type_info that
both sets emit is a COMDAT the linker keeps one copy of, so it must be the same in
both: same bytes, same relocations. A polymorphic class whose bases or virtual members
follow the flag and is not renamed in the full set shows up here. Inline functions are
not compared: their out-of-line copies differ between objects by what the compiler
inlined into them. A strong symbol defined in both sets is reported as well.
"""
import os
import re
import subprocess
import sys

# Relocations against these refer to an offset in the object's own section, which
# differs from object to object; their addend bytes are masked, the target kept.
LOCAL_SECTIONS = {".text", ".data", ".bss", ".rdata"}


def run(objdump, *args):
    return subprocess.run([objdump, *args], check=True, capture_output=True, text=True).stdout


# vtables, type_info objects and their names
COMPARED = re.compile(r"^\.rdata\$_ZT[VIS]")


def comdat_sections(objdump, obj):
    """Indexes (1-based, as in the symbol table) and names of the COMDAT sections."""
    out, index = {}, None
    for line in run(objdump, "-h", obj).splitlines():
        m = re.match(r"^\s*(\d+)\s+(\S+)\s+[0-9a-f]+\s", line)
        if m:
            index = (int(m.group(1)) + 1, m.group(2))
        elif index and "LINK_ONCE" in line:
            out[index[0]] = index[1]
            index = None
    return out


def comdats(objdump, obj):
    """Compared COMDAT section name -> (bytes, relocations) of one object."""
    sections = {name for name in comdat_sections(objdump, obj).values() if COMPARED.match(name)}
    contents, current = {}, None
    for line in run(objdump, "-s", obj).splitlines():
        m = re.match(r"^Contents of section (.+):$", line)
        if m:
            current = m.group(1) if m.group(1) in sections else None
            if current:
                contents[current] = bytearray()
            continue
        m = re.match(r"^ [0-9a-f]+ (.{35})", line)
        if current and m:
            contents[current] += bytes.fromhex(m.group(1).replace(" ", ""))
    relocs, current = {}, None
    for line in run(objdump, "-r", obj).splitlines():
        m = re.match(r"^RELOCATION RECORDS FOR \[(.+)\]:$", line)
        if m:
            current = m.group(1) if m.group(1) in sections else None
            continue
        m = re.match(r"^([0-9a-f]+) (\S+)\s+(\S+)$", line)
        if current and m:
            offset, kind, target = int(m.group(1), 16), m.group(2), m.group(3)
            if target in LOCAL_SECTIONS and current in contents:
                contents[current][offset:offset + 4] = b"\0\0\0\0"
            relocs.setdefault(current, []).append((offset, kind, target))
    return {s: (bytes(contents.get(s, b"")), tuple(relocs.get(s, ()))) for s in sections}


def strong_definitions(objdump, obj):
    """External symbols the object defines outside any COMDAT."""
    comdat, out = comdat_sections(objdump, obj), set()
    for line in run(objdump, "-t", obj).splitlines():
        # [  5](sec  3)(fl 0x00)(ty   20)(scl   2) (nx 0) 0x00000000 _name
        m = re.match(r"^\[\s*\d+\]\(sec\s+(-?\d+)\)\(fl [^)]*\)\(ty [^)]*\)\(scl\s+2\) \(nx \d\) 0x[0-9a-f]+ (\S+)$", line)
        if m and int(m.group(1)) > 0 and int(m.group(1)) not in comdat:
            out.add(m.group(2))
    return out


def collect(objdump, objs):
    sets, strong = {}, {}
    for obj in objs:
        for sym in strong_definitions(objdump, obj):
            strong.setdefault(sym, obj)
        for sec, value in comdats(objdump, obj).items():
            sets.setdefault(sec, {}).setdefault(value, obj)
    return sets, strong


def name(variants):
    return ", ".join(sorted(os.path.basename(obj) for obj in variants.values()))


def main(argv):
    objdump, rest = argv[1], argv[2:]
    if "--" not in rest:
        sys.exit(__doc__)
    split = rest.index("--")
    extract_only, full = rest[:split], rest[split + 1:]
    if not extract_only or not full:
        sys.exit("both object sets must be given")
    a, a_strong = collect(objdump, extract_only)
    b, b_strong = collect(objdump, full)
    shared = sorted(set(a) & set(b))
    faults = []
    for sec in shared:
        if set(a[sec]) != set(b[sec]):
            faults.append(f"{sec} differs: {name(a[sec])} / {name(b[sec])}")
    for sym in sorted(set(a_strong) & set(b_strong)):
        faults.append(f"{sym} defined in {os.path.basename(a_strong[sym])} and {os.path.basename(b_strong[sym])}")
    print(f"{len(extract_only)} + {len(full)} objects, {len(shared)} vtables and type_infos in both sets")
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
