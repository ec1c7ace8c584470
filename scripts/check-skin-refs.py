#!/usr/bin/env python3
"""Checks that the skin archive holds every file its skins name.

check-skin-refs.py ARCHIVE [--require NAME]... [--list OUTPUT]

Every attribute whose name ends in "image" (bkimage, normalimage, shadowimage,
...) is read as an image attribute string: a bare name, or name='value' items of
which "file" or "res" give the name (an image with "restype" comes from a module
resource, not the archive). Include sources and Image names are checked too, and
each --require NAME (pictures that code names). Names are looked up as the skin's
reader does: without regard to case, with "\\" read as "/". Also fails on a start
tag whose attributes are not all double-quoted, which the skin's reader refuses.
Exits 1 and names each fault when anything is missing. --list writes the content
when the check passes (so a build step that produces it reruns until it does).
"""
import re
import sys
import xml.etree.ElementTree as ET
import zipfile

TAG = re.compile(r"<([A-Za-z_][\w:]*)((?:[^>\"']|\"[^\"]*\"|'[^']*')*?)/?>", re.S)
ATTRS = re.compile(r'^(?:\s+[\w:]+\s*=\s*"[^"]*")*\s*$', re.S)


def image_names(value):
    """The archive names an image attribute string refers to."""
    s = value.strip()
    if not s:
        return []
    first = re.match(r"[^\s=]*\s*(=?)", s)
    if not first.group(1):
        return [s]
    items, i, n = {}, 0, len(s)
    while i < n:
        while i < n and ord(s[i]) <= 0x20:
            i += 1
        j = i
        while j < n and s[j] != "=" and ord(s[j]) > 0x20:
            j += 1
        name = s[i:j]
        while j < n and s[j] == " ":
            j += 1
        if j >= n or s[j] != "=":
            break
        j += 1
        while j < n and s[j] == " ":
            j += 1
        if j >= n or s[j] != "'":
            break
        end = s.find("'", j + 1)
        if end < 0:
            break
        if end > j + 1:
            items[name] = s[j + 1:end]
        i = end + 1
        if i >= n or s[i] != " ":
            break
    if "restype" in items:
        return []
    name = items.get("file") or items.get("res")
    return [name] if name else []


def references(xml_name, text):
    """(where, name) pairs for every archive file the skin text names, and syntax faults."""
    refs, faults = [], []
    for m in TAG.finditer(text):
        if not ATTRS.match(m.group(2)):
            faults.append("%s: <%s> has an attribute that is not double-quoted" % (xml_name, m.group(1)))
    try:
        root = ET.fromstring(text.encode("utf-8"))
    except ET.ParseError as e:
        return refs, faults + ["%s: not well-formed: %s" % (xml_name, e)]
    for el in root.iter():
        tag = el.tag.lower()
        for attr, value in el.attrib.items():
            a = attr.lower()
            if a.endswith("image"):
                refs += [("%s <%s %s>" % (xml_name, el.tag, attr), n) for n in image_names(value)]
            elif tag == "include" and a == "source" and not value.lstrip().startswith("<"):
                refs.append(("%s <Include source>" % xml_name, value))
            elif tag == "image" and a == "name" and "restype" not in {k.lower() for k in el.attrib}:
                refs.append(("%s <Image name>" % xml_name, value))
    return refs, faults


def key(name):
    return name.replace("\\", "/").lower()


def check(archive, required=(), listing=None):
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        present = {key(i.filename) for i in infos}
        faults = []
        for info in infos:
            if info.filename.lower().endswith(".xml"):
                text = z.read(info).decode("utf-8-sig")
                refs, syntax = references(info.filename, text)
                faults += syntax
                faults += ["%s names '%s', which the archive lacks" % (where, n)
                           for where, n in refs if key(n) not in present]
    faults += ["code names '%s', which the archive lacks" % n for n in required if key(n) not in present]
    if listing and not faults:
        with open(listing, "w", encoding="utf-8") as f:
            for info in infos:
                f.write("%8d  %s\n" % (info.file_size, info.filename))
    return faults


def main(argv):
    args, required, listing = [], [], None
    it = iter(argv[1:])
    for a in it:
        if a == "--require":
            required.append(next(it))
        elif a == "--list":
            listing = next(it)
        else:
            args.append(a)
    if len(args) != 1:
        sys.stderr.write("usage: check-skin-refs.py ARCHIVE [--require NAME]... [--list OUTPUT]\n")
        return 2
    faults = check(args[0], required, listing)
    for f in faults:
        sys.stderr.write("skin: %s\n" % f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
