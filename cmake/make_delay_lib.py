#!/usr/bin/env python3
"""Makes a delay-import library from a system import library.

make_delay_lib.py NM DLLTOOL IMPORT_LIB OUT_ARCHIVE OUT_SCRIPT OUT_INPUT_SCRIPT

The functions are the import library's own (its __imp_ symbols); the library's
DLL name is the one the import library names. dlltool writes the delay-import
thunks (OUT_ARCHIVE), which call the C runtime's __delayLoadHelper2 on first use.

OUT_SCRIPT is a linker script standing in for the library: it names every
function's thunk as needed, then the archive. Without that, ld (2.40) drops the
code of a thunk whose function is called only through its __imp_ pointer, as
every dllimport declaration does, and leaves that pointer 0.

OUT_INPUT_SCRIPT names the archive only, for a link that asks for the thunks
its program uses itself (scripts/link_live_unwind.py): naming all of them
links every function's thunk and import entry (some 50 KB for gdiplus and
wininet).
"""
import pathlib
import re
import subprocess
import sys
import tempfile


def exports(nm, import_lib):
    """Def-file lines for the functions and data the import library imports."""
    symbols = subprocess.run([nm, import_lib], check=True, capture_output=True, text=True).stdout
    code, imported = set(), set()
    for line in symbols.splitlines():
        parts = line.split()
        if len(parts) != 3:
            continue
        kind, name = parts[1], parts[2]
        if kind == "I" and name.startswith("__imp__"):
            imported.add(name[len("__imp__"):])
        elif kind == "T" and name.startswith("_"):
            code.add(name[1:])
    # A name imported without a thunk is data, which cannot be delay-loaded.
    return [name if name in code else name + " DATA" for name in sorted(imported)]


def main(nm, dlltool, import_lib, out_archive, out_script, out_input_script):
    dll = subprocess.run([dlltool, "-I", import_lib], check=True, capture_output=True, text=True).stdout.strip()
    if not re.fullmatch(r"[\w.-]+\.dll", dll, re.I):
        sys.exit(f"make_delay_lib: {import_lib} names no single DLL ({dll!r})")
    lines = exports(nm, import_lib)
    if not lines:
        sys.exit(f"make_delay_lib: no imports found in {import_lib}")
    with tempfile.TemporaryDirectory() as tmp:
        def_file = pathlib.Path(tmp) / "imports.def"
        def_file.write_text(f"LIBRARY \"{dll}\"\nEXPORTS\n" + "".join(f"  {line}\n" for line in lines))
        # -k: the DLL exports the names without the stdcall @N suffix.
        subprocess.run([dlltool, "-k", "-d", str(def_file), "-D", dll, "-y", str(pathlib.Path(out_archive).resolve())],
                       check=True, cwd=tmp)
    functions = [line for line in lines if not line.endswith(" DATA")]
    # i686 C symbols carry a leading underscore.
    needed = "".join(f'  "_{name}"\n' for name in functions)
    header = f"/* {dll}, delay-loaded: made by make_delay_lib.py */\n"
    archive = f"INPUT(\"{pathlib.Path(out_archive).resolve()}\")\n"
    pathlib.Path(out_script).write_text(header + f"EXTERN(\n{needed})\n" + archive)
    pathlib.Path(out_input_script).write_text(header + archive)


if __name__ == "__main__":
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    main(*sys.argv[1:])
