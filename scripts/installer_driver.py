"""Drives TorvaneSetup.exe under Wine as a person would: xdotool for the mouse and
keys, ImageMagick for pixels and screenshots. Shared by the installer's end-to-end
tests and by run.sh --screenshots.

Positions are window-relative, as the main window's skin lays them out."""
import os
import re
import subprocess
import time

TITLE = "托尔文安装程序"
TITLE_EN = "Torvane Setup"    # under an English UI language or /lang=en_US

# Main window (600 x 400, 450 with the custom area).
CONSENT = (25, 380)            # check_userprot's box
INSTALL = (300, 326)           # btn_install_start
INSTALL_PLAIN = (232, 310)     # a pixel of the install button away from its text
CUSTOM_TOGGLE = (540, 380)     # btn_usercustom
PATH_EDIT = (300, 426)         # edit_installpath, with the custom area open
CLOSE = (578, 22)              # closebtn
START_NOW = (290, 340)         # btn_open_zelk on page 2
START_NOW_PLAIN = (220, 355)   # a pixel of it outside page 0's install button
PICTURE = (300, 140)           # the caption picture (drags the window)
PROGRESS_TRACK = (560, 364)    # right end of pro_install on page 1 (white on page 0)

# Message box (380 wide); its buttons sit 35 px above its bottom edge.
BOX_WIDTH = 380
BOX_OK = (248, -35)
BOX_NO = (326, -35)
BOX_ONLY = BOX_NO              # a one-button box's OK takes No's place

ENABLED_BLUE = (0x34, 0x7B, 0xF6)
DISABLED_GREY = (0xF2, 0xF4, 0xF8)


def run(cmd, env=None, check=True, timeout=120):
    return subprocess.run(cmd, env=env, check=check, timeout=timeout, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout


def prefix_display(prefix):
    """The X display of a prefix made by fresh-prefix.sh (it has its own), else None."""
    try:
        with open(prefix.rstrip("/") + ".display", encoding="ascii") as f:
            return f.read().strip() or None
    except OSError:
        return None


class Wine:
    """One Wine prefix on one X display."""

    def __init__(self, prefix, display=None, wine="wine"):
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
        display = display or prefix_display(prefix)
        if display:
            self.env["DISPLAY"] = display
        self.prefix = prefix
        self.wine = wine

    def start(self, exe, *args):
        # Output to /dev/null: Wine's helper processes inherit pipes and would hold them open.
        return subprocess.Popen([self.wine, exe, *args], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run_exe(self, exe, *args, timeout=180):
        proc = self.start(exe, *args)
        return proc.wait(timeout=timeout)

    def cmd(self, line, timeout=120):
        """Runs one cmd.exe line; returns its output."""
        return run([self.wine, "cmd", "/c", line], env=self.env, check=False, timeout=timeout)

    def c_drive(self, path=""):
        """The Unix path of C:\\path."""
        return os.path.join(self.prefix, "drive_c", path.replace("\\", "/"))

    def xdo(self, *args):
        return run(["xdotool", *args], env=self.env, check=False, timeout=30)


class Window:
    def __init__(self, wine, wid):
        self.wine = wine
        self.wid = wid

    def geometry(self):
        out = self.wine.xdo("getwindowgeometry", "--shell", self.wid)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def settle(self, timeout=20):
        """Waits until the window stays where it is for half a second."""
        last = [None]

        def same_twice():
            now = self.geometry()
            same, last[0] = now == last[0], now
            return same
        return wait_for(same_twice, timeout, 0.5)

    def exists(self):
        return self.wid in visible_windows(self.wine)

    def screen_point(self, point):
        x, y, w, h = self.geometry()
        px, py = point
        return x + (px if px >= 0 else w + px), y + (py if py >= 0 else h + py)

    def click(self, point, settle=0.4):
        sx, sy = self.screen_point(point)
        self.wine.xdo("mousemove", str(sx), str(sy), "click", "1")
        time.sleep(settle)

    def drag(self, point, dx, dy):
        sx, sy = self.screen_point(point)
        self.wine.xdo("mousemove", str(sx), str(sy), "mousedown", "1")
        for step in range(1, 6):
            time.sleep(0.1)
            self.wine.xdo("mousemove", str(sx + dx * step // 5), str(sy + dy * step // 5))
        time.sleep(0.2)
        self.wine.xdo("mouseup", "1")
        time.sleep(0.5)

    def pixel(self, point):
        sx, sy = self.screen_point(point)
        return screen_pixel(self.wine, sx, sy)

    def key(self, keys):
        self.wine.xdo("key", keys)
        time.sleep(0.4)

    def type(self, text):
        self.wine.xdo("type", "--delay", "30", text)
        time.sleep(0.3)

    def screenshot(self, path, margin=20):
        """The window and a margin around it (its shadow)."""
        x, y, w, h = self.geometry()
        run(["import", "-window", "root", "-crop",
             f"{w + 2 * margin}x{h + 2 * margin}+{max(0, x - margin)}+{max(0, y - margin)}", "+repage", path],
            env=self.wine.env)


def screen_pixel(wine, x, y):
    out = run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"], env=wine.env)
    m = re.search(r"#([0-9A-Fa-f]{6})", out)
    v = int(m.group(1), 16)
    return (v >> 16) & 255, (v >> 8) & 255, v & 255


def visible_windows(wine, name=None):
    args = ["search", "--onlyvisible"]
    args += ["--name", f"^{name}$"] if name else ["--name", ".*"]
    return wine.xdo(*args).split()


def winpath(path):
    """The Wine path of a Unix path (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def near(color, want, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(color, want))


def wait_for(condition, timeout=30.0, step=0.2):
    end = time.time() + timeout
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return condition()


def set_log_pixels(wine, dpi):
    """Wine's screen DPI for the processes started after this (the server and desktop restart)."""
    for key in ("HKCU\\Control Panel\\Desktop", "HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"):
        # reg itself, not through cmd: the key has spaces, and cmd would get the quotes escaped.
        run([wine.wine, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
            env=wine.env, check=False)
    run(["wineserver", "-k"], env=wine.env, check=False)
    run(["wineserver", "-w"], env=wine.env, check=False)


def main_window(wine, timeout=60, title=TITLE):
    """The installer's main window once it is mapped and painted."""
    def find():
        ids = visible_windows(wine, title)
        return ids[0] if ids else None
    wid = wait_for(find, timeout)
    if not wid:
        return None
    window = Window(wine, wid)
    window.settle()
    # Painted: the picture's white-blue top left, not X's black.
    wait_for(lambda: sum(window.pixel((300, 60))) > 300, 20)
    return window


def message_box(wine, exclude=(), timeout=20):
    """A visible window 380 pixels wide that is not one of `exclude`."""
    def find():
        for wid in visible_windows(wine):
            if wid in exclude:
                continue
            window = Window(wine, wid)
            try:
                if window.geometry()[2] == BOX_WIDTH:
                    return window
            except (KeyError, ValueError):
                continue
        return None
    box = wait_for(find, timeout)
    if box:
        box.settle()
        time.sleep(0.3)  # painted
    return box
