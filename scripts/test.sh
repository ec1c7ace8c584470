#!/usr/bin/env bash
# Builds everything and runs the whole suite under Wine on a private Xvfb display,
# with one persistent wineserver for the run. Ends with ctest's summary.
# The suite's prefix is build/wineprefix; the main job (run.sh) keeps out of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"

. "$root/scripts/wine-env.sh"
export WINEPREFIX=$build/wineprefix
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

. "$root/scripts/xvfb.sh"
start_xvfb
cleanup() { wineserver -k >/dev/null 2>&1 || true; stop_xvfb; }
trap cleanup EXIT
wineserver -p 2>/dev/null || true  # an already running server of this prefix is as good
# Start Wine's own background processes now, detached from ctest's pipes: if the
# first test started them they would hold its output open until the timeout.
run_quiet "test: starting Wine in $WINEPREFIX" "$(command -v wine64 || echo /usr/lib/wine/wine64)" cmd /c exit

cd "$build"
# A test that timed out runs once more (see tests/ui/CMakeLists.txt); a failure is final.
ctest --output-on-failure -j "$(nproc)" --repeat after-timeout:2 "$@"
