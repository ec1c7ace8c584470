#!/usr/bin/env bash
# Packs the installer's payload: one solid 7z, BCJ then LZMA2 in 16 MiB blocks
# (the extractor decodes blocks on as many threads as there are cores), with
# the same bytes for the same files wherever and whenever it runs.
#
# pack-payload.sh OUT.7z EPOCH SOURCE...
#   A SOURCE file goes to the archive's root; of a SOURCE folder, its contents.
#   Every entry gets the time EPOCH (seconds since 1970) and fixed modes; only
#   modification times are stored. 7-Zip orders the items by name itself.
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: pack-payload.sh OUT.7z EPOCH SOURCE..." >&2
  exit 2
fi
out=$(realpath -m "$1") epoch=$2
shift 2
stage=$(mktemp -d "${TMPDIR:-/tmp}/torvane-payload.XXXXXX")
trap 'rm -rf "$stage"' EXIT
for source in "$@"; do
  if [ -d "$source" ]; then
    cp -RL --no-preserve=all "$source/." "$stage/"
  else
    cp -L --no-preserve=all "$source" "$stage/"
  fi
done
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$epoch" {} +
rm -f "$out.tmp"
# Packed from inside the stage, so that its name does not reach the archive;
# 7-Zip's own '*' takes every entry, hidden ones too.
(cd "$stage" && 7zz a -t7z -ms=on -m0=BCJ -m1=LZMA2:d8m:c16m -mx=9 -mmt=2 -mtm=on -mtc=off -mta=off \
   -bso0 -bsp0 "$out.tmp" '*')
mv -f "$out.tmp" "$out"
