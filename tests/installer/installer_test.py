"""End to end: TorvaneSetup-test.exe under Wine on the test display, driven by
xdotool, in a prefix of its own (WINEPREFIX). Run as
    installer_test.py EXE [unittest args]
The install report goes to a loopback server this script runs on 127.0.0.1:18731."""
import hashlib
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import installer_driver as drv  # noqa: E402

EXE = None
WINE = None
SKIN_ZIP = os.environ.get("TORVANE_SKIN_ZIP", "")
REPORT_PORT = 18731
PROGRAM_FILES = "Program Files\\Torvane\\"
APP_KEY = "HKCU\\Software\\Torvane3"
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Torvane3"


class ReportServer(http.server.BaseHTTPRequestHandler):
    posts = []

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        ReportServer.posts.append((self.path, self.rfile.read(length)))
        self.send_response(200)
        self.send_header("Content-Length", "2")
        self.end_headers()
        self.wfile.write(b"ok")

    def log_message(self, *args):
        pass


def reset_machine():
    """Nothing of an earlier test's install: keys, folders, links, a running product."""
    subprocess.run(["pkill", "-f", "Torvane\\.exe"], check=False)
    WINE.cmd(f'reg delete {APP_KEY} /f & reg delete {UNINSTALL_KEY} /f /reg:32 & '
             f'reg delete HKLM\\Software\\Torvane3 /f /reg:32 & sc delete TorvaneService')
    WINE.cmd("taskkill /f /im v.exe")
    for path in ("Program Files/Torvane", "Earlier", "Other", "Blocked", "victim", "rel", "Apps", "skinless",
                 "users/Public/Desktop/托尔文.lnk", "users/Public/Desktop/Torvane.lnk",
                 "ProgramData/Microsoft/Windows/Start Menu/Programs/托尔文",
                 "ProgramData/Microsoft/Windows/Start Menu/Programs/Torvane"):
        full = WINE.c_drive(path)
        if os.path.isdir(full):
            shutil.rmtree(full, ignore_errors=True)
        elif os.path.exists(full):
            os.remove(full)


def reg_value(key, name, view="/reg:32"):
    out = WINE.cmd(f"reg query {key} /v {name} {view}")
    for line in out.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == name:
            return parts[2].strip()
    return None


class Silent(unittest.TestCase):
    def setUp(self):
        reset_machine()
        ReportServer.posts.clear()

    def test_install_puts_everything_in_place_and_reports(self):
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
        folder = WINE.c_drive(PROGRAM_FILES)
        for name in ("Torvane.exe", "Uninstall.exe", "updater.exe", "TorvaneService.exe", "Uninstall.xml",
                     "source.dat"):
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        self.assertTrue(os.path.isfile(WINE.c_drive("users/Public/Desktop/托尔文.lnk")))
        self.assertTrue(os.path.isfile(WINE.c_drive(
            "ProgramData/Microsoft/Windows/Start Menu/Programs/托尔文/托尔文.lnk")))
        self.assertEqual(reg_value(APP_KEY, "AppPath", view=""), "C:\\Program Files\\Torvane\\")
        self.assertEqual(reg_value(UNINSTALL_KEY, "DisplayVersion"), "6.2.10.03")
        self.assertIn("TorvaneService", WINE.cmd("sc query TorvaneService"))
        self.assertTrue(any(path.startswith("/log/info/uploadLog.go?type=") for path, _ in ReportServer.posts),
                        ReportServer.posts)

    def test_second_instance_ends_with_1_and_shows_nothing(self):
        first = WINE.start(EXE)
        window = drv.main_window(WINE)
        self.assertIsNotNone(window)
        before = set(drv.visible_windows(WINE))
        self.assertEqual(WINE.run_exe(EXE, "/s"), 1)
        self.assertEqual(set(drv.visible_windows(WINE)) - before, set())
        window.click(drv.CLOSE)
        self.assertEqual(first.wait(60), 3)

    def test_path_without_a_drive_ends_with_9(self):
        WINE.cmd(f"reg add {APP_KEY} /v AppPath /d Apps /f")
        self.assertEqual(WINE.run_exe(EXE, "/s"), 9)

    def test_folder_that_cannot_be_created_ends_with_10(self):
        WINE.cmd(f"reg add {APP_KEY} /v AppPath /d Q:\\Torvane\\ /f")  # no drive Q: in the prefix
        self.assertEqual(WINE.run_exe(EXE, "/s"), 10)

    def test_failing_extraction_ends_with_12_and_rolls_back(self):
        folder = WINE.c_drive("Blocked/Torvane")
        os.makedirs(folder)
        with open(os.path.join(folder, "plugins"), "w") as blocker:  # a file where the payload has a folder
            blocker.write("x")
        WINE.cmd(f"reg add {APP_KEY} /v AppPath /d C:\\Blocked\\Torvane\\ /f")
        self.assertEqual(WINE.run_exe(EXE, "/s"), 12)
        self.assertEqual(sorted(os.listdir(folder)), ["plugins"])
        self.assertFalse(os.path.exists(WINE.c_drive("users/Public/Desktop/托尔文.lnk")))


