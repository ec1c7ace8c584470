#!/usr/bin/env python3
"""Sums a GNU ld link map (-Wl,-Map) by library: how many bytes of the image's
code, data and unwind tables each static library (or loose object) brought.

Usage: map_sizes.py MAP [MAP...]   (one table per map)
"""
import collections
import os
import re
import sys

# An input section line: " .text$name 0xADDR 0xSIZE file" (the name may sit alone
# on the line before when it is long).
_LINE = re.compile(r'^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$')
_GROUPS = (('.text', 'code'), ('.rdata', 'rdata'), ('.data', 'data'), ('.bss', 'bss'),
           ('.eh_frame', 'eh_frame'), ('.pdata', 'unwind'), ('.xdata', 'unwind'))


def group_of(section):
    for prefix, group in _GROUPS:
        if section == prefix or section.startswith(prefix + '$') or section.startswith(prefix + '.'):
            return group
    if section.startswith('.ctors') or section.startswith('.dtors') or section.startswith('.CRT'):
        return 'data'
    return None


def owner_of(path):
    """The library an input came from: 'libfoo.a' for 'dir/libfoo.a(bar.o)'."""
    m = re.match(r'^(.*)\((.*)\)$', path)
    if m:
        lib = os.path.basename(m.group(1))
        return {'libstdc++.a': 'libstdc++', 'libsupc++.a': 'libstdc++'}.get(lib, lib)
    return 'objects: ' + os.path.basename(os.path.dirname(path) or '.')


def input_sections(path):
    """(kept, section, size, file) for each input section the map lists: those the
    link placed (kept) and those it discarded."""
    pending = None
    kept = None
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            if line.startswith('Discarded input sections'):
                kept = False
                continue
            if line.startswith('Memory Configuration'):
                kept = None
                continue
            if line.startswith('Linker script and memory map'):
                kept = True
                continue
            if kept is None:
                continue
            line = line.rstrip('\n')
            if re.match(r'^ \S+$', line):
                pending = line.strip()
                continue
            m = _LINE.match(line)
            if not m:
                pending = None
                continue
            section = m.group(1) or pending
            pending = None
            if section and not section.startswith('*'):
                yield kept, section, int(m.group(3), 16), m.group(4).strip()


def read_map(path):
    sums = collections.defaultdict(lambda: collections.Counter())
    for kept, section, size, owner in input_sections(path):
        group = group_of(section)
        if kept and size and group is not None:
            sums[owner_of(owner)][group] += size
    return sums


def print_table(path, sums):
    cols = ['code', 'rdata', 'data', 'eh_frame', 'unwind']
    print(f'== {os.path.basename(path)}: bytes by library (bss not counted in the total)')
    print(f'{"library":40}' + ''.join(f'{c:>10}' for c in cols) + f'{"total":>10}')
    rows = sorted(sums.items(), key=lambda kv: -sum(kv[1][c] for c in cols))
    grand = collections.Counter()
    for owner, c in rows:
        total = sum(c[k] for k in cols)
        if total == 0:
            continue
        grand.update({k: c[k] for k in cols})
        print(f'{owner[:40]:40}' + ''.join(f'{c[k]:>10}' for k in cols) + f'{total:>10}')
    print(f'{"all":40}' + ''.join(f'{grand[k]:>10}' for k in cols) + f'{sum(grand.values()):>10}')


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    for path in argv[1:]:
        print_table(path, read_map(path))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
