#!/usr/bin/env bash
# Builds everything and starts the installer under Wine: on the current display,
# or, when there is none, silently ("/s") on a private Xvfb, printing its exit
# code and what it means. --screenshots DIR drives an interactive install on a
# private Xvfb and writes PNGs of its pages into DIR. Other arguments go to the installer.
# The main job has a Wine prefix of its own (build/wineprefix-run, or
# TORVANE_RUN_PREFIX), so that what it installs never meets the test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"

. "$root/scripts/wine-env.sh"
if [ "${1:-}" = --screenshots ]; then
  [ $# -eq 2 ] || { echo "usage: run.sh --screenshots DIR" >&2; exit 2; }
  out=$(mkdir -p "$2" && cd "$2" && pwd)
  # Always a private display with a compositor, so that the shadow blends as on Windows.
  . "$root/scripts/xvfb.sh"
  start_xvfb
  xcompmgr -n >/dev/null 2>&1 &
  compositor=$!
  trap 'kill $compositor 2>/dev/null; wineserver -k >/dev/null 2>&1 || true; stop_xvfb' EXIT
  export WINEPREFIX=$build/wineprefix-shots
  "$root/scripts/wine-prefix.sh" "$WINEPREFIX"
  python3 "$root/scripts/installer_screenshots.py" "$build/TorvaneSetup.exe" "$out"
  exit 0
fi

export WINEPREFIX=${TORVANE_RUN_PREFIX:-$build/wineprefix-run}
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

# What the installer's exit codes mean, word for word as app/exit_codes.h has them
# (the ExitCodes test holds the two together).
exit_meaning() {
  case $1 in
    0) echo "installed" ;;
    1) echo "another installer is running" ;;
    2) echo "the single-instance mutex could not be created" ;;
    3) echo "closed by the user before the install" ;;
    4) echo "Windows older than 7" ;;
    5) echo "the package's bitness does not fit Windows" ;;
    6) echo "the user declined to stop the running product" ;;
    7) echo "the user declined to replace an install of the other bitness" ;;
    8) echo "the user declined to install over a newer version" ;;
    9) echo "silent: the install path is not a drive path" ;;
    10) echo "silent: the install folder could not be created" ;;
    11) echo "silent: less than 0.5 GiB free" ;;
    12) echo "the install failed" ;;
    *) echo "not an installer exit code" ;;
  esac
}

if [ -z "${DISPLAY:-}" ]; then
  # No display: the silent install, its hidden window on a private Xvfb.
  . "$root/scripts/xvfb.sh"
  start_xvfb
  trap 'wineserver -k >/dev/null 2>&1 || true; stop_xvfb' EXIT
  set -- /s "$@"
fi

echo "run: starting $build/TorvaneSetup.exe $* under Wine (DISPLAY=$DISPLAY, prefix $WINEPREFIX)"
rc=0; wine "$build/TorvaneSetup.exe" "$@" || rc=$?
echo "run: installer exit code $rc: $(exit_meaning $rc)"
exit $rc
