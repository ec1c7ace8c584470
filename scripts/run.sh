#!/usr/bin/env bash
# Builds everything and runs the main job: the installer under Wine when it has
# been built, otherwise the headless install driver when it exists, otherwise
# just the build. Uses the current display, or a private Xvfb when there is none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

if [ -z "${DISPLAY:-}" ]; then
  . "$root/scripts/xvfb.sh"
  start_xvfb
  trap stop_xvfb EXIT
fi

if [ -f "$build/TorvaneSetup.exe" ]; then
  echo "run: starting $build/TorvaneSetup.exe under Wine (DISPLAY=$DISPLAY)"
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
