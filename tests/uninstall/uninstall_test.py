"""Uninstall.exe end to end: the test installer puts the product on the Wine
prefix (WINEPREFIX) with "/s", then the uninstaller that UninstallString names
takes it off again. Run as
    uninstall_test.py SETUP_EXE [unittest args]"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import installer_driver as drv  # noqa: E402

SETUP = None
WINE = None
APP_KEY = "HKCU\\Software\\Torvane3"
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Torvane3"
MACHINE_KEY = "HKLM\\Software\\Torvane3"
SERVICE_KEY = "HKLM\\System\\CurrentControlSet\\Services\\TorvaneService"
SESSION_MANAGER = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"
FOLDER = "Program Files/Torvane"
LINKS = ("users/Public/Desktop/托尔文.lnk", "ProgramData/Microsoft/Windows/Start Menu/Programs/托尔文")

# What Wine itself changes between two listings of a prefix, whatever a program does.
WINE_FOLDERS = re.compile(r"^(windows/|users/[^/]+/(Temp|AppData/Local/Temp|AppData/Local/Microsoft/Windows/INet\w+)/)")
WINE_KEYS = re.compile(r"^(HKEY_CURRENT_USER\\Software\\Wine|HKEY_LOCAL_MACHINE\\Software\\Wine"
                       r"|HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment"
                       r"|HKEY_LOCAL_MACHINE\\Hardware|HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT"
                       r"\\CurrentVersion\\Perflib|HKEY_CURRENT_USER\\Volatile Environment)", re.I)


def reg(*args):
    """wine reg ARGS, each argument as it is (cmd.exe would keep the quotes of a key with spaces)."""
    return drv.run([WINE.wine, "reg", *args], env=WINE.env, check=False)


def reset_machine():
    WINE.cmd("taskkill /f /im Torvane.exe")  # in this prefix only
    WINE.cmd(f"reg delete {APP_KEY} /f & reg delete {UNINSTALL_KEY} /f /reg:32 & "
             f"reg delete {MACHINE_KEY} /f /reg:32 & sc delete TorvaneService")
    reg("delete", SESSION_MANAGER, "/v", "PendingFileRenameOperations", "/f")
    for path in (FOLDER, "Outside", *LINKS):
        full = WINE.c_drive(path)
        if os.path.isdir(full) and not os.path.islink(full):
            shutil.rmtree(full, ignore_errors=True)
        elif os.path.lexists(full):
            os.remove(full)


def drive_listing():
    """Every entry of drive_c but the Windows folder and the temporary folders,
    relative, folders with a trailing /."""
    root = WINE.c_drive()
    found = set()
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root).replace(os.sep, "/")
        rel = "" if rel == "." else rel + "/"
        if WINE_FOLDERS.match(rel):
            continue
        found.update(rel + d + "/" for d in dirs)
        found.update(rel + f for f in files)
    return found


def registry(hive):
    """{key: {value line}} of a hive's export, Wine's own keys left out."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "hive.reg")
        reg("export", hive, "Z:" + out.replace("/", "\\"), "/y")
        with open(out, encoding="utf-16") as f:
            text = f.read().replace("\\\n  ", "")
    keys, key = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1]
            keys.setdefault(key, set())
        elif key and line and not WINE_KEYS.match(key):
            keys[key].add(line)
    return {k: v for k, v in keys.items() if not WINE_KEYS.match(k)}


def registry_diff(before, after):
    """Keys and value lines that differ, as "+"/"-" lines."""
    lines = []
    for key in sorted(set(before) | set(after)):
        if key not in after:
            lines.append(f"- [{key}]")
        elif key not in before:
            lines.append(f"+ [{key}]")
        for value in sorted(after.get(key, set()) - before.get(key, set())):
            lines.append(f"+ [{key}] {value}")
        for value in sorted(before.get(key, set()) - after.get(key, set())):
            lines.append(f"- [{key}] {value}")
    return lines


def reg_value(key, name, view="/reg:32"):
    for line in reg("query", key, "/v", name, *([view] if view else [])).splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == name:
            return parts[2].strip()
    return None


def pending_deletions():
    """The Unix paths Windows deletes at the next restart."""
    raw = reg_value(SESSION_MANAGER, "PendingFileRenameOperations", view="") or ""
    paths = []
    for part in raw.split("\\0"):
        part = part.strip()
        if part.startswith("\\??\\"):
            part = part[4:]
        if len(part) > 3 and part[1:3] == ":\\":
            paths.append(WINE.c_drive(part[3:]))
    return paths