class Win32Windows(unittest.TestCase):
    def test_64_bit_package_on_32_bit_windows_ends_with_5(self):
        prefix = WINE.prefix + "-win32"
        shutil.rmtree(prefix, ignore_errors=True)
        wine32 = drv.Wine(prefix)
        wine32.env["WINEARCH"] = "win32"
        try:
            drv.run(["wine", "wineboot", "-i"], env=wine32.env, timeout=300)
            self.assertEqual(wine32.run_exe(EXE, "/s"), 5)
            self.assertEqual(drv.visible_windows(wine32, drv.TITLE), [])
        finally:
            drv.run(["wineserver", "-k"], env=wine32.env, check=False)
            shutil.rmtree(prefix, ignore_errors=True)


class MainWindowCase(unittest.TestCase):
    """A test that starts on a clean machine with the installer's main window shown."""

    def setUp(self):
        reset_machine()
        self.proc = WINE.start(EXE)
        self.window = drv.main_window(WINE)
        self.assertIsNotNone(self.window, "the main window did not show")

    def tearDown(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(30)

    def wait_done_page(self):
        return drv.wait_for(lambda: drv.near(self.window.pixel(drv.START_NOW_PLAIN), drv.ENABLED_BLUE, 24), 120)


class Interactive(MainWindowCase):
    def install_button_enabled(self):
        color = self.window.pixel(drv.INSTALL_PLAIN)
        if drv.near(color, drv.ENABLED_BLUE, 24):
            return True
        self.assertTrue(drv.near(color, drv.DISABLED_GREY), color)
        return False

    def test_consent_enables_the_install_button_and_close_on_page_0_gives_3(self):
        self.assertFalse(self.install_button_enabled())
        self.window.click(drv.INSTALL)  # disabled: nothing happens
        self.assertEqual(self.window.geometry()[2:], (600, 400))
        self.window.click(drv.CONSENT)
        self.assertTrue(self.install_button_enabled())
        self.window.click(drv.CONSENT)
        self.assertFalse(self.install_button_enabled())
        self.window.click(drv.CLOSE)
        self.assertEqual(self.proc.wait(60), 3)

    def test_custom_area_toggles_the_height_and_the_install_returns_to_400(self):
        self.window.click(drv.CUSTOM_TOGGLE)
        self.assertEqual(drv.wait_for(lambda: self.window.geometry()[3] == 450, 5) and 450, 450)
        x, y, _, _ = self.window.geometry()
        self.window.click(drv.CUSTOM_TOGGLE)
        self.assertEqual(drv.wait_for(lambda: self.window.geometry()[3] == 400, 5) and 400, 400)
        self.assertEqual(self.window.geometry()[:2], (x, y), "the top-left corner stays")
        self.window.click(drv.CUSTOM_TOGGLE)
        self.assertTrue(drv.wait_for(lambda: self.window.geometry()[3] == 450, 5))
        self.window.click(drv.CONSENT)
        self.window.click(drv.INSTALL, settle=0)
        self.window.key("alt+F4")  # refused while installing
        self.assertTrue(drv.wait_for(lambda: self.window.geometry()[3] == 400, 10))
        self.assertTrue(self.wait_done_page())
        self.assertTrue(self.window.exists())
        self.window.click(drv.CLOSE)  # on page 2 the completion's code stays
        self.assertEqual(self.proc.wait(60), 0)

    def test_alt_f4_on_page_0_closes_and_keeps_0(self):
        self.window.click(drv.PICTURE)  # the keyboard focus
        self.window.key("alt+F4")
        self.assertEqual(self.proc.wait(60), 0)

    def test_picture_drags_the_window(self):
        x, y, _, _ = self.window.geometry()
        self.window.drag(drv.PICTURE, 60, 40)
        self.assertEqual(self.window.geometry()[:2], (x + 60, y + 40))

    def test_install_by_clicks_then_start_now_launches_the_product(self):
        self.window.click(drv.CONSENT)
        self.window.click(drv.INSTALL)
        self.assertTrue(self.wait_done_page())
        self.window.click(drv.START_NOW)
        self.assertEqual(self.proc.wait(60), 0)
        launched = drv.wait_for(lambda: subprocess.run(["pgrep", "-f", r"Program Files\\Torvane\\Torvane\.exe"],
                                                       stdout=subprocess.DEVNULL).returncode == 0, 20)
        self.assertTrue(launched, "Torvane.exe did not start from the install folder")
        self.assertTrue(os.path.isfile(WINE.c_drive("users/Public/Desktop/托尔文.lnk")))


class EarlierInstall(unittest.TestCase):
    def setUp(self):
        reset_machine()

    def test_new_location_question_no_keeps_the_earlier_folder(self):
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)  # the earlier install, in Program Files
        subprocess.run(["pkill", "-f", "Torvane\\.exe"], check=False)
        proc = WINE.start(EXE)
        try:
            window = drv.main_window(WINE)
            window.click(drv.CUSTOM_TOGGLE)
            window.click(drv.PATH_EDIT)
            window.key("End")
            window.key("shift+Home")
            window.type("C:\\Other")
            window.click(drv.CONSENT)  # also ends the edit
            window.click(drv.INSTALL)
            box = drv.message_box(WINE, exclude=[window.wid])
            self.assertIsNotNone(box, "no new-location question")
            box.click(drv.BOX_NO)
            self.assertTrue(drv.wait_for(lambda: drv.near(window.pixel(drv.START_NOW_PLAIN), drv.ENABLED_BLUE, 24),
                                         120))
            window.click(drv.CLOSE)
            self.assertEqual(proc.wait(60), 0)
        finally:
            if proc.poll() is None:
                proc.kill()
        self.assertTrue(os.path.isfile(WINE.c_drive(PROGRAM_FILES + "Torvane.exe")))
        self.assertFalse(os.path.exists(WINE.c_drive("Other/Torvane")), "the unused new folder is removed")


