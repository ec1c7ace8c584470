"""Drives an interactive install of TorvaneSetup.exe, and the uninstall of it, and
writes PNGs of their states; then an English install (Wine's UI language
en_US), whose PNGs end in "-en_US"; then the first page at 125, 150 and 200 %
("installer-125.png" ...):
    installer_screenshots.py EXE DIR
Needs WINEPREFIX (a prefix it may install into) and DISPLAY (with a compositor for
the shadow). Prints each file it writes."""
import os
import shutil
import subprocess
import sys
import time

import installer_driver as drv

UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Torvane3"
APP_KEY = "HKCU\\Software\\Torvane3"


def reset(wine):
    subprocess.run(["pkill", "-f", "Torvane\\.exe"], check=False)
    # The machine-wide record names the earlier folder before AppPath does.
    wine.cmd(f"reg delete {APP_KEY} /f & reg delete {UNINSTALL_KEY} /f /reg:32")
    for path in ("Program Files/Torvane", "Blocked"):
        shutil.rmtree(wine.c_drive(path), ignore_errors=True)


def shot(window, out, name):
    path = os.path.join(out, name)
    window.screenshot(path)
    print(f"screenshots: {path}")


def install_by_hand(wine, exe, out, suffix="", title=drv.TITLE):
    """A successful install, with the custom area and a refused path on the way."""
    proc = wine.start(exe)
    window = drv.main_window(wine, title=title)
    window.click(drv.CONSENT)
    time.sleep(0.5)
    shot(window, out, f"page0{suffix}.png")
    window.click(drv.CUSTOM_TOGGLE)
    drv.wait_for(lambda: window.geometry()[3] == 450, 5)
    time.sleep(0.5)
    shot(window, out, f"page0-custom{suffix}.png")
    window.click(drv.PATH_EDIT)
    window.key("End")
    window.key("shift+Home")
    window.type("Apps")
    window.click(drv.INSTALL)
    box = drv.message_box(wine, exclude=[window.wid])
    time.sleep(0.5)
    shot(box, out, f"messagebox{suffix}.png")
    box.click(drv.BOX_ONLY)
    window.click(drv.PATH_EDIT)
    window.key("End")
    window.key("shift+Home")
    window.type("C:\\Program Files")
    window.click(drv.INSTALL, settle=0)
    # Page 1: the progress bar's track where page 0 is white.
    drv.wait_for(lambda: sum(window.pixel(drv.PROGRESS_TRACK)) < 740, 30, 0.05)
    shot(window, out, f"page1{suffix}.png")
    drv.wait_for(lambda: drv.near(window.pixel(drv.START_NOW_PLAIN), drv.ENABLED_BLUE, 24), 120)
    time.sleep(0.5)
    shot(window, out, f"page2-success{suffix}.png")
    window.click(drv.CLOSE)
    proc.wait(60)


def uninstall_by_hand(wine, out, suffix=""):
    """The uninstaller of that install: its question, then its answer."""
    proc = wine.start(wine.c_drive("Program Files/Torvane/Uninstall.exe"))
    box = drv.message_box(wine, timeout=120)
    time.sleep(0.5)
    shot(box, out, f"uninstall-confirm{suffix}.png")
    box.click(drv.BOX_OK)
    result = drv.message_box(wine, exclude=(box.wid,), timeout=180)
    time.sleep(0.5)
    shot(result, out, f"uninstall-done{suffix}.png")
    result.click(drv.BOX_ONLY)
    print(f"screenshots: the uninstall ended with exit code {proc.wait(120)}")


def main():
    exe, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    wine = drv.Wine(os.environ["WINEPREFIX"])
    reset(wine)
    install_by_hand(wine, exe, out)
    uninstall_by_hand(wine, out)

    # A failed install: a file stands where the payload needs a folder.
    reset(wine)
    os.makedirs(wine.c_drive("Blocked/Torvane"))
    with open(wine.c_drive("Blocked/Torvane/plugins"), "w") as blocker:
        blocker.write("x")
    wine.cmd(f"reg add {APP_KEY} /v AppPath /d C:\\Blocked\\Torvane\\ /f")
    proc = wine.start(exe)
    window = drv.main_window(wine)
    window.click(drv.CONSENT)
    window.click(drv.INSTALL)
    drv.wait_for(lambda: drv.near(window.pixel(drv.START_NOW_PLAIN), drv.ENABLED_BLUE, 24), 120)
    time.sleep(0.5)
    shot(window, out, "page2-failure.png")
    window.click(drv.START_NOW)
    code = proc.wait(60)
    print(f"screenshots: the failed install ended with exit code {code}")
    reset(wine)

    # The same as an English Windows shows it.
    chinese = wine.env.get("LC_MESSAGES")
    wine.env["LC_MESSAGES"] = "en_US.UTF-8"
    install_by_hand(wine, exe, out, "-en_US", drv.TITLE_EN)
    uninstall_by_hand(wine, out, "-en_US")
    reset(wine)
    if chinese is None:
        del wine.env["LC_MESSAGES"]
    else:
        wine.env["LC_MESSAGES"] = chinese

    # The first page at 125 %, 150 % and 200 % (Wine's screen DPI).
    try:
        for dpi in (120, 144, 192):
            drv.set_log_pixels(wine, dpi)
            proc = wine.start(exe)
            window = drv.main_window(wine)
            window.click(tuple(int(v * dpi / 96) for v in drv.CONSENT))
            time.sleep(0.5)
            path = os.path.join(out, f"installer-{dpi * 100 // 96}.png")
            window.screenshot(path, margin=int(20 * dpi / 96))
            print(f"screenshots: {path}")
            window.click(tuple(int(v * dpi / 96) for v in drv.CLOSE))
            proc.wait(60)
    finally:
        drv.set_log_pixels(wine, 96)


if __name__ == "__main__":
    main()