def run_uninstaller(*args):
    """Runs UninstallString: (exit code, what it printed)."""
    command = reg_value(UNINSTALL_KEY, "UninstallString")
    assert command, "no UninstallString"
    exe = command.strip('"')
    with tempfile.TemporaryFile() as out:
        proc = subprocess.Popen([WINE.wine, exe, *args], env=WINE.env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.DEVNULL)
        code = proc.wait(timeout=300)
        out.seek(0)
        return code, out.read().decode("utf-8", "replace")


def install():
    code = WINE.run_exe(SETUP, "/s", timeout=600)
    assert code == 0, f"the install ended with {code}"


class Silent(unittest.TestCase):
    def setUp(self):
        reset_machine()

    def test_uninstall_leaves_the_machine_as_before_but_the_guid(self):
        files_before = drive_listing()
        machine_before, user_before = registry("HKLM"), registry("HKCU")
        install()
        guid = reg_value(MACHINE_KEY, "Guid")
        self.assertTrue(guid)
        self.assertIn("TorvaneService", WINE.cmd("sc query TorvaneService"))
        product = WINE.start(WINE.c_drive(FOLDER + "/Torvane.exe"))
        self.assertTrue(drv.wait_for(lambda: WINE.xdo("search", "--name", "^托尔文$").split(), 120))

        code, said = run_uninstaller("/s")
        self.assertEqual(code, 0, said)
        self.assertIsNotNone(product.wait(timeout=120), "Torvane.exe still runs")

        # The uninstaller's own file waits in a folder of its own for the next restart.
        pending = pending_deletions()
        self.assertEqual(len(pending), 2, pending)
        self.assertTrue(pending[0].endswith("/Uninstall.exe") and os.path.dirname(pending[0]) == pending[1], pending)
        self.assertTrue(os.path.isfile(pending[0]))
        self.assertEqual(sorted(drive_listing() ^ files_before), [])

        machine_diff = [line for line in registry_diff(machine_before, registry("HKLM"))
                        if "PendingFileRenameOperations" not in line]
        self.assertEqual(machine_diff, ["+ [HKEY_LOCAL_MACHINE\\Software\\Torvane3]",
                                        f'+ [HKEY_LOCAL_MACHINE\\Software\\Torvane3] "Guid"="{guid}"'])
        self.assertEqual(registry_diff(user_before, registry("HKCU")), [])

    def test_install_again_after_an_uninstall_keeps_the_guid(self):
        install()
        guid = reg_value(MACHINE_KEY, "Guid")
        self.assertEqual(run_uninstaller("/s")[0], 0)
        self.assertFalse(os.path.exists(WINE.c_drive(FOLDER)))
        install()
        self.assertTrue(os.path.isfile(WINE.c_drive(FOLDER + "/Uninstall.exe")))
        self.assertEqual(reg_value(MACHINE_KEY, "Guid"), guid)
        self.assertEqual(run_uninstaller("/s")[0], 0)

    def test_files_the_user_added_stay_with_their_folder(self):
        install()
        mine = WINE.c_drive(FOLDER + "/plugins/mine.txt")
        os.makedirs(os.path.dirname(mine), exist_ok=True)
        with open(mine, "w") as f:
            f.write("mine")
        code, said = run_uninstaller("/s")
        self.assertEqual(code, 0, said)
        self.assertEqual(sorted(os.listdir(WINE.c_drive(FOLDER))), ["plugins"])
        self.assertEqual(os.listdir(WINE.c_drive(FOLDER + "/plugins")), ["mine.txt"])
        self.assertIn("kept", said)


