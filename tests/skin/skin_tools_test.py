#!/usr/bin/env python3
"""The skin's build tools: the reference check, the archive's determinism and the
pictures' contract (sizes, states, the shadow's open middle). Needs Pillow."""
import importlib.util
import os
import random
import subprocess
import sys
import tempfile
import unittest
import zipfile

from PIL import Image

SOURCE = os.environ.get("TORVANE_SOURCE_DIR") or os.path.join(os.path.dirname(__file__), "..", "..")
SCRIPTS = os.path.join(SOURCE, "scripts")
SKIN = os.path.join(SOURCE, "skin")
MARKUP = sorted(os.path.join(SKIN, n) for n in os.listdir(SKIN) if n.endswith(".xml"))


def load(name):
    spec = importlib.util.spec_from_file_location(name.replace("-", "_"), os.path.join(SCRIPTS, name + ".py"))
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


refs = load("check-skin-refs")
packer = load("make-skin-zip")


def draw(outdir):
    subprocess.run([sys.executable, os.path.join(SCRIPTS, "make-skin-images.py"), outdir], check=True)
    return sorted(os.path.join(outdir, n) for n in os.listdir(outdir) if n.endswith(".png"))


def run_check(archive, *extra):
    return subprocess.run([sys.executable, os.path.join(SCRIPTS, "check-skin-refs.py"), archive, *extra],
                          capture_output=True, text=True)