# MSAA roles and states, as oleacc.h numbers them.
ROLE_CLIENT, ROLE_LINK, ROLE_STATICTEXT, ROLE_PUSHBUTTON, ROLE_CHECKBUTTON, ROLE_PROGRESSBAR = 10, 30, 41, 43, 44, 48
STATE_UNAVAILABLE, STATE_FOCUSED, STATE_CHECKED, STATE_FOCUSABLE = 0x1, 0x4, 0x10, 0x100000


class AccessibleChild:
    def __init__(self, line):
        fields = line.split("\t")
        self.id, self.role, self.state = int(fields[0]), int(fields[1]), int(fields[2], 16)
        self.name, self.value, self.action = fields[3], fields[4], fields[5]
        self.location = tuple(int(v) for v in fields[6].split(","))
        self.hit = int(fields[7])

    def __repr__(self):
        return f"<{self.id} {self.name!r} role {self.role} state {self.state:#x} value {self.value!r}>"


class Accessibility(MainWindowCase):
    """The main window as a screen reader reads it: accessibility-probe.exe asks its
    client area's IAccessible from another process (AccessibleObjectFromWindow)."""

    def probe(self, *args):
        return drv.run([WINE.wine, os.environ["TORVANE_ACCESSIBILITY_PROBE"], *args], env=WINE.env, check=False)

    def tree(self):
        lines = self.probe("dump").splitlines()
        self.assertTrue(lines and lines[0].startswith("self\t"), lines)
        self.self_line = lines[0].split("\t")
        return [AccessibleChild(line) for line in lines[1:]]

    def child(self, name, children=None):
        found = [c for c in (children if children is not None else self.tree()) if c.name == name]
        return found[0] if found else None

    def test_controls_have_roles_names_and_places_in_tab_order(self):
        children = self.tree()
        self.assertEqual(self.self_line[0:2], ["self", str(ROLE_CLIENT)])
        self.assertEqual(self.self_line[3], "parent")
        self.assertEqual(int(self.self_line[2]), len(children))
        names = [c.name for c in children]
        # Reading order: caption, close, the install button, then the consent line left to right.
        for earlier, later in (("关闭", "极速安装"), ("极速安装", "已阅读并同意"), ("已阅读并同意", "《用户许可协议》"),
                               ("《隐私政策》", "自定义安装")):
            self.assertLess(names.index(earlier), names.index(later), names)
        close = self.child("关闭", children)
        self.assertEqual((close.role, close.action), (ROLE_PUSHBUTTON, "Press"))
        self.assertTrue(close.state & STATE_FOCUSABLE)
        install = self.child("极速安装", children)
        self.assertEqual(install.role, ROLE_PUSHBUTTON)
        self.assertTrue(install.state & STATE_UNAVAILABLE, install)
        self.assertEqual(self.child("已阅读并同意", children).role, ROLE_CHECKBUTTON)
        self.assertEqual(self.child("《用户许可协议》", children).role, ROLE_LINK)
        self.assertEqual(self.child("和", children).role, ROLE_STATICTEXT)
        self.assertEqual(self.child("自定义安装", children).role, ROLE_PUSHBUTTON)
        # Screen places: the window's corner plus the skin's layout (install button 224,304 152x44).
        x, y, _, _ = self.window.geometry()
        self.assertEqual(install.location, (x + 224, y + 280 + 24, 152, 44))
        self.assertEqual(close.location, (x + 568, y + 12, 20, 20))
        for c in children:
            if c.role in (ROLE_PUSHBUTTON, ROLE_CHECKBUTTON, ROLE_LINK):
                self.assertEqual(c.hit, c.id, f"a hit test at the centre of {c} found {c.hit}")

    def test_consent_state_follows_clicks_and_the_default_action(self):
        consent = self.child("已阅读并同意")
        self.assertFalse(consent.state & STATE_CHECKED)
        self.window.click(drv.CONSENT)
        self.assertTrue(self.child("已阅读并同意").state & STATE_CHECKED)
        self.assertFalse(self.child("极速安装").state & STATE_UNAVAILABLE)
        self.assertEqual(self.child("已阅读并同意").action, "Uncheck")
        self.window.click(drv.CONSENT)
        self.assertFalse(self.child("已阅读并同意").state & STATE_CHECKED)
        self.assertTrue(self.child("极速安装").state & STATE_UNAVAILABLE)
        # The default action checks it as a click does, and the install button follows.
        self.assertEqual(self.probe("do", str(consent.id)).strip(), "done")
        self.assertTrue(drv.wait_for(lambda: self.child("已阅读并同意").state & STATE_CHECKED, 20))
        self.assertFalse(self.child("极速安装").state & STATE_UNAVAILABLE)
        self.assertTrue(drv.near(self.window.pixel(drv.INSTALL_PLAIN), drv.ENABLED_BLUE, 24))

    def test_disabled_button_refuses_its_default_action(self):
        install = self.child("极速安装")
        self.assertEqual(self.probe("do", str(install.id)).strip(), "refused")

    def test_install_by_default_actions_raises_events_with_the_progress_rising(self):
        # The install takes a second or two: the probe listens to the window's WinEvents meanwhile.
        watch = subprocess.Popen([WINE.wine, os.environ["TORVANE_ACCESSIBILITY_PROBE"], "watch", "120"], env=WINE.env,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            self.assertEqual(watch.stdout.readline().strip(), "watching")
            consent, install = self.child("已阅读并同意"), self.child("极速安装")
            self.assertEqual(self.probe("do", str(consent.id)).strip(), "done")
            self.assertTrue(drv.wait_for(lambda: not self.child("极速安装").state & STATE_UNAVAILABLE, 20))
            self.assertEqual(self.probe("do", str(install.id)).strip(), "done")
            self.assertTrue(self.wait_done_page())
            self.window.click(drv.CLOSE)
            self.assertEqual(self.proc.wait(60), 0)
            events = [line.split("\t") for line in watch.stdout.read().splitlines()]
        finally:
            if watch.poll() is None:
                watch.kill()
            watch.wait(30)
            watch.stdout.close()
        # The consent box's state and then the install button's availability changed.
        self.assertIn(["state", str(consent.id), "已阅读并同意", "-", f"{STATE_FOCUSABLE | STATE_CHECKED:08x}"], events)
        self.assertIn(["state", str(install.id), "极速安装", "-", f"{STATE_FOCUSABLE:08x}"], events)
        # Page 0 hid its controls, page 1 showed the bar, whose value then rose.
        self.assertIn(["hide", str(install.id)], events)
        # The watcher reads each event's child after the fact, maybe pages later: the child
        # ids are the controls' own, so the late read still names the bar.
        self.assertTrue(any(e[0] == "show" and e[2:3] == ["安装进度"] for e in events), events)
        values = [int(e[3].rstrip("%")) for e in events if e[0] == "value" and e[2:3] == ["安装进度"]]
        # The values are read when the watcher gets each event, not when it was raised:
        # a loaded run read 80 before a late 75. What must hold is that the bar rose.
        self.assertGreaterEqual(len(set(values)), 2, values)
        self.assertGreater(values[-1], values[0], values)
        self.assertTrue(any(e[0] == "focus" for e in events), events)


class Keyboard(MainWindowCase):
    """The whole install with the keyboard alone: Tab and Shift+Tab move a visible
    focus mark, Space and Enter press, Esc is the page's close button."""
    CONSENT_MARK_ROW = ((16, 370), 104)  # the dotted frame 2 px around check_userprot (18,372 100x16)

    def dark_pixels(self, start, length):
        x, y = self.window.screen_point(start)
        out = drv.run(["import", "-window", "root", "-crop", f"{length}x1+{x}+{y}", "-depth", "8", "txt:-"],
                      env=WINE.env)
        colors = [int(m, 16) for m in re.findall(r"#([0-9A-Fa-f]{6})", out)]
        return sum(1 for c in colors if max((c >> 16) & 255, (c >> 8) & 255, c & 255) < 0x60)

    def test_tab_space_and_enter_install_and_esc_closes_page_2_with_0(self):
        self.assertEqual(self.dark_pixels(*self.CONSENT_MARK_ROW), 0)
        self.window.key("Tab")  # from the close button past the unavailable install button
        self.assertGreater(self.dark_pixels(*self.CONSENT_MARK_ROW), 20, "no focus mark around the consent box")
        self.window.key("space")
        self.assertTrue(drv.wait_for(lambda: drv.near(self.window.pixel(drv.INSTALL_PLAIN), drv.ENABLED_BLUE, 24), 10))
        self.window.key("shift+Tab")
        self.assertEqual(self.dark_pixels(*self.CONSENT_MARK_ROW), 0, "the mark left with the focus")
        self.window.key("Return")
        self.assertTrue(self.wait_done_page(), "page 2")
        self.window.key("Escape")
        self.assertEqual(self.proc.wait(60), 0)

    def test_esc_on_page_0_is_the_close_button(self):
        self.window.key("Escape")
        self.assertEqual(self.proc.wait(60), 3)

    def test_shift_tab_walks_back_in_reading_order(self):
        # From the close button backwards: the custom area's toggle, then its button.
        self.window.key("shift+Tab")
        self.window.key("shift+Tab")
        self.window.key("Return")
        self.assertTrue(drv.wait_for(lambda: self.window.geometry()[3] == 450, 10), "the custom area opened")


def set_log_pixels(dpi):
    drv.set_log_pixels(WINE, dpi)


class HighDpi(unittest.TestCase):
    """At 125 %, 150 % and 200 % the window and its controls scale by the DPI, text is
    drawn at its size; the screenshots go to TORVANE_SCREENSHOT_DIR when it is set."""

    def tearDown(self):
        set_log_pixels(96)

    def check_scale(self, dpi, size):
        reset_machine()
        set_log_pixels(dpi)
        proc = WINE.start(EXE)
        try:
            window = drv.main_window(WINE)
            self.assertIsNotNone(window, "the main window did not show")
            self.assertEqual(window.geometry()[2:], size)
            factor = dpi / 96
            scaled = lambda p: (int(p[0] * factor), int(p[1] * factor))  # noqa: E731
            # The install button, unavailable grey, at its scaled place; its blue after the consent.
            self.assertTrue(drv.near(window.pixel(scaled(drv.INSTALL_PLAIN)), drv.DISABLED_GREY), dpi)
            window.click(scaled(drv.CONSENT))
            self.assertTrue(drv.wait_for(
                lambda: drv.near(window.pixel(scaled(drv.INSTALL_PLAIN)), drv.ENABLED_BLUE, 24), 10), dpi)
            shots = os.environ.get("TORVANE_SCREENSHOT_DIR")
            if shots:
                window.screenshot(os.path.join(shots, f"installer-{dpi * 100 // 96}.png"), margin=int(20 * factor))
            window.click(scaled(drv.CLOSE))
            self.assertEqual(proc.wait(60), 3)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait(30)

    def test_125_percent_is_750_by_500(self):
        self.check_scale(120, (750, 500))

    def test_150_percent_is_900_by_600(self):
        self.check_scale(144, (900, 600))

    def test_200_percent_is_1200_by_800(self):
        self.check_scale(192, (1200, 800))


def running(pattern):
    return subprocess.run(["pgrep", "-f", pattern], stdout=subprocess.DEVNULL).returncode == 0


class UntrustedInput(unittest.TestCase):
    """Values a standard user can write steer nothing outside the product's own folder."""

    def setUp(self):
        reset_machine()

    def test_app_path_to_a_user_folder_installs_into_its_product_subfolder(self):
        victim = WINE.c_drive("victim")
        os.makedirs(victim)
        shutil.copy(os.path.join(os.environ["TORVANE_PRODUCT_DIR"], "Torvane.exe"), os.path.join(victim, "v.exe"))
        foreign = WINE.start("C:\\victim\\v.exe")
        try:
            self.assertTrue(drv.wait_for(lambda: running(r"victim.v\.exe"), 60), "v.exe did not start")
            WINE.cmd(f"reg add {APP_KEY} /v AppPath /d C:\\victim\\ /f")
            self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
            self.assertTrue(running(r"victim.v\.exe"), "the foreign program was ended")
            self.assertEqual(sorted(os.listdir(victim)), ["Torvane", "v.exe"])
            self.assertTrue(os.path.isfile(os.path.join(victim, "Torvane", "TorvaneService.exe")))
            image = reg_value("HKLM\\System\\CurrentControlSet\\Services\\TorvaneService", "ImagePath", view="")
            self.assertIsNotNone(image)
            self.assertIn("C:\\victim\\Torvane\\TorvaneService.exe", image)
            self.assertEqual(reg_value(APP_KEY, "AppPath", view=""), "C:\\victim\\Torvane\\")
        finally:
            WINE.cmd("taskkill /f /im v.exe")
            foreign.wait(60)

    def test_app_path_without_a_separator_registers_the_folder_itself(self):
        WINE.cmd(f"reg add {APP_KEY} /v AppPath /d C:\\Other\\Torvane /f")
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
        folder = WINE.c_drive("Other/Torvane")
        for name in ("Uninstall.xml", "source.dat", "Torvane.exe"):
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        self.assertEqual(sorted(os.listdir(WINE.c_drive("Other"))), ["Torvane"])
        self.assertEqual(reg_value(UNINSTALL_KEY, "DisplayIcon"), "C:\\Other\\Torvane\\Torvane.exe")
        self.assertEqual(reg_value(UNINSTALL_KEY, "UninstallString"), '"C:\\Other\\Torvane\\Uninstall.exe"')
        self.assertEqual(reg_value(APP_KEY, "AppPath", view=""), "C:\\Other\\Torvane\\")

    def test_folders_that_are_not_plain_drive_folders_end_with_9(self):
        for value in ("C:rel", "C:\\Windows\\Torvane", "c:\\windows\\system32", "C:\\Apps\\CON",
                      "C:\\Apps\\LPT1.txt\\x", "C:\\Apps.", "\\\\?\\C:\\Apps", "\\\\localhost\\C$\\Apps"):
            with self.subTest(value=value):
                WINE.cmd(f'reg add {APP_KEY} /v AppPath /d "{value}" /f')
                self.assertEqual(WINE.run_exe(EXE, "/s"), 9)
        self.assertFalse(os.path.exists(WINE.c_drive("windows/Torvane")))
        self.assertFalse(os.path.exists(WINE.c_drive("Apps")))
        self.assertIsNone(reg_value(UNINSTALL_KEY, "DisplayIcon"))

    def test_the_machine_wide_record_names_the_earlier_folder_not_app_path(self):
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)  # Program Files, recorded by the installer itself
        subprocess.run(["pkill", "-f", "Torvane\\.exe"], check=False)
        os.makedirs(WINE.c_drive("victim"))
        WINE.cmd(f"reg add {APP_KEY} /v AppPath /d C:\\victim\\ /f")
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
        self.assertEqual(os.listdir(WINE.c_drive("victim")), [])
        self.assertTrue(os.path.isfile(WINE.c_drive(PROGRAM_FILES + "Uninstall.xml")))
        self.assertEqual(reg_value(APP_KEY, "AppPath", view=""), "C:\\" + PROGRAM_FILES)

    def test_a_skin_that_cannot_load_ends_a_silent_run_with_1_at_once(self):
        with open(os.environ["TORVANE_SKIN_ZIP"], "rb") as f:
            skin = f.read()
        with open(EXE, "rb") as f:
            image = f.read()
        at = image.find(skin)
        self.assertGreater(at, 0, "the skin archive is not in the installer")
        spoilt = image[:at] + bytes(len(skin)) + image[at + len(skin):]  # the resource stays, the zip is gone
        os.makedirs(WINE.c_drive("skinless"))
        copy = WINE.c_drive("skinless/Setup.exe")
        with open(copy, "wb") as f:
            f.write(spoilt)
        before = set(drv.visible_windows(WINE))
        started = time.time()
        proc = WINE.start(copy, "/s")
        shown = set()
        while proc.poll() is None and time.time() - started < 120:
            shown |= set(drv.visible_windows(WINE)) - before
            time.sleep(0.2)
        if proc.poll() is None:
            proc.kill()
        self.assertEqual(proc.wait(30), 1)
        self.assertLess(time.time() - started, 60)
        self.assertEqual(shown, set(), "a window or box showed")
        self.assertFalse(os.path.exists(WINE.c_drive(PROGRAM_FILES)))