class Damaged(unittest.TestCase):
    def setUp(self):
        reset_machine()
        install()

    def test_record_naming_paths_outside_or_through_links_deletes_nothing_outside(self):
        outside = WINE.c_drive("Outside")
        os.makedirs(os.path.join(outside, "deep"))
        for name in ("victim.txt", "deep/victim.txt"):
            with open(os.path.join(outside, name), "w") as f:
                f.write("keep")
        os.symlink(outside, WINE.c_drive(FOLDER + "/through"))
        record = WINE.c_drive(FOLDER + "/Uninstall.xml")
        with open(record, encoding="utf-8") as f:
            text = f.read()
        planted = ('<File path="C:\\Outside\\victim.txt" />\n<File path="..\\..\\Outside\\victim.txt" />\n'
                   '<File path="through\\victim.txt" />\n<File path="through\\deep\\victim.txt" />\n'
                   '<Dir path="through\\deep" />\n<Dir path="C:\\Outside" />\n')
        with open(record, "w", encoding="utf-8") as f:
            f.write(text.replace("<Internal>", "<Internal>\n" + planted, 1))
        code, said = run_uninstaller("/s")
        self.assertIn(code, (0, 12), said)
        self.assertNotIn("Outside", " ".join(pending_deletions()), said)
        self.assertEqual(sorted(os.listdir(outside)), ["deep", "victim.txt"])
        self.assertEqual(os.listdir(os.path.join(outside, "deep")), ["victim.txt"])
        self.assertFalse(os.path.exists(WINE.c_drive(FOLDER + "/Torvane.exe")))

    def test_missing_record_still_removes_entries_links_and_service(self):
        self.assertIsNotNone(reg_value(SERVICE_KEY, "ImagePath", view=""))
        os.remove(WINE.c_drive(FOLDER + "/Uninstall.xml"))
        code, said = run_uninstaller("/s")
        self.assertEqual(code, 0, said)
        self.assertIsNone(reg_value(UNINSTALL_KEY, "DisplayName"))
        self.assertIsNone(reg_value(APP_KEY, "AppPath", view=""))
        for link in LINKS:
            self.assertFalse(os.path.exists(WINE.c_drive(link)), link)
        self.assertIsNone(reg_value(SERVICE_KEY, "ImagePath", view=""))
        # Without a record only the installer's own files go: the rest is not known to be ours.
        self.assertFalse(os.path.exists(WINE.c_drive(FOLDER + "/Uninstall.exe")))
        self.assertFalse(os.path.exists(WINE.c_drive(FOLDER + "/source.dat")))

    def test_second_uninstall_while_one_runs_ends_with_1(self):
        mutex_holder = WINE.start(SETUP)  # the installer's window holds the shared mutex
        try:
            self.assertIsNotNone(drv.main_window(WINE))
            code, _ = run_uninstaller("/s")
            self.assertEqual(code, 1)
            self.assertTrue(os.path.isfile(WINE.c_drive(FOLDER + "/Torvane.exe")))
        finally:
            mutex_holder.kill()
            mutex_holder.wait(30)


def start_uninstaller():
    command = reg_value(UNINSTALL_KEY, "UninstallString")
    return WINE.start(command.strip('"'))


class Interactive(unittest.TestCase):
    """The skinned question and answer, clicked through with xdotool. With
    TORVANE_SHOTS set, the boxes are also saved there as PNG files."""

    def setUp(self):
        reset_machine()
        install()
        self.proc = start_uninstaller()

    def tearDown(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(30)

    def shoot(self, box, name):
        folder = os.environ.get("TORVANE_SHOTS")
        if folder:
            box.screenshot(os.path.join(folder, name))

    def test_cancel_changes_nothing_and_ends_with_3(self):
        files_before, machine_before = drive_listing(), registry("HKLM")
        box = drv.message_box(WINE, timeout=120)
        self.assertIsNotNone(box, "no confirmation")
        self.shoot(box, "uninstall-confirm.png")
        box.click(drv.BOX_NO)
        self.assertEqual(self.proc.wait(120), 3)
        self.assertEqual(drive_listing(), files_before)
        self.assertEqual(registry_diff(machine_before, registry("HKLM")), [])

    def test_ok_removes_everything_and_says_so(self):
        box = drv.message_box(WINE, timeout=120)
        self.assertIsNotNone(box, "no confirmation")
        box.click(drv.BOX_OK)
        result = drv.message_box(WINE, exclude=(box.wid,), timeout=180)
        self.assertIsNotNone(result, "no result")
        self.assertFalse(os.path.exists(WINE.c_drive(FOLDER)))
        self.assertIsNone(reg_value(UNINSTALL_KEY, "DisplayName"))
        self.shoot(result, "uninstall-done.png")
        result.click(drv.BOX_ONLY)
        self.assertEqual(self.proc.wait(120), 0)

    def test_keyboard_alone_tab_and_space_answer_and_esc_is_the_close_button(self):
        box = drv.message_box(WINE, timeout=120)
        self.assertIsNotNone(box, "no confirmation")
        # The question must be answered: its close button is off, and so Esc does nothing.
        box.key("Escape")
        time.sleep(3)
        self.assertIsNone(self.proc.poll(), "Esc answered the question")
        # The focus starts on OK (the first enabled control); Tab goes to Cancel and round to OK.
        box.key("Tab")
        box.key("Tab")
        box.key("space")
        result = drv.message_box(WINE, exclude=(box.wid,), timeout=180)
        self.assertIsNotNone(result, "no result")
        self.assertFalse(os.path.exists(WINE.c_drive(FOLDER)))
        result.key("Escape")  # the answer's close button is on
        self.assertEqual(self.proc.wait(120), 0)


def main():
    global SETUP, WINE
    SETUP = sys.argv[1]
    WINE = drv.Wine(os.environ["WINEPREFIX"])
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)


if __name__ == "__main__":
    main()
