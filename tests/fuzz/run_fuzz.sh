#!/usr/bin/env bash
# Builds the markup reader's parse core natively with libFuzzer, AddressSanitizer
# and UBSan, and feeds it RUNS generated documents (default 20000), seeded from
# the skins in the tree and the documents under seeds/. Any crash, leak,
# sanitizer report or input slower than 1 s fails the run.
#   tests/fuzz/run_fuzz.sh [RUNS] [more libFuzzer options]
# FUZZ_BUILD sets the work folder (default build/fuzz).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/fuzz
runs=${1:-20000}
shift || true
work=${FUZZ_BUILD:-$root/build/fuzz}
mkdir -p "$work/corpus"

cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz: $cxx not found (scripts/setup.sh installs clang)" >&2; exit 1; }

bin=$work/markup_fuzzer
sources=("$root/ui/base/markup.cpp" "$here/markup_text_native.cpp" "$here/markup_fuzzer.cpp")
stale=0
[ -x "$bin" ] || stale=1
for f in "${sources[@]}" "$root/ui/base/markup.h" "$root/ui/base/markup_text.h"; do
  [ "$f" -nt "$bin" ] && stale=1
done
if [ $stale = 1 ]; then
  "$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "${sources[@]}" -o "$bin.tmp"
  mv "$bin.tmp" "$bin"
fi

# Seeds: the first byte picks the encoding ('0' UTF-8, '1' UTF-16, '2' ANSI).
seeds=$work/seeds
rm -rf "$seeds"
mkdir -p "$seeds"
cp "$here"/seeds/* "$seeds/"
n=0
while IFS= read -r -d '' f; do
  n=$((n + 1))
  { printf 0; cat "$f"; } > "$seeds/skin_$n.xml"
  if command -v iconv >/dev/null; then
    { printf '1\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$f" 2>/dev/null || true; } > "$seeds/skin_${n}_utf16.xml"
  fi
done < <(find "$root/skin" "$root/tests/ui/data" -name '*.xml' -size -256k -print0 2>/dev/null)
if command -v unzip >/dev/null; then
  { printf 0; unzip -p "$root/tests/ui/data/skins.zip" skin/Main.xml; } > "$seeds/zip_main.xml" || true
fi

start=$(date +%s)
"$bin" -runs="$runs" -timeout=1 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
  -dict="$here/markup.dict" "$@" "$work/corpus" "$seeds" 2>"$work/last-run.log" || {
  tail -n 60 "$work/last-run.log" >&2
  echo "fuzz: FAILED after $(( $(date +%s) - start )) s; log: $work/last-run.log" >&2
  exit 1
}
done_runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/last-run.log" | grep -o '[0-9]*$' || echo "?")
echo "fuzz: $done_runs inputs in $(( $(date +%s) - start )) s, no crash, hang or sanitizer report"
