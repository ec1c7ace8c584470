#!/usr/bin/env python3
"""Every text the installer's windows show fits its control at 96 DPI, in every
language: skinview lays out each language's skins with the texts the code puts
in them (from the built string bundles) and measures each one in its font, under
every UI language Wine can run in ("/lang=" shows any skin on any Windows, and
the fonts Windows stands in for a missing face differ by UI language)."""
import os
import re
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

import itertools

from skin_layout_test import SKIN_ZIP, SKINVIEW, WINE_RUN, winpath

BUNDLE_DIR = os.environ["TORVANE_BUNDLE_DIR"]
LANGUAGES = os.environ["TORVANE_LANGUAGES"]

LINE = re.compile(r"^\s*(\S+) (\S+) (-?\d+),(-?\d+),(-?\d+),(-?\d+) visible=(\d) enabled=\d "
                  r"textw=(\d+) room=(-?\d+) text=(.*)$")

# The texts the code sets, by control: each is tried in turn.
MAIN_TEXTS = {
    "lab_captionTitle": ["MESSAGEBOX_CAPITON"],
    "lab_install_tip": ["INSTALLING_TEXT"],
    "btn_userprot": ["USER_AGREEMENT"],
    "lab_install_completed": ["INSTALL_COMPLETE", "MESSAGEBOX_INSTERROR_2_TEXT"],
    "btn_open_zelk": ["START_NOW", "OK"],
}
BUTTON_WORDS = ["OK", "CANCEL", "Y", "N", "DOWNLOAD_PKG", "CONTINUE"]
BOX_TEXTS = {
    "txt_caption": ["MESSAGEBOX_CAPITON", "INSTALL_TIPS", "UNINSTALL_CAPTION"],
    "btn_ok": BUTTON_WORDS,
    "btn_no": BUTTON_WORDS,
}
# Shown by the code, hidden in the markup.
SHOWN = {"hor_separator", "hor_userdefine", "lab_install_tip", "lab_install_completed"}


def languages():
    with open(LANGUAGES, encoding="utf-8") as f:
        return [line.split()[0] for line in f if line.strip() and not line.startswith("#")]


def bundle(language):
    root = ET.parse(os.path.join(BUNDLE_DIR, language + ".xml")).getroot()
    return {e.get("id"): (e.text or "").strip() for e in root.iter("String")}


def rewrite(markup, texts, page=None, size=None):
    """The skin with `texts` put in the named controls, every hidden part shown,
    tab_install_view on `page` and the window `size`."""
    root = ET.fromstring(markup.encode("utf-8"))
    if size:
        root.set("size", size)
    for element in root.iter():
        name = element.get("name")
        if name in texts:
            element.set("text", texts[name])
        if name in SHOWN:
            element.set("visible", "true")
        if name == "tab_install_view" and page is not None:
            element.set("selectedid", str(page))
    return ET.tostring(root, encoding="unicode")


def skinview(ui_language, *args):
    # The whole locale: the faces Wine stands in for a missing one follow its code page.
    env = dict(os.environ, TORVANE_WINE_LANG=ui_language + ".UTF-8", LANG=ui_language + ".UTF-8")
    run = subprocess.run([WINE_RUN, SKINVIEW, *args], capture_output=True, timeout=120, stdin=subprocess.DEVNULL,
                         env=env)
    return run.returncode, run.stdout.decode("utf-8", "replace").replace("\r", "")


def measure(ui_language, entry, markup, size=None):
    """[(control, textw, room, text)] of the visible labels with text."""
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "skin.zip")
        with zipfile.ZipFile(SKIN_ZIP) as src, zipfile.ZipFile(copy, "w") as dst:
            for item in src.infolist():
                dst.writestr(item, markup.encode("utf-8") if item.filename == entry else src.read(item))
        args = ["tree", "--zip", winpath(copy), entry] + (["--size", size] if size else [])
        code, out = skinview(ui_language, *args)
    assert code == 0, out
    found = []
    for line in out.splitlines():
        m = LINE.match(line)
        if m and m.group(7) == "1" and int(m.group(5)) > int(m.group(3)):
            found.append((m.group(2), int(m.group(8)), int(m.group(9)), m.group(10)))
    return found


def variants(texts, strings, count):
    """`count` choices of one text per control, together trying every text."""
    return [{name: strings[ids[min(i, len(ids) - 1)]] for name, ids in texts.items()} for i in range(count)]


class TextsFit(unittest.TestCase):
    def check(self, measured, expect, where):
        seen = {name for name, _, _, _ in measured}
        self.assertTrue(expect <= seen, f"{where}: not measured: {expect - seen}")
        for name, width, room, text in measured:
            self.assertLessEqual(width, room, f"{where}: {name}: '{text}' needs {width} px, has {room}")

    def each_skin(self, kind):
        """(UI language, skin entry, its markup, its language's texts) for every
        language's `kind` skin under every UI language."""
        for language, ui in itertools.product(languages(), repeat=2):
            entry = f"{kind}_{language}.xml"
            with zipfile.ZipFile(SKIN_ZIP) as z:
                markup = z.read(entry).decode("utf-8")
            yield ui, entry, markup, bundle(language)

    def test_main_window_texts_fit_on_every_page(self):
        for ui, entry, markup, strings in self.each_skin("wnd_main"):
            first, second = variants(MAIN_TEXTS, strings, 2)
            # Page 0 with the custom area open (600 x 450).
            self.check(measure(ui, entry, rewrite(markup, first, 0, "600,450"), "600,450"),
                       {"lab_captionTitle", "btn_install_start", "check_userprot", "btn_userprot",
                        "btn_privacy", "btn_usercustom", "lab_install_tip", "lab_install_completed"},
                       f"{entry} page 0 under {ui}")
            self.check(measure(ui, entry, rewrite(markup, first, 1)), {"lab_install_percent"},
                       f"{entry} page 1 under {ui}")
            for texts in (first, second):
                self.check(measure(ui, entry, rewrite(markup, texts, 2)),
                           {"check_shortcut", "btn_open_zelk", "lab_install_completed"}, f"{entry} page 2 under {ui}")

    def test_message_box_caption_and_buttons_fit(self):
        for ui, entry, markup, strings in self.each_skin("messagebox"):
            for texts in variants(BOX_TEXTS, strings, len(BUTTON_WORDS)):
                self.check(measure(ui, entry, rewrite(markup, texts)), {"txt_caption", "btn_ok", "btn_no"},
                           f"{entry} under {ui}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
