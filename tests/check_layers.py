#!/usr/bin/env python3
"""Fails when a lower layer reaches into a higher one, by #include or by CMake link.

win/ is the ground floor and knows no layer; ui/ is a framework and knows nothing
of the installer; engine/ and report/ know nothing of windows or of the
application that drives them, and report/ nothing of the engine (the engine's
worker sends the report, handing in what it needs).

Inside ui/ the framework stands on three floors that include only downward:
ui/base (markup, resources, rendering, the control and container base classes,
the paint manager), ui/controls (the concrete controls) and ui/builder (the skin
builder, the control factory and the window base).

check_layers.py ROOT   checks the tree; check_layers.py --self-test checks the checker.
"""
import pathlib
import re
import sys
import tempfile

FORBIDDEN = {
    "win": ("app", "engine", "report", "ui", "uninstaller"),
    "ui": ("app", "engine", "report", "uninstaller"),
    "engine": ("app", "ui", "uninstaller"),
    "report": ("app", "engine", "ui", "uninstaller"),
    "tools": ("app", "engine", "report", "uninstaller"),
    "app": ("uninstaller",),
    "uninstaller": ("report",),
}
LAYERS = ("app", "engine", "report", "ui", "win", "tools", "uninstaller")
# The framework's floors, lowest first; a file may include its own floor and those below.
UI_FLOORS = ("base", "controls", "builder")
SOURCES = (".h", ".hpp", ".cpp", ".c", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.M)
ADD_LIBRARY = re.compile(r'add_library\(\s*([\w$-]+)')
LINK = re.compile(r'target_link_libraries\(\s*([\w${}-]+)([^)]*)\)', re.S)


def layer_of_include(target):
    top = target.split("/", 1)[0]
    return top if "/" in target and top in LAYERS else None


def ui_floor_of(path):
    """The floor of a ui/ file or include path ("ui/base/x.h" -> "base"), else None."""
    parts = path.split("/")
    return parts[1] if len(parts) > 2 and parts[0] == "ui" and parts[1] in UI_FLOORS else None


def ui_floor_faults(root):
    """Includes from a lower ui floor up to a higher one, and files outside every floor."""
    faults = []
    for path in sorted((root / "ui").rglob("*")):
        if path.suffix not in SOURCES:
            continue
        rel = path.relative_to(root).as_posix()
        floor = ui_floor_of(rel)
        if floor is None:
            faults.append(f"{rel} stands on no ui floor ({', '.join(UI_FLOORS)})")
            continue
        for target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            other = ui_floor_of(target)
            if other is not None and UI_FLOORS.index(other) > UI_FLOORS.index(floor):
                faults.append(f"{rel} includes {target} (ui/{floor} is below ui/{other})")
    return faults


def library_layers(root):
    """Library name -> the layer whose CMakeLists defines it."""
    owners = {}
    for layer in LAYERS:
        for cmake in sorted((root / layer).rglob("CMakeLists.txt")):
            for name in ADD_LIBRARY.findall(cmake.read_text(encoding="utf-8", errors="replace")):
                owners[name] = layer
    return owners


def faults_in(root):
    faults = []
    for layer, banned in FORBIDDEN.items():
        for path in sorted((root / layer).rglob("*")):
            if path.suffix not in SOURCES:
                continue
            for target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                if layer_of_include(target) in banned:
                    faults.append(f"{path.relative_to(root)} includes {target}")
    owners = library_layers(root)
    for layer, banned in FORBIDDEN.items():
        for cmake in sorted((root / layer).rglob("CMakeLists.txt")):
            text = cmake.read_text(encoding="utf-8", errors="replace")
            for target, args in LINK.findall(text):
                for dep in args.split():
                    if owners.get(dep) in banned:
                        faults.append(f"{cmake.relative_to(root)}: {target} links {dep} ({owners[dep]}/)")
    return faults + ui_floor_faults(root)


def self_test():
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        files = {
            "win/CMakeLists.txt": "add_library(w STATIC a.cpp)\n",
            "win/a.cpp": '#include "win/a.h"\n',
            "engine/CMakeLists.txt": "add_library(e STATIC r.cpp)\ntarget_link_libraries(e PUBLIC w rep)\n",
            "engine/r.cpp": '#include "report/x.h"\n#include "win/a.h"\n',
            "report/CMakeLists.txt": "add_library(rep STATIC x.cpp)\ntarget_link_libraries(rep PUBLIC w\n  e)\n",
            "report/x.cpp": '#include "engine/r.h"\n#include <engine_like.h>\n',
            "ui/base/u.cpp": '#include "app/main.h"\n#include "ui/base/v.h"\n',
            "ui/base/v.h": '#include "ui/controls/label.h"\n',
            "ui/controls/label.h": '#include "ui/base/v.h"\n#include "ui/builder/b.h"\n',
            "ui/builder/b.h": '#include "ui/controls/label.h"\n#include "ui/base/v.h"\n',
            "ui/stray.cpp": '#include "ui/base/v.h"\n',
        }
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        got = faults_in(root)
        want = ["report/x.cpp includes engine/r.h", "ui/base/u.cpp includes app/main.h",
                "report/CMakeLists.txt: rep links e (engine/)",
                "ui/base/v.h includes ui/controls/label.h (ui/base is below ui/controls)",
                "ui/controls/label.h includes ui/builder/b.h (ui/controls is below ui/builder)",
                "ui/stray.cpp stands on no ui floor (base, controls, builder)"]
        if sorted(got) != sorted(want):
            print("self-test: expected", sorted(want), "got", sorted(got))
            return 1
        print(f"self-test: {len(want)} planted violations found, nothing else")
        return 0


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--self-test":
        return self_test()
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    faults = faults_in(root)
    for f in faults:
        print(f)
    print(f"{len(faults)} layer violation(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