def premultiplied_distance(a, b):
    """Mean channel difference of two RGBA pictures of one size; transparent colour counts for nothing."""
    pm = lambda im: [c * p[3] // 255 for p in im.getdata() for c in p[:3]] + [p[3] for p in im.getdata()]
    pa, pb = pm(a), pm(b)
    return sum(abs(x - y) for x, y in zip(pa, pb)) / len(pa)


class Generated(unittest.TestCase):
    """One drawing of the pictures, shared by the tests below."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.images = os.path.join(cls.tmp.name, "a")
        cls.pictures = draw(cls.images)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def pic(self, name):
        return Image.open(os.path.join(self.images, name)).convert("RGBA")

    def zip_of(self, skins, pictures=(), name="t.zip"):
        """An archive of skin texts {name: text} and picture files."""
        d = tempfile.mkdtemp(dir=self.tmp.name)
        files = list(pictures)
        for n, text in skins.items():
            p = os.path.join(d, n)
            with open(p, "w", encoding="utf-8") as f:
                f.write(text)
            files.append(p)
        out = os.path.join(d, name)
        packer.pack(out, files)
        return out


class ReferenceCheck(Generated):
    def test_the_real_skins_pass_and_are_really_read(self):
        archive = self.zip_of({}, MARKUP + self.pictures)
        self.assertEqual(refs.check(archive, ["install_img_04.png", "messagebox_icon_22x22.png"]), [])
        found = set()
        for path in MARKUP:
            with open(path, encoding="utf-8") as f:
                found |= {n for _, n in refs.references(os.path.basename(path), f.read())[0]}
        self.assertLessEqual({"install_img_01.png", "Window_shadow.png", "Head_btnsys_20x20@2x.png",
                              "Controls_select_14x14@2x.png", "progress_fore.png", "icon_folder_14x14.png",
                              "unexpand_12x12.png", "expand_12x12.png", "font_zh_CN.xml"}, found)

    def test_a_missing_picture_fails_in_every_place_a_skin_names_one(self):
        cases = {
            "bare bkimage": '<Window><Label bkimage="gone.png" /></Window>',
            "file item": '<Window><Button normalimage="source=\'0,0,40,40\' file=\'gone.png\'" /></Window>',
            "shadowimage": '<Window shadowimage="gone.png" showshadow="true"><Control /></Window>',
            "fore image": '<Window><Progress foreimage="file=\'gone.png\' corner=\'3,0,3,0\'" /></Window>',
            "include": '<Window><Include source="gone.png" /></Window>',
        }
        for label, text in cases.items():
            with self.subTest(label):
                listing = os.path.join(self.tmp.name, "listing.txt")
                result = run_check(self.zip_of({"w.xml": text}, self.pictures), "--list", listing)
                self.assertEqual(result.returncode, 1)
                self.assertIn("'gone.png'", result.stderr)
                self.assertFalse(os.path.exists(listing), "a failed check must not write the listing")

    def test_names_are_found_as_the_skin_reader_finds_them(self):
        text = ('<Window><Label bkimage="file=\'IMAGES\\Install_IMG_01.PNG\'" />'
                '<Label bkimage="file=\'7\' restype=\'PNG\'" /></Window>')
        src = os.path.join(self.images, "install_img_01.png")
        d = tempfile.mkdtemp(dir=self.tmp.name)
        archive = os.path.join(d, "t.zip")
        with zipfile.ZipFile(archive, "w") as z:
            z.write(src, "images/install_img_01.png")
            z.writestr("w.xml", text)
        self.assertEqual(refs.check(archive), [])

    def test_code_named_pictures_and_quoting_are_checked(self):
        archive = self.zip_of({"w.xml": "<Window><Label bkimage='install_img_01.png' /></Window>"}, self.pictures)
        faults = refs.check(archive, ["not_drawn.png"])
        self.assertTrue(any("not double-quoted" in f for f in faults), faults)
        self.assertTrue(any("'not_drawn.png'" in f for f in faults), faults)

    def test_image_attribute_strings(self):
        self.assertEqual(refs.image_names("a.png"), ["a.png"])
        self.assertEqual(refs.image_names("file='a.png' source='0,0,1,1'"), ["a.png"])
        self.assertEqual(refs.image_names("source='0,0,1,1' res='b.png'"), ["b.png"])
        self.assertEqual(refs.image_names("file='' dest='0,0,1,1'"), [])
        # parsing stops at a fault; the items before it stay
        self.assertEqual(refs.image_names("file='c.png' source='0,0"), ["c.png"])
        self.assertEqual(refs.image_names("source='0,0,1,1';file='d.png'"), [])


class Determinism(Generated):
    def test_two_builds_give_the_same_archive(self):
        second = draw(os.path.join(self.tmp.name, "b"))
        self.assertEqual([os.path.basename(p) for p in second], [os.path.basename(p) for p in self.pictures])
        for a, b in zip(self.pictures, second):
            with open(a, "rb") as fa, open(b, "rb") as fb:
                self.assertEqual(fa.read(), fb.read(), os.path.basename(a))
        # other file times and another argument order change nothing
        for p in second:
            os.utime(p, (1_000_000_000, 1_000_000_000))
        files_b = MARKUP + second
        random.Random(7).shuffle(files_b)
        one = self.zip_of({}, MARKUP + self.pictures, "one.zip")
        two = self.zip_of({}, files_b, "two.zip")
        with open(one, "rb") as f1, open(two, "rb") as f2:
            data = f1.read()
            self.assertEqual(data, f2.read())
        with zipfile.ZipFile(one) as z:
            names = z.namelist()
            self.assertEqual(names, sorted(names))
            self.assertEqual({i.date_time for i in z.infolist()}, {packer.FIXED_TIME})
        built = os.environ.get("TORVANE_SKIN_ZIP")
        if built and os.path.exists(built):
            with open(built, "rb") as f:
                self.assertEqual(f.read(), data, "the build's skin.zip differs from a fresh one")

    def test_two_files_of_one_name_are_refused(self):
        d = tempfile.mkdtemp(dir=self.tmp.name)
        os.makedirs(os.path.join(d, "x"))
        clash = os.path.join(d, "x", "progress_fore.png")
        with open(clash, "wb") as f:
            f.write(b"x")
        with self.assertRaises(SystemExit):
            packer.pack(os.path.join(d, "t.zip"), self.pictures + [clash])


class Pictures(Generated):
    SIZES = {
        "install_img_01.png": (600, 280), "install_img_02.png": (600, 280), "install_img_03.png": (600, 280),
        "install_img_04.png": (600, 280), "Window_shadow.png": (36, 36), "icon_title_20x20.png": (20, 20),
        "Head_btnsys_20x20@2x.png": (80, 160), "Controls_select_14x14@2x.png": (28, 112),
        "unexpand_12x12.png": (12, 12), "expand_12x12.png": (12, 12), "icon_folder_14x14.png": (14, 14),
        "progress_fore.png": (8, 4), "messagebox_icon_22x22.png": (22, 88),
    }

    SCALED = ("icon_title_20x20.png", "unexpand_12x12.png", "expand_12x12.png", "icon_folder_14x14.png")

    def test_sizes(self):
        variants = {n.replace(".png", "@%d.png" % p) for n in self.SCALED for p in (150, 200)}
        self.assertEqual({os.path.basename(p) for p in self.pictures}, set(self.SIZES) | variants)
        for name, size in self.SIZES.items():
            self.assertEqual(self.pic(name).size, size, name)

    def test_high_dpi_variants_are_the_same_drawing_at_their_scale(self):
        for name in self.SCALED:
            plain = self.pic(name)
            w, h = plain.size
            for percent in (150, 200):
                variant = self.pic(name.replace(".png", "@%d.png" % percent))
                self.assertEqual(variant.size, (round(w * percent / 100), round(h * percent / 100)), name)
                # the same drawing: brought down to the plain size it differs little (the
                # chevrons drawn the other way round differ by 22 on this measure)
                self.assertLess(premultiplied_distance(plain, variant.resize(plain.size, Image.BOX)), 16,
                                (name, percent))

    def test_shadow_is_soft_with_an_open_middle(self):
        im = self.pic("Window_shadow.png")
        a = lambda x, y: im.getpixel((x, y))[3]
        self.assertEqual({a(x, y) for x in range(12, 24) for y in range(12, 24)}, {0})
        for y in (12, 18, 23):  # stretched edge rows fall off the same way outward
            self.assertTrue(a(11, y) > a(8, y) > a(4, y) >= a(0, y), [a(x, y) for x in range(12)])
            self.assertEqual(a(11, y), a(24, y))
        self.assertEqual(a(11, 18), a(18, 11))
        self.assertLess(max(im.getchannel("A").getdata()), 110)

    def test_close_button_states(self):
        im = self.pic("Head_btnsys_20x20@2x.png")
        cells = [im.crop((40, 40 * r, 80, 40 * r + 40)).tobytes() for r in range(4)]
        self.assertEqual(len(set(cells)), 4)
        self.assertEqual(im.getpixel((43, 20))[3], 0)   # normal: glyph only
        self.assertGreater(im.getpixel((43, 60))[3], 0)  # hot: round backdrop
        self.assertGreater(im.getpixel((43, 100))[3], im.getpixel((43, 60))[3])  # pushed: darker
        self.assertGreater(im.getpixel((60, 20))[3], 200)  # the cross goes through the middle

    def test_check_box_states(self):
        im = self.pic("Controls_select_14x14@2x.png")
        normal, selected, hot = im.getpixel((7, 7)), im.getpixel((7, 35)), im.getpixel((7, 91))
        self.assertEqual(normal[:3], (255, 255, 255))
        self.assertTrue(selected[2] > 200 and selected[0] < 100, selected)
        self.assertEqual(hot[:3], (255, 255, 255))
        self.assertNotEqual(im.getpixel((1, 98)), im.getpixel((1, 14)))  # hot border is not the grey one

    def test_progress_bar_has_round_ends_and_a_full_middle(self):
        im = self.pic("progress_fore.png")
        self.assertLess(im.getpixel((0, 0))[3], 128)
        self.assertLess(im.getpixel((7, 3))[3], 128)
        for y in range(4):
            r, g, b, a = im.getpixel((4, y))
            self.assertEqual(a, 255)
            self.assertTrue(b > 200 and r < 100)

    def test_message_icons_in_the_boxes_order(self):
        im = self.pic("messagebox_icon_22x22.png")
        rgb = [im.getpixel((4, 22 * i + 11)) for i in range(4)]  # disc edge, clear of the glyph
        error, question, info, warning = rgb
        self.assertTrue(error[0] > 200 and error[2] < 120, error)
        self.assertTrue(question[2] > 200 and question[0] < 120, question)
        self.assertTrue(info[2] > 200 and info[0] < 120, info)
        self.assertTrue(warning[0] > 200 and 100 < warning[1] < 220 and warning[2] < 90, warning)
        self.assertNotEqual(im.crop((0, 22, 22, 44)).tobytes(), im.crop((0, 44, 22, 66)).tobytes())

    def test_state_pictures_carry_their_marks_and_leave_the_text_band_light(self):
        badge = (430, 62)  # inside the badge disc, clear of its glyph
        colours = {n: self.pic(n).getpixel(badge) for n in
                   ("install_img_01.png", "install_img_02.png", "install_img_03.png", "install_img_04.png")}
        start, installing, success, failure = colours.values()
        self.assertTrue(success[1] > success[0] + 60 and success[1] > success[2], success)
        self.assertTrue(failure[0] > failure[1] + 60 and failure[0] > failure[2] + 60, failure)
        self.assertTrue(installing[2] > installing[0] + 60, installing)
        self.assertLess(max(start[:3]), 90, "the start picture shows the bare monitor there, no badge")
        for name in colours:
            band = self.pic(name).crop((100, 241, 480, 262)).convert("L")
            self.assertGreater(min(band.getdata()), 200, name + ": dark text needs a light band")

    def test_icon_file_has_each_size(self):
        path = os.path.join(self.images, "torvane.ico")
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(data[:4], b"\0\0\1\0")
        count = int.from_bytes(data[4:6], "little")
        sizes = sorted((data[6 + 16 * i] or 256) for i in range(count))
        self.assertEqual(sizes, [16, 32, 48, 256])
        ico = Image.open(path)
        for s in sizes:
            ico.size = (s, s)
            ico.load()
            self.assertEqual(ico.size, (s, s))


if __name__ == "__main__":
    unittest.main(verbosity=2)
