#!/usr/bin/env python3
"""Plants marker DLLs beside a copy of a program and runs it under Wine.

planted_dlls.py WINE_RUN MARKER_DLL (--none|--some) [--exit N] [--wine-skip NAME]... EXE [ARG...]

Each marker is the same DLL under a system DLL's name; loaded, it leaves a file of
its name in a marker folder. Wine is told to prefer them to its own (n,b), as
Windows would for a non-KnownDLL found first in the program's folder. The program
runs from its temporary folder (the current folder is searched too). "{tmp}" in
an argument becomes a fresh folder's Windows path.

--none: no marker may appear (the program's DLLs all come from the system folder).
--some: a marker must appear (the check of a program that does not restrict).
--exit N: the program's exit code must be N.
--wine-skip NAME: NAME, and what Wine's NAME imports, is not planted. For a
  library that one of Wine's own DLLs delay-loads (Wine's gdiplus: windowscodecs):
  Wine resolves those loads by the default search, ignoring
  SetDefaultDllDirectories, where Windows applies it.
"""
import glob
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
from pe_imports import KNOWN_DLLS, imported_dlls  # noqa: E402

# The libraries outside the KnownDLLs that a program of ours may load by name,
# directly or through a system library.
PLANTED = (
    "gdiplus", "wininet", "msimg32", "version", "uxtheme", "dwmapi", "winmm", "crypt32",
    "iphlpapi", "userenv", "comctl32", "winhttp", "urlmon", "secur32", "netapi32", "wtsapi32",
    "propsys", "cryptbase", "cryptsp", "rsaenh", "bcrypt", "dbghelp", "mpr", "profapi",
    "winspool", "wintrust", "msi", "ntmarta", "srvcli", "sspicli", "textshaping", "windowscodecs",
)


def wine_builtin_folder():
    folders = glob.glob("/usr/lib/*/wine/i386-windows") + glob.glob("/usr/lib/wine/i386-windows")
    return pathlib.Path(folders[0]) if folders else None


def wine_closure(names):
    """The names with everything Wine's own DLLs of those names import, lower case."""
    builtin = wine_builtin_folder()
    seen, pending = set(), [name.lower() for name in names]
    while pending:
        name = pending.pop()
        if name in seen:
            continue
        seen.add(name)
        if builtin and (builtin / name).is_file():
            pending.extend(n.lower() for n in imported_dlls(builtin / name))
    return seen


def wine_loads_ahead(exe):
    """Planted names that Wine's own KnownDLLs import, so that Wine loads them with
    the program's imports, before its entry can restrict the search. Windows' own
    DLLs do not import them (Wine's user32 imports version.dll, Windows' does not):
    those names are left out, since no program could keep them out."""
    seen = wine_closure(name for name in imported_dlls(exe) if name.lower() in KNOWN_DLLS)
    return {name for name in PLANTED if f"{name}.dll" in seen}


def windows_path(path):
    """Wine's Z: drive is the Linux root."""
    return "Z:" + str(path).replace("/", "\\")


def main(argv):
    if len(argv) < 4 or argv[2] not in ("--none", "--some"):
        sys.exit(__doc__)
    wine_run, marker, expect = str(pathlib.Path(argv[0]).resolve()), pathlib.Path(argv[1]), argv[2]
    rest = argv[3:]
    want_exit, skipped = None, set()
    while rest[:1] in (["--exit"], ["--wine-skip"]):
        if rest[0] == "--exit":
            want_exit = int(rest[1])
        else:
            skipped.add(rest[1])
        rest = rest[2:]
    exe, args = pathlib.Path(rest[0]), rest[1:]

    with tempfile.TemporaryDirectory(prefix="planted-") as tmp:
        tmp = pathlib.Path(tmp)
        program_dir, markers, scratch = tmp / "program", tmp / "markers", tmp / "scratch"
        for folder in (program_dir, markers, scratch):
            folder.mkdir()
        shutil.copy2(exe, program_dir / exe.name)
        ahead = wine_loads_ahead(exe)
        # What a skipped library imports is loaded by the same search.
        skipped = {name for name in PLANTED if f"{name}.dll" in wine_closure(f"{n}.dll" for n in skipped)}
        planted = [name for name in PLANTED if name not in ahead and name not in skipped]
        if ahead:
            print("not planted, Wine's own DLLs import them: " + ", ".join(sorted(ahead)))
        if skipped:
            print("not planted, Wine's own DLLs delay-load them: " + ", ".join(sorted(skipped)))
        for name in planted:
            shutil.copy2(marker, program_dir / f"{name}.dll")

        env = dict(os.environ)
        env["TORVANE_MARKER_DIR"] = windows_path(markers)
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d;" + ",".join(planted) + "=n,b"
        args = [a.replace("{tmp}", windows_path(scratch)) for a in args]
        # Output to files, not pipes: a Wine process the program starts (the
        # desktop) would hold a pipe open after the program ends.
        with open(tmp / "stdout", "w+b") as out, open(tmp / "stderr", "w+b") as err:
            run = subprocess.run([wine_run, str(program_dir / exe.name), *args], cwd=program_dir, env=env,
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=600)
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        print(stdout.decode("utf-8", "replace"), end="")
        loaded = sorted(p.name for p in markers.iterdir())

    failures = []
    if expect == "--none" and loaded:
        failures.append("planted DLLs were loaded: " + ", ".join(loaded))
    if expect == "--some" and not loaded:
        failures.append("no planted DLL was loaded: the check cannot see planting")
    if want_exit is not None and run.returncode != want_exit:
        failures.append(f"exit code {run.returncode}, expected {want_exit}")
        print(stderr.decode("utf-8", "replace")[-3000:], file=sys.stderr)
    print("planted DLLs loaded: " + (", ".join(loaded) if loaded else "none"))
    for failure in failures:
        print("FAILED: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
