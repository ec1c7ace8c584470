#!/usr/bin/env bash
# Unpack benchmark: ~256 MiB payload mix (text and incompressible data, many small
# and a few large files) packed like the product payload (solid 7z, BCJ + LZMA2);
# our extractor under Wine against native `7zz x -mmt1`, medians of RUNS runs.
# Then the same content packed in LZMA2 blocks (multi-threaded packing), which the
# decoder can unpack on several threads.
# Both unpack onto tmpfs (OUT_DIR, default /dev/shm), so that the machine's disk
# does not drown the difference; a decode-only pass (ours --no-write, 7zz t)
# separates decoding from the file system.
# Usage: scripts/bench-extract.sh [RUNS]   (after scripts/test.sh has built ./build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}
runs=${1:-3}
work=${BENCH_DIR:-/tmp/torvane-bench}
outs=${OUT_DIR:-/dev/shm/torvane-bench-out}
. "$root/scripts/wine-env.sh"
export WINEPREFIX=$build/wineprefix
mkdir -p "$work"
src=$work/src

if [ ! -f "$work/.made" ]; then
  rm -rf "$src" && mkdir -p "$src"
  python3 "$root/scripts/bench-payload-mix.py" "$src"
  touch "$work/.made"
fi
du -sm "$src" | awk '{print "payload unpacked: " $1 " MiB"}'

pack() { # ARCHIVE LZMA2-METHOD extra-7zz-args...
  local a=$1 m=$2; shift 2
  [ -f "$a" ] || 7zz a -bso0 -bsp0 -t7z -ms=on -m0=BCJ -m1="$m" -mx=5 "$@" "$a" "$src/*"
  ls -l "$a" | awk '{printf "archive %s: %.1f MiB\n", $9, $5 / 1048576}'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
now_ms() { date +%s%3N; }

run_ours() { # ARCHIVE [--no-write] -> prints ms; peak memory to $work/peak
  local out=$outs/ours
  rm -rf "$out"
  local line; line=$(wine "$build/tests/engine/payload/bench_extract.exe" ${2:-} "Z:${1//\//\\}" "Z:${out//\//\\}" | tr -d '\r')
  echo "$line" | grep -q '^rc=0 ' || { echo "our extraction failed: $line" >&2; exit 1; }
  echo "$line" | sed 's/.*peak_mib=\([0-9.]*\).*/\1/' >> "$work/peak"
  echo "$line" | sed "s/.* ms=\([0-9]*\).*/\1/"
}
run_7zz() { # ARCHIVE MT-SWITCH [x|t] -> prints ms
  local out=$outs/7zz t0
  rm -rf "$out"
  t0=$(now_ms)
  7zz "${3:-x}" -bso0 -bsp0 "$2" -o"$out" "$1"
  echo $(( $(now_ms) - t0 ))
}
bench() { # LABEL ARCHIVE
  local ours=() native=() ours_t=() native_t=() i
  : > "$work/peak"
  for i in $(seq "$runs"); do
    ours+=("$(run_ours "$2")"); native+=("$(run_7zz "$2" -mmt1)")
    ours_t+=("$(run_ours "$2" --no-write)"); native_t+=("$(run_7zz "$2" -mmt1 t)")
  done
  report "$1, unpack" ours native
  report "$1, decode only" ours_t native_t
  echo "$1: our peak working set $(median < "$work/peak") MiB"
}
report() { # LABEL OURS-ARRAY NATIVE-ARRAY
  local -n o=$2 n=$3
  local mo mn
  mo=$(printf '%s\n' "${o[@]}" | median); mn=$(printf '%s\n' "${n[@]}" | median)
  echo "$1: ours (Wine) runs ${o[*]} ms, median $mo; 7zz -mmt1 runs ${n[*]} ms, median $mn;" \
       "ratio $(awk -v a="$mo" -v b="$mn" 'BEGIN {printf "%.2f", a / b}')"
}

wineserver -p 2>/dev/null || true
run_quiet "bench: starting Wine in $WINEPREFIX" wine cmd /c exit
pack "$work/solid.7z" LZMA2 -mmt1
bench "solid LZMA2+BCJ" "$work/solid.7z"
pack "$work/blocks.7z" LZMA2:d8m:c16m -mmt2
bench "block-packed LZMA2+BCJ" "$work/blocks.7z"
rm -rf "$outs"
wineserver -k 2>/dev/null || true
