#!/usr/bin/env python3
"""Makes the files that carry the product's version and names from a release
file (KEY=VALUE lines in UTF-8, '#' comments; product/release.txt).

release.py merge RELEASE OUT [--name-file FILE] [--version V]
    RELEASE with the names of FILE and the version V put over it.
release.py get RELEASE KEY
    Prints one value.
release.py bundle RELEASE BUNDLE OUT [--language NAME]
    The string bundle BUNDLE with the product entries (ExeName, ClientName,
    CompanyName, CompanyUrl) put first, in the language NAME where the release
    file names them for it ("ClientName.en_US=Torvane").
release.py bundles RELEASE LANGUAGES LANG_DIR OUT_DIR OUT_RC
    Every bundle the LANGUAGES file lists ("en_US 0x0409" lines: the name and
    its Windows language id), LANG_DIR/NAME.xml made into OUT_DIR/NAME.xml,
    and the resource script OUT_RC that holds them all as "LANG" 104, each in
    its own resource language.
release.py version-rc RELEASE OUT --file NAME --suffix TEXT
    A resource script with VERSIONINFO 1 for the program NAME, described as the
    client name followed by TEXT.

Files are rewritten only when their bytes change, so a build does not redo
what depends on them.
"""
import argparse
import os
import re
import sys
from xml.sax.saxutils import escape

NAME_KEYS = ("ExeName", "ClientName", "CompanyName", "CompanyUrl")
KEYS = ("Version",) + NAME_KEYS + ("Copyright",)
BUNDLE_ID = 104


def split_key(key):
    """'ClientName.en_US' -> ('ClientName', 'en_US'); a plain key has no language."""
    base, _, language = key.partition(".")
    return base, language


class ReleaseError(Exception):
    pass


def read_release(path):
    values = {}
    with open(path, encoding="utf-8-sig") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            key, sep, value = line.partition("=")
            key, value = key.strip(), value.strip()
            base, language = split_key(key)
            valid = base in NAME_KEYS and re.fullmatch(r"[a-z]{2,3}_[A-Z]{2}", language) if language else key in KEYS
            if not sep or not valid:
                raise ReleaseError(f"{path}:{number}: expected one of {', '.join(KEYS)} as KEY=VALUE"
                                   " (a product name may carry a language: ClientName.en_US=...)")
            values[key] = value
    return values


def check_complete(values, path):
    missing = [k for k in KEYS if not values.get(k)]
    if missing:
        raise ReleaseError(f"{path}: no value for {', '.join(missing)}")
    version_numbers(values["Version"])


def version_numbers(text):
    """'6.2.10.03' -> (6, 2, 10, 3); one to four parts, each 0..65535."""
    parts = text.split(".")
    if not 1 <= len(parts) <= 4 or not all(re.fullmatch(r"[0-9]{1,5}", p) for p in parts):
        raise ReleaseError(f"version '{text}': expected one to four numbers joined by dots")
    numbers = [int(p) for p in parts]
    if any(n > 65535 for n in numbers):
        raise ReleaseError(f"version '{text}': each number must be at most 65535")
    return tuple(numbers + [0] * (4 - len(numbers)))


def write_if_changed(path, text):
    data = text.encode("utf-8")
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def render_release(values):
    named = sorted(k for k in values if split_key(k)[1])
    return "".join(f"{k}={values[k]}\n" for k in list(KEYS) + named)


def replace_names(values, names):
    """values with names put over them; a name replaced drops its translations
    unless the names carry their own."""
    merged = {k: v for k, v in values.items() if split_key(k)[0] not in names or k in names}
    merged.update(names)
    return merged


def read_languages(path):
    """[(name, language id)] from 'en_US 0x0409' lines ('#' comments)."""
    languages = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            m = re.fullmatch(r"([a-z]{2,3}_[A-Z]{2})\s+(0x[0-9A-Fa-f]{4})", line)
            if not m:
                raise ReleaseError(f"{path}:{number}: expected a language as 'en_US 0x0409'")
            languages.append((m.group(1), int(m.group(2), 16)))
    if not languages:
        raise ReleaseError(f"{path}: lists no language")
    return languages


def render_strings_rc(languages, out_dir):
    lines = ["// Made by scripts/release.py: one string bundle per language, all under one id."]
    for name, langid in languages:
        path = os.path.join(os.path.abspath(out_dir), name + ".xml").replace("\\", "/")
        lines.append(f"LANGUAGE {langid & 0x3FF:#x}, {langid >> 10:#x}")
        lines.append(f'{BUNDLE_ID} LANG "{path}"')
    return "\n".join(lines) + "\n"


