#!/usr/bin/env python3
"""Runs a link of the build again with some of its objects replaced.

relink.py --build DIR --out EXE [--replace NAME=PATH]... -- COMMAND

COMMAND is the link as ninja lists it (ninja -t commands TARGET: ': && ... && :',
run in the build folder). Each NAME must end exactly one input of the link, as
a whole path component; that input becomes PATH. The program goes to EXE; no
import library is written and nothing after the link (signing) runs. A link map
goes beside EXE (EXE.map): the build's own map describes the build's program.
"""
import argparse
import shlex
import subprocess
import sys


def link_words(command):
    """The words of the one step of COMMAND that names an output with -o."""
    steps, step = [], []
    for word in shlex.split(command):
        if word == "&&":
            steps.append(step)
            step = []
        else:
            step.append(word)
    steps.append(step)
    links = [s for s in steps if "-o" in s]
    if len(links) != 1:
        raise SystemExit(f"relink.py: expected one step with -o in the link, found {len(links)}")
    return links[0]


def rewrite(words, replacements, out):
    found = {name: 0 for name in replacements}
    result = []
    skip_next = False
    for i, word in enumerate(words):
        if skip_next:
            skip_next = False
            continue
        if word == "-o":
            result += ["-o", out]
            skip_next = True
            continue
        if word.startswith("-Wl,--out-implib,"):
            continue
        if word.startswith("-Wl,-Map="):
            word = "-Wl,-Map=" + out + ".map"
        for name, path in replacements.items():
            if word == name or word.endswith("/" + name):
                found[name] += 1
                word = path
                break
        result.append(word)
    wrong = [f"{name} ({count} inputs)" for name, count in found.items() if count != 1]
    if wrong:
        raise SystemExit("relink.py: the link does not name exactly one input for " + ", ".join(wrong))
    return result


def main():
    parser = argparse.ArgumentParser(prog="relink.py")
    parser.add_argument("--build", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--replace", action="append", default=[])
    parser.add_argument("command")
    args = parser.parse_args()
    replacements = {}
    for item in args.replace:
        name, sep, path = item.partition("=")
        if not sep or not name or not path:
            raise SystemExit(f"relink.py: --replace wants NAME=PATH, got {item!r}")
        replacements[name] = path
    words = rewrite(link_words(args.command), replacements, args.out)
    return subprocess.run(words, cwd=args.build).returncode


if __name__ == "__main__":
    sys.exit(main())
