"""scripts/pack.sh: any payload and version, from the built tree.
    pack_test.py SOURCE_DIR BUILD_DIR Refusals|Install [unittest args]
Refusals run on the build machine; Install runs the packed test installer
silently under Wine, in the prefix WINEPREFIX names."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from pe_resources import version_info  # noqa: E402

SOURCE = BUILD = None
PROGRAMS = ("Torvane.exe", "updater.exe", "Uninstall.exe", "TorvaneService.exe")
APP_KEY = "HKCU\\Software\\Torvane3"
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Torvane3"


def make_payload(root, programs=PROGRAMS):
    """Nested folders, Chinese and spaced names, an empty file and an empty folder, and PROGRAMS."""
    for name in programs:
        shutil.copyfile(os.path.join(BUILD, "product", name), os.path.join(root, name))
    os.makedirs(os.path.join(root, "数据 目录", "深 层", "第三层"))
    os.makedirs(os.path.join(root, "空 文件夹"))
    os.makedirs(os.path.join(root, "plugins"))
    with open(os.path.join(root, "数据 目录", "空文件.txt"), "wb"):
        pass
    with open(os.path.join(root, "数据 目录", "深 层", "第三层", "说明 文件.txt"), "w", encoding="utf-8") as f:
        f.write("托尔文\n")
    with open(os.path.join(root, "plugins", "big.bin"), "wb") as f:
        f.write(bytes(range(256)) * 4096)


def tree(root):
    """{relative path: file bytes, or None for a folder}."""
    found = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs:
            found[os.path.relpath(os.path.join(folder, name), root)] = None
        for name in files:
            with open(os.path.join(folder, name), "rb") as f:
                found[os.path.relpath(os.path.join(folder, name), root)] = f.read()
    return found


def pack(payload, out, version, *extra):
    return subprocess.run(["bash", os.path.join(SOURCE, "scripts", "pack.sh"), "--payload", payload,
                           "--version", version, "--out", out, "--build", BUILD, *extra],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=900)


class Refusals(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="torvane-pack-")
        self.out = os.path.join(self.tmp, "out.exe")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_a_payload_without_a_program_the_installer_needs_is_refused(self):
        for missing in ("Torvane.exe", "TorvaneService.exe"):
            with self.subTest(missing=missing):
                payload = os.path.join(self.tmp, "no-" + missing)
                os.makedirs(payload)
                make_payload(payload, [p for p in PROGRAMS if p != missing])
                result = pack(payload, self.out, "7.0.0.1")
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn("lacks " + missing, result.stderr)
                self.assertFalse(os.path.exists(self.out))

    def test_a_program_in_a_sub_folder_does_not_count(self):
        payload = os.path.join(self.tmp, "nested")
        os.makedirs(os.path.join(payload, "bin"))
        make_payload(payload, [p for p in PROGRAMS if p != "Torvane.exe"])
        shutil.copyfile(os.path.join(BUILD, "product", "Torvane.exe"), os.path.join(payload, "bin", "Torvane.exe"))
        result = pack(payload, self.out, "7.0.0.1")
        self.assertEqual(result.returncode, 1)
        self.assertIn("lacks Torvane.exe", result.stderr)

    def test_a_bad_version_or_missing_folder_is_refused(self):
        payload = os.path.join(self.tmp, "ok")
        os.makedirs(payload)
        make_payload(payload)
        result = pack(payload, self.out, "7.0.x")
        self.assertEqual(result.returncode, 1)
        self.assertIn("version '7.0.x'", result.stderr)
        result = pack(os.path.join(self.tmp, "absent"), self.out, "7.0")
        self.assertEqual(result.returncode, 1)
        self.assertIn("no payload folder", result.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_names_file_and_version_reach_the_version_information_and_the_sources_stay(self):
        payload = os.path.join(self.tmp, "named")
        os.makedirs(payload)
        make_payload(payload)
        names = os.path.join(self.tmp, "names.txt")
        with open(names, "w", encoding="utf-8") as f:
            f.write("ClientName=镜像助手\nCompanyName=另一家公司\n")
        tracked = subprocess.run(["git", "-C", SOURCE, "status", "--porcelain"], stdout=subprocess.PIPE,
                                 text=True).stdout
        result = pack(payload, self.out, "8.1", "--name-file", names)
        self.assertEqual(result.returncode, 0, result.stderr)
        strings = version_info(self.out)["strings"]
        self.assertEqual(strings["ProductVersion"], "8.1")
        self.assertEqual(strings["ProductName"], "镜像助手")
        self.assertEqual(strings["FileDescription"], "镜像助手安装程序")
        self.assertEqual(strings["CompanyName"], "另一家公司")
        self.assertEqual(version_info(self.out)["fixed"][0], (8, 1, 0, 0))
        self.assertEqual(subprocess.run(["git", "-C", SOURCE, "status", "--porcelain"], stdout=subprocess.PIPE,
                                        text=True).stdout, tracked)

    def test_the_same_payload_and_version_give_the_same_bytes(self):
        payload = os.path.join(self.tmp, "same")
        os.makedirs(payload)
        make_payload(payload)
        first, second = os.path.join(self.tmp, "1.exe"), os.path.join(self.tmp, "2.exe")
        self.assertEqual(pack(payload, first, "7.0").returncode, 0)
        for path, _, files in os.walk(payload):  # other times on disk must not matter
            for name in files:
                os.utime(os.path.join(path, name), (1234567890, 1234567890))
        self.assertEqual(pack(payload, second, "7.0").returncode, 0)
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertTrue(a.read() == b.read(), "two packs of one payload differ")


class Install(unittest.TestCase):
    def test_silent_install_puts_exactly_the_payload_and_the_version(self):
        import installer_driver as drv
        wine = drv.Wine(os.environ["WINEPREFIX"])
        tmp = tempfile.mkdtemp(prefix="torvane-pack-")
        try:
            payload = os.path.join(tmp, "payload")
            os.makedirs(payload)
            make_payload(payload)
            exe = os.path.join(tmp, "packed setup.exe")
            result = pack(payload, exe, "7.1.2.05", "--base", "TorvaneSetup-test.exe")
            self.assertEqual(result.returncode, 0, result.stderr)

            folder = wine.c_drive("Program Files/Torvane")
            shutil.rmtree(folder, ignore_errors=True)
            wine.cmd(f"reg delete {APP_KEY} /f & reg delete {UNINSTALL_KEY} /f /reg:32")
            self.assertEqual(wine.run_exe(exe, "/s", timeout=600), 0)
            installed = tree(folder)
            # What the installer itself adds beside the payload.
            for own in ("Uninstall.xml", "source.dat"):
                self.assertIn(own, installed)
                del installed[own]
            self.assertEqual(sorted(installed), sorted(tree(payload)))
            for path, data in tree(payload).items():
                self.assertEqual(installed[path], data, path)
            self.assertEqual(installed[os.path.join("数据 目录", "空文件.txt")], b"")
            self.assertIsNone(installed["空 文件夹"])

            def reg(key, name, view):
                for line in wine.cmd(f"reg query {key} /v {name} {view}").splitlines():
                    parts = line.split(None, 2)
                    if len(parts) == 3 and parts[0] == name:
                        return parts[2].strip()
                return None
            self.assertEqual(reg(UNINSTALL_KEY, "DisplayVersion", "/reg:32"), "7.1.2.05")
            self.assertEqual(reg(APP_KEY, "Version", ""), "7.1.2.05")
        finally:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    SOURCE, BUILD = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
