#!/usr/bin/env python3
"""A link launcher: links a MinGW (i686, DWARF unwinding) program so that its
unwind tables no longer keep dead functions alive.

link_live_unwind.py COMMAND...   (COMMAND: the link as the build runs it)

The default PE link script KEEPs every .eh_frame input, and an unwind table
refers to the function it describes, so --gc-sections can drop no function
that has one: every inline or template function an object instantiates stays,
with its table, and so does every object a dead function merely names (MinGW's
whole printf, named by a library function nobody calls). The assembler gives
each COMDAT function (".text$NAME") its own table (".eh_frame$NAME"); the
object's other functions share its ".eh_frame". So the program is linked:
  1. keeping no table but the terminator: what code remains is what the
     program reaches;
  2. keeping the shared tables of the objects with code in 1, and
     ".eh_frame$NAME" for the COMDAT functions in 1.
The later links' own survivors are checked and the link is repeated with the
additions until every function kept whose object has a table for it keeps
that table: an exception passes through it as before. The tables stay in link
order (crtbegin.o's first: the runtime registers the section from there), and
crtend.o's (it opens with the zero terminator) stays last.

Delay-import thunks (cmake/DelayLoad.cmake, USED_THUNKS) are asked for here:
a function called through its __imp_ pointer only would lose its thunk's code
and call address 0, so the later links ask for the thunk of every function
whose delay-import entry the first link took from an archive.
"""
import os
import re
import subprocess
import sys

import map_sizes

KEEP_ALL = "KEEP(*(.eh_frame*))"
_PLAIN_NAME = re.compile(r'^[A-Za-z0-9_.$]+$')
MAX_ROUNDS = 6
# The maps are read by their English headings, whatever language the caller's
# messages are in.
C_LOCALE = dict(os.environ, LC_ALL='C')


def fail(message):
    sys.stderr.write("link_live_unwind.py: " + message + "\n")
    raise SystemExit(1)


def map_sections(path):
    """(kept, discarded): the input section names of a GNU ld link map."""
    kept, discarded = set(), set()
    for placed, section, _, _ in map_sizes.input_sections(path):
        (kept if placed else discarded).add(section)
    return kept, discarded


def archive_members(path):
    """(archive, member, symbol) for each archive member the map says was
    included, with the symbol that brought it."""
    member, found = None, []
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            if line.startswith(('Discarded input sections', 'Memory Configuration',
                                'Allocating common symbols')):
                break
            m = re.match(r'^(\S+)\((.+?)\)(\s|$)', line)
            if m:
                member = (m.group(1), m.group(2))
                line = line[m.end():]
            m = re.search(r'\(([^()\s]+)\)\s*$', line)
            if member and m and line.strip():
                found.append(member + (m.group(1),))
                member = None
    return found


def delay_thunks(path):
    """The thunk symbols (as the linker names them) of the functions whose
    delay-import entries a link took, by their __imp_ pointers, from an
    archive of cmake/make_delay_lib.py."""
    thunks = set()
    for archive, _, symbol in archive_members(path):
        # The map drops the one leading underscore every i686 symbol has.
        if archive.endswith('-delay.a') and symbol.startswith('_imp_'):
            thunks.add(symbol[len('_imp_'):])
    return thunks


def comdat_keys(names, prefix):
    return {n[len(prefix):] for n in names if n.startswith(prefix)}


def file_pattern(owner):
    """A link-script pattern for an input file as the map names it:
    'dir/libx.a(m.o)' is '*libx.a:m.o'."""
    m = re.match(r'^(.*)\((.*)\)$', owner)
    pattern = '*' + os.path.basename(m.group(1)) + ':' + m.group(2) if m else owner
    if not re.match(r'^[\w./*:+~-]+$', pattern):
        fail("an input file the link script cannot name: " + owner)
    return pattern


def script_text(default_script, keys, dead_objects=None):
    """The default script keeping the tables of COMDAT `keys` and the shared
    tables of every object but `dead_objects` (None: of no object)."""
    def pattern(key):
        name = '.eh_frame$' + key
        return name if _PLAIN_NAME.match(name) else '"' + name + '"'
    if dead_objects is None:
        shared = []
        excluded = ['*crtend.o']
    else:
        shared = ['.eh_frame']
        excluded = ['*crtend.o'] + [file_pattern(o) for o in sorted(dead_objects)]
    tables = ' '.join(shared + [pattern(k) for k in sorted(keys)])
    statement = 'KEEP(*crtend.o(.eh_frame))'
    if tables:
        statement = 'KEEP(*(EXCLUDE_FILE(' + ' '.join(excluded) + ') ' + tables + ')) ' + statement
    return default_script.replace(KEEP_ALL, statement)


