#!/usr/bin/env bash
# Benchmark, not a test: an update over an earlier install of the same ~270 MiB
# payload (the product's files and scripts/bench-payload-mix.py), with this
# tree's headless driver and with another build's (MAIN_BUILD, e.g. a build of
# main), each in a prefix of its own, warm wineserver. Medians of RUNS runs.
# Usage: MAIN_BUILD=DIR scripts/bench-update.sh [RUNS]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}
runs=${1:-3}
work=$build/update-kill-payload
[ -f "$work/.done" ] || "$root/tests/headless/make_update_payload.sh" "$work" "$build/payload-stage" 8192 mix
payload="Z:${work//\//\\}\\update.7z"
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
start_xvfb
prefixes=()
cleanup() { for p in "${prefixes[@]}"; do "$root/scripts/fresh-prefix.sh" remove "$p"; done; stop_xvfb; }
trap cleanup EXIT
now_ms() { date +%s%3N; }

bench() { # LABEL BUILD
  local label=$1 exe=$2/headless-install.exe times=() t0 dir='C:\bench\Torvane'
  export WINEPREFIX=$build/wineprefix-bench-update-$label
  prefixes+=("$WINEPREFIX")
  "$root/scripts/fresh-prefix.sh" create "$WINEPREFIX" >/dev/null
  wine "$exe" --payload "$payload" "$dir" >/dev/null  # the earlier install
  for _ in $(seq "$runs"); do
    t0=$(now_ms)
    wine "$exe" --payload "$payload" --earlier "$dir" "$dir" | tr -d '\r' | tail -1 | grep -qx 'result 0'
    times+=($(( $(now_ms) - t0 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v l="$label" -v all="${times[*]}" \
    '{ a[NR] = $1 } END { m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
       printf "%s: update of the same payload, runs %s ms, median %d ms\n", l, all, m }'
  "$root/scripts/fresh-prefix.sh" remove "$WINEPREFIX"
}

echo "payload: $(stat -c %s "$work/update.7z") bytes packed, $(du -sb "$work/tree" | cut -f1) bytes unpacked," \
     "$(find "$work/tree" -type f | wc -l) files; load average $(cut -d' ' -f1-3 /proc/loadavg)"
[ -n "${MAIN_BUILD:-}" ] && bench main "$MAIN_BUILD"
bench this "$build"
