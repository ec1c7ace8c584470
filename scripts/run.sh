#!/usr/bin/env bash
# Builds everything and runs the main job: the installer under Wine when it has
# been built, otherwise the headless install driver when it exists, otherwise
# just the build. Uses the current display, or a private Xvfb when there is none.
# The main job has a Wine prefix of its own (build/wineprefix-run, or
# TORVANE_RUN_PREFIX), so that what it installs never meets the test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"

. "$root/scripts/wine-env.sh"
export WINEPREFIX=${TORVANE_RUN_PREFIX:-$build/wineprefix-run}
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

if [ -z "${DISPLAY:-}" ]; then
  . "$root/scripts/xvfb.sh"
  start_xvfb
  trap stop_xvfb EXIT
fi

if [ -f "$build/TorvaneSetup.exe" ]; then
  echo "run: starting $build/TorvaneSetup.exe under Wine (DISPLAY=$DISPLAY, prefix $WINEPREFIX)"
  rc=0; wine "$build/TorvaneSetup.exe" "$@" || rc=$?
  echo "run: installer exit code $rc"
  exit $rc
elif [ -f "$build/headless-install.exe" ]; then
  [ $# -gt 0 ] || set -- 'C:\Program Files\Torvane'
  echo "run: headless install into the prefix $WINEPREFIX: $*"
  rc=0; wine "$build/headless-install.exe" "$@" || rc=$?
  echo "run: headless install exit code $rc"
  exit $rc
else
  echo "run: build done; no installer or headless driver is built yet"
fi
