"""The release file's version and names as the built programs carry them, read
back from their PE resources; the build's fixed time stamps. On the build machine:
    version_info_test.py SOURCE_DIR BUILD_DIR [unittest args]"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from pe_resources import PEImage, version_info  # noqa: E402

SOURCE = BUILD = None


def release_values(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                key, _, value = line.partition("=")
                values[key.strip()] = value.strip()
    return values


def recipe_epoch():
    with open(os.path.join(BUILD, "pack-recipe.sh"), encoding="utf-8") as f:
        return int(re.search(r"^epoch=(\d+)$", f.read(), re.M).group(1))


class VersionInformation(unittest.TestCase):
    PROGRAMS = {  # file -> FileDescription after the client name
        "TorvaneSetup.exe": "安装程序",
        "TorvaneSetup-test.exe": "安装程序",
        "product/Torvane.exe": "",
        "product/updater.exe": "更新程序",
        "product/Uninstall.exe": "卸载程序",
        "product/TorvaneService.exe": "服务",
    }

    def test_every_program_carries_the_release_file(self):
        release = release_values(os.path.join(SOURCE, "product", "release.txt"))
        numbers = tuple(int(n) for n in release["Version"].split("."))
        numbers += (0,) * (4 - len(numbers))
        for program, suffix in self.PROGRAMS.items():
            with self.subTest(program):
                info = version_info(os.path.join(BUILD, program))
                self.assertIsNotNone(info, "no VERSIONINFO")
                self.assertEqual(info["fixed"], (numbers, numbers))
                self.assertEqual(info["translation"], (0x804, 1200))
                self.assertEqual(info["table"].upper(), "080404B0")
                strings = info["strings"]
                self.assertEqual(strings["FileVersion"], release["Version"])
                self.assertEqual(strings["ProductVersion"], release["Version"])
                self.assertEqual(strings["ProductName"], release["ClientName"])
                self.assertEqual(strings["CompanyName"], release["CompanyName"])
                self.assertEqual(strings["LegalCopyright"], release["Copyright"])
                self.assertEqual(strings["FileDescription"], release["ClientName"] + suffix)
                if not program.startswith("TorvaneSetup"):
                    self.assertEqual(strings["OriginalFilename"], os.path.basename(program))

    def test_the_shipped_values(self):
        # What the maker ships today, spelled out once: a changed release file must be meant.
        strings = version_info(os.path.join(BUILD, "TorvaneSetup.exe"))["strings"]
        self.assertEqual(strings["ProductVersion"], "6.2.10.03")
        self.assertEqual(strings["ProductName"], "托尔文")
        self.assertEqual(strings["FileDescription"], "托尔文安装程序")
        self.assertEqual(strings["OriginalFilename"], "TorvaneSetup.exe")


class FixedTimes(unittest.TestCase):
    def test_pe_time_stamps_are_the_source_date(self):
        epoch = recipe_epoch()
        for program in ("TorvaneSetup.exe", "product/Uninstall.exe", "product/Torvane.exe"):
            with self.subTest(program):
                self.assertEqual(PEImage(os.path.join(BUILD, program)).timestamp, epoch)

    def test_payload_items_have_the_source_date_and_no_other_times(self):
        listing = subprocess.run(["7zz", "l", "-slt", os.path.join(BUILD, "payload.7z")], check=True,
                                 stdout=subprocess.PIPE, text=True).stdout
        items = listing.split("\n\n")[1:]
        paths = [m for m in re.findall(r"^Path = (.*)$", listing, re.M)][1:]
        self.assertIn("Torvane.exe", paths)
        modified = re.findall(r"^Modified = (.*)$", listing, re.M)
        self.assertEqual(len(modified), len(paths))
        self.assertEqual(len(set(modified)), 1, modified)
        self.assertNotRegex(listing, r"(?m)^(Created|Accessed) = \S")
        self.assertGreater(len(items), 1)


class ReleaseTool(unittest.TestCase):
    def run_tool(self, *args):
        return subprocess.run([sys.executable, os.path.join(SOURCE, "scripts", "release.py"), *args],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def test_versions_and_bundles_it_refuses(self):
        release = os.path.join(SOURCE, "product", "release.txt")
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "r.txt")
            for bad in ("6.x", "1.2.3.4.5", "70000", "", "6..2"):
                with self.subTest(version=bad):
                    result = self.run_tool("merge", release, out, "--version", bad)
                    self.assertEqual(result.returncode, 1, result.stderr)
                    self.assertFalse(os.path.exists(out))
            self.assertEqual(self.run_tool("merge", release, out, "--version", "7.0").returncode, 0)
            self.assertEqual(self.run_tool("get", out, "Version").stdout.strip(), "7.0")

            # A bundle that names the product itself would be a second copy.
            bundle = os.path.join(tmp, "b.xml")
            with open(bundle, "w", encoding="utf-8") as f:
                f.write('<StringBundle>\n\t<String id="ClientName">x</String>\n</StringBundle>\n')
            result = self.run_tool("bundle", release, bundle, os.path.join(tmp, "o.xml"))
            self.assertEqual(result.returncode, 1)
            self.assertIn("ClientName", result.stderr)

    def test_names_file_replaces_names_and_resource_text_is_escaped(self):
        release = os.path.join(SOURCE, "product", "release.txt")
        with tempfile.TemporaryDirectory() as tmp:
            names = os.path.join(tmp, "names.txt")
            with open(names, "w", encoding="utf-8") as f:
                f.write('ClientName=镜 "Mirror" & <Co>\nCompanyName=Other Co\n')
            merged = os.path.join(tmp, "r.txt")
            self.assertEqual(self.run_tool("merge", release, merged, "--name-file", names,
                                           "--version", "1.2").returncode, 0)
            rc = os.path.join(tmp, "v.rc")
            self.run_tool("version-rc", merged, rc, "--file", "A.exe", "--suffix=安装程序")
            text = open(rc, encoding="utf-8").read()
            self.assertIn('VALUE "ProductName", "镜 ""Mirror"" & <Co>"', text)
            self.assertIn("FILEVERSION 1,2,0,0", text)
            self.assertIn('VALUE "CompanyName", "Other Co"', text)
            bundle = os.path.join(tmp, "b.xml")
            self.run_tool("bundle", merged, os.path.join(SOURCE, "skin", "lang", "zh_CN.xml"), bundle)
            self.assertIn('<String id="ClientName">镜 "Mirror" &amp; &lt;Co&gt;</String>',
                          open(bundle, encoding="utf-8").read())
            with open(names, "a", encoding="utf-8") as f:
                f.write("Version=9\n")
            self.assertEqual(self.run_tool("merge", release, merged, "--name-file", names).returncode, 1)

    def test_each_language_gets_its_names_and_a_name_file_replaces_them_all(self):
        release = os.path.join(SOURCE, "product", "release.txt")
        languages = os.path.join(SOURCE, "skin", "lang", "languages.txt")
        lang_dir = os.path.join(SOURCE, "skin", "lang")
        with tempfile.TemporaryDirectory() as tmp:
            rc = os.path.join(tmp, "strings.rc")
            result = self.run_tool("bundles", release, languages, lang_dir, tmp, rc)
            self.assertEqual(result.returncode, 0, result.stderr)
            english = open(os.path.join(tmp, "en_US.xml"), encoding="utf-8").read()
            chinese = open(os.path.join(tmp, "zh_CN.xml"), encoding="utf-8").read()
            self.assertIn('<String id="ClientName">Torvane</String>', english)
            self.assertIn('<String id="ClientName">托尔文</String>', chinese)
            self.assertIn('<String id="ExeName">Torvane</String>', chinese)
            script = open(rc, encoding="utf-8").read()
            self.assertIn("LANGUAGE 0x9, 0x1\n104 LANG", script)
            self.assertIn("LANGUAGE 0x4, 0x2\n104 LANG", script)

            # A name file's ClientName stands for every language that it does not name.
            names = os.path.join(tmp, "names.txt")
            with open(names, "w", encoding="utf-8") as f:
                f.write("ClientName=Mirror\n")
            merged = os.path.join(tmp, "r.txt")
            self.assertEqual(self.run_tool("merge", release, merged, "--name-file", names).returncode, 0)
            self.run_tool("bundles", merged, languages, lang_dir, tmp, rc)
            english = open(os.path.join(tmp, "en_US.xml"), encoding="utf-8").read()
            self.assertIn('<String id="ClientName">Mirror</String>', english)
            self.assertIn('<String id="CompanyName">Xinglan Sample Software Co., Ltd.</String>', english)

            with open(names, "w", encoding="utf-8") as f:
                f.write("ClientName.en=Mirror\n")
            self.assertEqual(self.run_tool("merge", release, merged, "--name-file", names).returncode, 1)


if __name__ == "__main__":
    SOURCE, BUILD = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