def render_bundle(values, bundle_text, language=""):
    start = re.search(r"<StringBundle\s*>", bundle_text)
    if not start:
        raise ReleaseError("bundle: no <StringBundle> element")
    for key in NAME_KEYS:
        if re.search(r'<String\s+id="%s"' % key, bundle_text):
            raise ReleaseError(f"bundle: holds {key} itself; the release file is its one place")
    names = {k: values.get(f"{k}.{language}", values[k]) for k in NAME_KEYS}
    entries = "".join(f'\n\t<String id="{k}">{escape(names[k])}</String>' for k in NAME_KEYS)
    return bundle_text[:start.end()] + entries + bundle_text[start.end():]


def rc_string(text):
    return '"' + text.replace('"', '""') + '"'


def render_version_rc(values, file_name, suffix):
    numbers = ",".join(str(n) for n in version_numbers(values["Version"]))
    strings = [
        ("CompanyName", values["CompanyName"]),
        ("FileDescription", values["ClientName"] + suffix),
        ("FileVersion", values["Version"]),
        ("InternalName", os.path.splitext(file_name)[0]),
        ("LegalCopyright", values["Copyright"]),
        ("OriginalFilename", file_name),
        ("ProductName", values["ClientName"]),
        ("ProductVersion", values["Version"]),
    ]
    lines = [
        "// Made by scripts/release.py from the release file; not edited by hand.",
        "#pragma code_page(65001)",
        "1 VERSIONINFO",
        f"FILEVERSION {numbers}",
        f"PRODUCTVERSION {numbers}",
        "FILEFLAGSMASK 0x3F",
        "FILEFLAGS 0x0",
        "FILEOS 0x40004",   # VOS_NT_WINDOWS32
        "FILETYPE 0x1",     # VFT_APP
        "FILESUBTYPE 0x0",
        "BEGIN",
        '  BLOCK "StringFileInfo"',
        "  BEGIN",
        '    BLOCK "080404B0"',  # Chinese (PRC), UTF-16
        "    BEGIN",
    ]
    lines += [f"      VALUE {rc_string(k)}, {rc_string(v)}" for k, v in strings]
    lines += [
        "    END",
        "  END",
        '  BLOCK "VarFileInfo"',
        "  BEGIN",
        '    VALUE "Translation", 0x804, 1200',
        "  END",
        "END",
    ]
    return "\n".join(lines) + "\n"


def main(argv):
    parser = argparse.ArgumentParser(prog="release.py")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("merge")
    p.add_argument("release")
    p.add_argument("out")
    p.add_argument("--name-file")
    p.add_argument("--version")
    p = sub.add_parser("get")
    p.add_argument("release")
    p.add_argument("key", choices=KEYS)
    p = sub.add_parser("bundle")
    p.add_argument("release")
    p.add_argument("bundle")
    p.add_argument("out")
    p.add_argument("--language", default="")
    p = sub.add_parser("bundles")
    p.add_argument("release")
    p.add_argument("languages")
    p.add_argument("lang_dir")
    p.add_argument("out_dir")
    p.add_argument("out_rc")
    p = sub.add_parser("version-rc")
    p.add_argument("release")
    p.add_argument("out")
    p.add_argument("--file", required=True)
    p.add_argument("--suffix", default="")
    args = parser.parse_args(argv)

    values = read_release(args.release)
    if args.command == "merge":
        if args.name_file:
            names = read_release(args.name_file)
            if "Version" in names:
                raise ReleaseError(f"{args.name_file}: a name file holds no Version (use --version)")
            values = replace_names(values, names)
        if args.version is not None:
            values["Version"] = args.version
    check_complete(values, args.release)

    if args.command == "merge":
        write_if_changed(args.out, render_release(values))
    elif args.command == "get":
        print(values[args.key])
    elif args.command == "bundle":
        with open(args.bundle, encoding="utf-8") as f:
            write_if_changed(args.out, render_bundle(values, f.read(), args.language))
    elif args.command == "bundles":
        languages = read_languages(args.languages)
        for name, _ in languages:
            with open(os.path.join(args.lang_dir, name + ".xml"), encoding="utf-8") as f:
                write_if_changed(os.path.join(args.out_dir, name + ".xml"), render_bundle(values, f.read(), name))
        write_if_changed(args.out_rc, render_strings_rc(languages, args.out_dir))
    else:
        write_if_changed(args.out, render_version_rc(values, args.file, args.suffix))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (ReleaseError, OSError) as e:
        sys.stderr.write(f"release.py: {e}\n")
        sys.exit(1)