def registry_values(key, view="/reg:32"):
    """{name: data} of one key's values, read from "reg export" (UTF-16: cmd's
    output has the console's code page, which may lack the names' letters)."""
    path = WINE.c_drive("export.reg")
    WINE.cmd(f"reg export {key} C:\\export.reg {view} /y")
    values = {}
    try:
        with open(path, encoding="utf-16") as f:
            for line in f.read().splitlines():
                name, sep, data = line.partition("=")
                if sep and name.startswith('"'):
                    values[name.strip('"')] = data
    finally:
        if os.path.exists(path):
            os.remove(path)
    return values


def installed_state():
    """The install folder's files with their bytes' digests (the record's bytes
    are the files it lists, which are the same), the three keys' values, and the
    links by folder."""
    folder = WINE.c_drive(PROGRAM_FILES)
    files = {}
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    keys = {key: registry_values(key, view) for key, view in
            ((APP_KEY, ""), (UNINSTALL_KEY, "/reg:32"), ("HKLM\\Software\\Torvane3", "/reg:32"))}
    # The machine's Guid is new on each clean machine: only its shape compares.
    guid = keys["HKLM\\Software\\Torvane3"].get("Guid", "")
    keys["HKLM\\Software\\Torvane3"]["Guid"] = re.sub("[0-9A-F]", "x", guid)
    programs = WINE.c_drive("ProgramData/Microsoft/Windows/Start Menu/Programs")
    links = {name: sorted(os.listdir(os.path.join(programs, name))) for name in ("托尔文", "Torvane")
             if os.path.isdir(os.path.join(programs, name))}
    desktop = sorted(n for n in os.listdir(WINE.c_drive("users/Public/Desktop")) if n.endswith(".lnk"))
    return files, keys, links, desktop


