#!/usr/bin/env bash
# A second payload for the update tests: the product's files from STAGE with one
# text changed, a new folder holding BLOB_KIB KiB of random bytes and, with MIX,
# the benchmarks' ~256 MiB mix (scripts/bench-payload-mix.py). Packed like the
# product's payload (solid 7z, BCJ then LZMA2) as OUT/update.7z; OUT/tree is
# what it holds, for the tests to compare an install against.
# Usage: make_update_payload.sh OUT STAGE BLOB_KIB [MIX]
set -euo pipefail
out=$1 stage=$2 blob_kib=$3 mix=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out/tree"
cp -r "$stage"/. "$out/tree/"
printf 'the updated readme\n' >> "$out/tree/resources/readme.txt"
mkdir -p "$out/tree/update/notes"
head -c $((blob_kib * 1024)) /dev/urandom > "$out/tree/update/blob.bin"
printf 'notes of the update\n' > "$out/tree/update/notes/notes.txt"
[ -n "$mix" ] && python3 "$here/../../scripts/bench-payload-mix.py" "$out/tree/mix"
(cd "$out/tree" && 7zz a -t7z -ms=on -m0=BCJ -m1=LZMA2:d8m:c16m -mx=5 -mmt=2 -bso0 -bsp0 ../update.7z ./*)
touch "$out/.done"
