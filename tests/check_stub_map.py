#!/usr/bin/env python3
"""Checks the installer's link map for what keeps its stub small and its archives readable.

check_stub_map.py MAP EXE PAYLOAD STUB_BUDGET

- every object that registers a 7-Zip handler or codec the installer reads is linked
  (they are reached by no reference, only linked whole);
- no archive-writing or encoding object is linked;
- nothing brings the standard console streams (their static initialiser alone pulls
  in the file streams), nor the string streams and locales (a single ostringstream
  links some 700 KB of them), nor the runtime's demangler (its default terminate
  handler's, replaced by win/quiet_terminate.cpp);
- the stub, the exe less the payload archive, stays within STUB_BUDGET bytes.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'scripts'))
import map_sizes  # noqa: E402

REGISTERED = ['CRC.cpp', '7zRegister.cpp', 'CabRegister.cpp', 'ZipRegister.cpp', 'LzmaHandler.cpp',
              'Bcj2Register.cpp', 'BcjRegister.cpp', 'CopyRegister.cpp', 'Lzma2Register.cpp',
              'LzmaRegister.cpp', 'PpmdRegister.cpp', 'DeflateRegister.cpp', '7zAesRegister.cpp']
FORBIDDEN = ['ZipHandlerOut.cpp', 'ZipUpdate.cpp', 'ZipOut.cpp', 'ZipAddCommon.cpp', 'LzmaEnc.c',
             'Lzma2Enc.c', 'XzEnc.c', 'LzFind.c', 'MtCoder.c', 'ios_init.o', 'fstream-inst.o',
             'sstream-inst.o', 'ios-inst.o', 'locale-inst.o', 'locale_init.o', 'cp-demangle.o']


def linked_members(path):
    """Object names (without the .obj suffix) that put bytes into the image."""
    members = set()
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            m = re.search(r'\(([^()]+?)(?:\.obj)?\)\s*$', line)
            if m and re.match(r'^\s+(\S+\s+)?0x[0-9a-f]+\s+0x[0-9a-f]*[1-9a-f][0-9a-f]*\s', line):
                members.add(m.group(1))
    return members


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    map_path, exe, payload, budget = argv[1], argv[2], argv[3], int(argv[4])
    members = linked_members(map_path)
    failures = []
    failures += [f'not linked: {name}' for name in REGISTERED if name not in members]
    failures += [f'linked: {name}' for name in FORBIDDEN if name in members]
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