def differing_pixels(a, b):
    """How many pixels of two pictures of one size differ by more than a tenth."""
    run = subprocess.run(["compare", "-metric", "AE", "-fuzz", "10%", a, b, "null:"],
                         capture_output=True, text=True, timeout=60)
    return int(float(run.stderr.split()[0]))


class English(unittest.TestCase):
    """The same installer under an English UI language, or told /lang=en_US."""

    def setUp(self):
        reset_machine()

    def tearDown(self):
        WINE.env["LANG"] = os.environ.get("LANG", "C.UTF-8")
        WINE.env["LC_MESSAGES"] = os.environ.get("LC_MESSAGES", "")

    @staticmethod
    def speak_english():
        """Wine's UI language from LANG=en_US.UTF-8 alone."""
        WINE.env["LANG"] = "en_US.UTF-8"
        WINE.env.pop("LC_MESSAGES", None)

    def test_silent_installs_in_both_languages_leave_the_same_files_and_registry(self):
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
        zh = installed_state()
        reset_machine()
        self.assertEqual(WINE.run_exe(EXE, "/lang=en_US", "/s"), 0)
        en = installed_state()
        reset_machine()
        self.speak_english()
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
        self.assertEqual(installed_state(), en, "LANG=en_US.UTF-8 and /lang=en_US differ")

        zh_files, zh_keys, zh_links, zh_desktop = zh
        en_files, en_keys, en_links, en_desktop = en
        self.assertEqual(en_files, zh_files)
        self.assertIn("Torvane.exe", en_files)
        # Only the display texts differ: the product's and the maker's names.
        for key in zh_keys:
            differing = {name for name in zh_keys[key].keys() | en_keys[key].keys()
                         if zh_keys[key].get(name) != en_keys[key].get(name)}
            self.assertLessEqual(differing, {"DisplayName", "Publisher"}, key)
        self.assertEqual(zh_keys[UNINSTALL_KEY]["DisplayName"], '"托尔文"')
        self.assertEqual(en_keys[UNINSTALL_KEY]["DisplayName"], '"Torvane"')
        self.assertEqual(en_keys[UNINSTALL_KEY]["Publisher"], '"Xinglan Sample Software Co., Ltd."')
        self.assertIn("AppPath", en_keys[APP_KEY])
        self.assertEqual(zh_links, {"托尔文": ["卸载托尔文.lnk", "托尔文.lnk"]})
        self.assertEqual(en_links, {"Torvane": ["Torvane.lnk", "Uninstall Torvane.lnk"]})
        self.assertEqual((zh_desktop, en_desktop), (["托尔文.lnk"], ["Torvane.lnk"]))

    def test_an_install_in_english_over_a_chinese_one_leaves_only_english_links(self):
        self.assertEqual(WINE.run_exe(EXE, "/s"), 0)
        _, _, links, desktop = installed_state()
        self.assertEqual((links, desktop), ({"托尔文": ["卸载托尔文.lnk", "托尔文.lnk"]}, ["托尔文.lnk"]))
        self.assertEqual(WINE.run_exe(EXE, "/lang=en_US", "/s"), 0)
        _, _, links, desktop = installed_state()
        self.assertEqual((links, desktop), ({"Torvane": ["Torvane.lnk", "Uninstall Torvane.lnk"]}, ["Torvane.lnk"]))

    def window_matches_skin(self, title, language, *args):
        """Starts the installer and compares its page 0 with skinview's picture of
        each language's skin: it must look like `language`'s and not the other's."""
        proc = WINE.start(EXE, *args)
        try:
            window = drv.main_window(WINE, title=title)
            self.assertIsNotNone(window, f"no window titled {title}")
            # The mouse away from every control: no hot state in the picture.
            WINE.xdo("mousemove", "0", "0")
            time.sleep(1)
            with tempfile.TemporaryDirectory() as tmp:
                shot = os.path.join(tmp, "window.png")
                window.screenshot(shot, margin=0)
                differences = {}
                for other in ("en_US", "zh_CN"):
                    skin = os.path.join(tmp, other + ".png")
                    drv.run(["wine", os.environ["TORVANE_SKINVIEW"], "png", "--zip", drv.winpath(SKIN_ZIP),
                             f"wnd_main_{other}.xml", drv.winpath(skin)], env=WINE.env)
                    # Below the picture: the install button and the consent row.
                    crop = ["-crop", "600x120+0+280", "+repage"]
                    for path in (shot, skin):
                        drv.run(["convert", path, *crop, path + ".row.png"])
                    differences[other] = differing_pixels(shot + ".row.png", skin + ".row.png")
            other = "zh_CN" if language == "en_US" else "en_US"
            self.assertLess(differences[language], 50, differences)
            self.assertGreater(differences[other], 500, differences)
            window.click(drv.CLOSE)
            self.assertEqual(proc.wait(60), 3)
        finally:
            if proc.poll() is None:
                proc.kill()

    def test_running_window_speaks_the_chosen_language(self):
        self.window_matches_skin(drv.TITLE, "zh_CN")
        self.window_matches_skin(drv.TITLE_EN, "en_US", "/lang=en_US")
        self.speak_english()
        self.window_matches_skin(drv.TITLE_EN, "en_US")
        self.window_matches_skin(drv.TITLE, "zh_CN", "/lang=zh_CN")


def main():
    global EXE, WINE
    EXE = sys.argv.pop(1)
    WINE = drv.Wine(os.environ["WINEPREFIX"])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", REPORT_PORT), ReportServer)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        unittest.main(verbosity=2)
    finally:
        server.shutdown()


if __name__ == "__main__":
    main()