def objects_with_code(path):
    """(with code, with a shared table): the input files of a map that put code
    into the image, and those that have a shared unwind table, kept or not."""
    code, tables = set(), set()
    for placed, section, size, owner in map_sizes.input_sections(path):
        if placed and size and (section == '.text' or section.startswith(('.text$', '.text.'))):
            code.add(owner)
        if section == '.eh_frame' and size:
            tables.add(owner)
    return code, tables


def linker_of(words):
    for word in words:
        if re.search(r'(g\+\+|gcc|c\+\+)(-[\w.]+)?$', os.path.basename(word)):
            ld = subprocess.run([word, '-print-prog-name=ld'], capture_output=True, text=True,
                                check=True).stdout.strip()
            return ld
    fail("no compiler driver in the link command")


def default_script(ld):
    text = subprocess.run([ld, '--verbose'], capture_output=True, text=True, check=True,
                          env=C_LOCALE).stdout
    parts = text.split('==================================================')
    if len(parts) < 3:
        fail("the linker printed no default script")
    script = parts[1]
    if script.count(KEEP_ALL) != 1:
        fail("the default script does not keep the unwind tables as expected")
    return script


def link(words, output, map_path, script_path, undefined=()):
    """COMMAND with its output, map and script replaced and the symbols in
    `undefined` asked for; the exit status."""
    result, skip = [], False
    for word in words:
        if skip:
            skip = False
            continue
        if word == '-o':
            result += ['-o', output]
            skip = True
            continue
        if word.startswith('-Wl,-Map='):
            continue
        result.append(word)
    result += ['-Wl,-Map=' + map_path, '-Wl,-T,' + script_path]
    result += ['-Wl,--undefined=' + symbol for symbol in sorted(undefined)]
    return subprocess.run(result, env=C_LOCALE).returncode


def main(words):
    if '-o' not in words or words.index('-o') + 1 >= len(words):
        fail("the link command names no output")
    output = words[words.index('-o') + 1]
    maps = [w[len('-Wl,-Map='):] for w in words if w.startswith('-Wl,-Map=')]
    work = output + '.unwind'
    os.makedirs(work, exist_ok=True)
    final_map = maps[-1] if maps else os.path.join(work, 'final.map')
    base = default_script(linker_of(words))

    # The first link: no table kept, to see which code lives.
    first_script = os.path.join(work, 'first.x')
    with open(first_script, 'w') as f:
        f.write(script_text(base, set(), None))
    first_words = [w for w in words if not w.startswith('-Wl,--out-implib,')]
    status = link(first_words, os.path.join(work, 'first.exe'), os.path.join(work, 'first.map'),
                  first_script)
    if status:
        return status
    kept, discarded = map_sections(os.path.join(work, 'first.map'))
    os.remove(os.path.join(work, 'first.exe'))
    if not any(n.startswith('.text') for n in kept):
        fail("the first link's map lists no code")
    tables = comdat_keys(kept | discarded, '.eh_frame$')
    keys = comdat_keys(kept, '.text$') & tables
    code, shared = objects_with_code(os.path.join(work, 'first.map'))
    dead = shared - code
    thunks = delay_thunks(os.path.join(work, 'first.map'))

    script = os.path.join(work, 'final.x')
    for _ in range(MAX_ROUNDS):
        with open(script, 'w') as f:
            f.write(script_text(base, keys, dead))
        status = link(words, output, final_map, script, thunks)
        if status:
            return status
        kept, discarded = map_sections(final_map)
        tables = comdat_keys(kept | discarded, '.eh_frame$')
        live = comdat_keys(kept, '.text$') & tables
        code, _ = objects_with_code(final_map)
        revived = dead & code
        if live <= keys and not revived:
            lost = live - comdat_keys(kept, '.eh_frame$')
            if lost:
                fail("kept functions lost their unwind tables: " + ', '.join(sorted(lost)[:5]))
            return 0
        keys |= live
        dead -= revived
    fail("the set of kept functions did not settle")


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
