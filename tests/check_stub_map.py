#!/usr/bin/env python3
"""Checks the installer's link map for what keeps its stub small and its archives readable.

check_stub_map.py MAP EXE PAYLOAD STUB_BUDGET

- every object that registers a 7-Zip handler or codec the installer reads is linked
  (they are reached by no reference, only linked whole);
- no archive-writing or encoding object is linked;
- nothing brings the standard console streams (their static initialiser alone pulls
  in the file streams), nor the string streams and locales (a single ostringstream
  links some 700 KB of them), nor the runtime's demangler (its default terminate
  handler's, replaced by win/quiet_terminate.cpp), nor MinGW's own printf and
  number conversion (the C runtime's serve; some 50 KB);
- every COMDAT function linked, and every object with code linked, keeps its unwind
  table where its object has one, and
  the table that ends them all (crtend.o's) comes last: exceptions still pass through
  the code that the live-only link (scripts/link_live_unwind.py) kept;
- every delay-loaded function the program imports keeps its thunk's code: without
  it the function's import entry points nowhere;
- the stub, the exe less the payload archive, stays within STUB_BUDGET bytes.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'scripts'))
import map_sizes  # noqa: E402
import link_live_unwind  # noqa: E402

REGISTERED = ['CRC.cpp', '7zRegister.cpp', 'CabRegister.cpp', 'ZipRegister.cpp', 'LzmaHandler.cpp',
              'Bcj2Register.cpp', 'BcjRegister.cpp', 'CopyRegister.cpp', 'Lzma2Register.cpp',
              'LzmaRegister.cpp', 'PpmdRegister.cpp', 'DeflateRegister.cpp', '7zAesRegister.cpp']
FORBIDDEN = ['ZipHandlerOut.cpp', 'ZipUpdate.cpp', 'ZipOut.cpp', 'ZipAddCommon.cpp', 'LzmaEnc.c',
             'Lzma2Enc.c', 'XzEnc.c', 'LzFind.c', 'MtCoder.c', 'ios_init.o', 'fstream-inst.o',
             'sstream-inst.o', 'ios-inst.o', 'locale-inst.o', 'locale_init.o', 'cp-demangle.o']

# MinGW's printf engines and its gdtoa number conversion, by member name.
FORBIDDEN_PATTERN = re.compile(r'mingw_pformatw?\.o$|-(gdtoa|strtodg)\.o$')


def linked_members(path):
    """Archive member names (without the .obj suffix) that put bytes into the image:
    sections the link placed, not those it read and discarded."""
    members = set()
    for placed, _, size, owner in map_sizes.input_sections(path):
        m = re.search(r'\(([^()]+?)(?:\.obj)?\)$', owner)
        if placed and size and m:
            members.add(m.group(1))
    return members


def unwind_failures(path):
    kept, discarded = link_live_unwind.map_sections(path)
    tables = link_live_unwind.comdat_keys(kept | discarded, '.eh_frame$')
    code = link_live_unwind.comdat_keys(kept, '.text$') & tables
    lost = sorted(code - link_live_unwind.comdat_keys(kept, '.eh_frame$'))
    failures = [f'no unwind table for the linked {name}' for name in lost[:10]]
    objects, shared = link_live_unwind.objects_with_code(path)
    kept_shared = {owner for placed, section, size, owner in map_sizes.input_sections(path)
                   if placed and size and section == '.eh_frame'}
    failures += [f'no unwind table for the code of {o}' for o in sorted((objects & shared) - kept_shared)[:10]]
    last = None
    in_layout = False
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            in_layout = in_layout or line.startswith('Linker script and memory map')
            m = re.match(r'^ (\.eh_frame\S*)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)', line)
            if in_layout and m and int(m.group(2), 16):
                last = m.group(3)
    if not last or os.path.basename(last) != 'crtend.o':
        failures.append(f'the last unwind table comes from {last}, not crtend.o')
    return failures


def thunkless_delay_imports(path):
    """Delay-import members (cmake/make_delay_lib.py's archives) whose import entry
    the link placed without the thunk code that entry starts out pointing to."""
    entries, code = set(), set()
    for placed, section, size, owner in map_sizes.input_sections(path):
        if not placed or not size or not re.search(r'-delay\.a\(.*_s\d+\.o\)$', owner):
            continue
        if section == '.idata$5':
            entries.add(owner)
        elif section == '.text' or section.startswith('.text$'):
            code.add(owner)
    return sorted(entries - code)


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    map_path, exe, payload, budget = argv[1], argv[2], argv[3], int(argv[4])
    members = linked_members(map_path)
    failures = []
    failures += [f'not linked: {name}' for name in REGISTERED if name not in members]
    failures += [f'linked: {name}' for name in FORBIDDEN if name in members]
    failures += [f'linked: {name}' for name in sorted(members) if FORBIDDEN_PATTERN.search(name)]
    failures += unwind_failures(map_path)
    failures += [f'delay import without its thunk: {m}' for m in thunkless_delay_imports(map_path)[:10]]
    stub = os.path.getsize(exe) - os.path.getsize(payload)
    if stub > budget:
        failures.append(f'stub {stub} bytes, over the budget of {budget}')
    if not map_sizes.read_map(map_path):
        failures.append('the map lists no input sections')
    for failure in failures:
        print(failure)
    print(f'stub {stub} bytes (budget {budget}); {len(members)} objects with bytes in the image')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
