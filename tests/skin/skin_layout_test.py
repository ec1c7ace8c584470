#!/usr/bin/env python3
"""The installer's skins as the framework builds them: skinview parses both skins
and lays out the main window; the named controls sit where the window's design
puts them, on each page of tab_install_view."""
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

WINE_RUN = os.environ["TORVANE_WINE_RUN"]
SKINVIEW = os.environ["TORVANE_SKINVIEW"]
SKIN_ZIP = os.environ["TORVANE_SKIN_ZIP"]


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def skinview(*args):
    run = subprocess.run([WINE_RUN, SKINVIEW, *args], capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
    return run.returncode, run.stdout.decode("utf-8", "replace").replace("\r", "")


def tree(archive, page):
    """Controls by name -> (l, t, r, b, visible), with tab_install_view on `page`."""
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "skin.zip")
        with zipfile.ZipFile(archive) as src, zipfile.ZipFile(copy, "w") as dst:
            for item in src.infolist():
                data = src.read(item)
                if item.filename == "wnd_main_zh_CN.xml":
                    text = data.decode("utf-8")
                    text, n = re.subn(r'<TabLayout name="tab_install_view"',
                                      f'<TabLayout name="tab_install_view" selectedid="{page}"', text)
                    assert n == 1
                    data = text.encode("utf-8")
                dst.writestr(item, data)
        code, out = skinview("tree", "--zip", winpath(copy), "wnd_main_zh_CN.xml")
    assert code == 0, out
    controls = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 5 and parts[1] != "-":
            l, t, r, b = (int(v) for v in parts[2].split(","))
            controls[parts[1]] = (l, t, r, b, parts[3] == "visible=1")
    return controls


class SkinLayout(unittest.TestCase):
    def test_both_skins_parse(self):
        with tempfile.TemporaryDirectory() as tmp:
            for name in ("wnd_main_zh_CN.xml", "messagebox_zh_CN.xml", "font_zh_CN.xml"):
                code, out = skinview("markup", "--zip", winpath(SKIN_ZIP), name)
                self.assertEqual(code, 0, out)
                self.assertTrue(out.startswith("Window"), out[:200])

    def test_page0_controls(self):
        c = tree(SKIN_ZIP, 0)
        self.assertEqual(c["closebtn"], (568, 12, 588, 32, True))
        self.assertEqual(c["btn_install_start"], (224, 304, 376, 348, True))
        self.assertEqual(c["check_userprot"], (18, 372, 118, 388, True))

    def test_page1_progress(self):
        # Page 1 starts at 280: a 66-pixel row, then pro_install 536 x 4 at padding 32,16.
        self.assertEqual(tree(SKIN_ZIP, 1)["pro_install"], (32, 362, 568, 366, True))

    def test_page2_start_button_floats(self):
        # Floating at 218,39,362,81 inside the page that starts at 0,280.
        self.assertEqual(tree(SKIN_ZIP, 2)["btn_open_zelk"], (218, 319, 362, 361, True))


if __name__ == "__main__":
    unittest.main(verbosity=2)
