#!/usr/bin/env bash
# The heavy kill test: an update of a ~270 MiB payload (the product's files and
# scripts/bench-payload-mix.py, packed like the product's payload) is killed at
# MOMENTS points spread over its printed lines; after each, one more run must
# leave exactly the payload, its record, registry and service, and no leftovers.
# Prints what each kill left before the repair. Not part of the suite (ctest
# runs the same test with the small payload and 3 moments).
# Usage: scripts/update-kill-test.sh [MOMENTS]   (default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}
moments=${1:-10}
work=$build/update-kill-payload

cmake --build "$build" -j 2 --target test_headless headless-install >/dev/null
[ -f "$work/.done" ] || "$root/tests/headless/make_update_payload.sh" "$work" "$build/payload-stage" 8192 mix
echo "payload: $(stat -c %s "$work/update.7z") bytes packed, $(du -sb "$work/tree" | cut -f1) bytes unpacked"

. "$root/scripts/wine-env.sh"
export WINEPREFIX=$build/wineprefix-kill
. "$root/scripts/xvfb.sh"
start_xvfb
cleanup() { "$root/scripts/fresh-prefix.sh" remove "$WINEPREFIX"; stop_xvfb; }
trap cleanup EXIT
"$root/scripts/fresh-prefix.sh" create "$WINEPREFIX"

export TORVANE_KILL_PAYLOAD_DIR="Z:${work//\//\\}" TORVANE_KILL_MOMENTS=$moments
wine "$build/tests/test_headless.exe" --gtest_filter='HeadlessKilledUpdate.*' | tr -d '\r'
