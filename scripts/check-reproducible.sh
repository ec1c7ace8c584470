#!/usr/bin/env bash
# Builds one commit twice, in two fresh clones at different paths and at
# different times, and compares what a release ships: TorvaneSetup.exe, the
# payload and skin archives and the programs in the payload. By hand, not in
# CI: it builds twice.
#
# check-reproducible.sh [--ccache] [--keep] [COMMIT]
#   COMMIT defaults to HEAD (committed work only: clones see no local edits).
#   Without --ccache the compiler cache is off, so that no object of the first
#   build can stand in for the second's. --keep leaves the clones in place.
#   Exits 0 when every file has the same SHA-256 in both builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
use_ccache=0 keep=0 commit=HEAD
while [ $# -gt 0 ]; do
  case $1 in
    --ccache) use_ccache=1; shift ;;
    --keep) keep=1; shift ;;
    -*) echo "usage: check-reproducible.sh [--ccache] [--keep] [COMMIT]" >&2; exit 2 ;;
    *) commit=$1; shift ;;
  esac
done
commit=$(git -C "$root" rev-parse --verify "$commit^{commit}")
work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-repro.XXXXXX")
[ "$keep" = 1 ] || trap 'rm -rf "$work"' EXIT
# Different depths and names, so that a path that leaks changes the bytes.
clones=("$work/first" "$work/second/elsewhere deeper")
shipped=(TorvaneSetup.exe payload.7z skin.zip product/Torvane.exe product/updater.exe
         product/Uninstall.exe product/TorvaneService.exe)

unset SOURCE_DATE_EPOCH   # each build takes the commit's time itself
if [ "$use_ccache" = 1 ]; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
else
  unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
  export CCACHE_DISABLE=1
fi

for i in 0 1; do
  clone=${clones[$i]}
  [ "$i" = 0 ] || sleep 7
  echo "build $((i + 1)): $clone, started $(date -u '+%F %T') UTC"
  mkdir -p "$(dirname "$clone")"
  git clone -q --no-checkout "$root" "$clone"
  git -C "$clone" checkout -q --detach "$commit"
  export CCACHE_BASEDIR=$clone
  cmake -S "$clone" -B "$clone/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$work/configure-$i.log"
  if ! cmake --build "$clone/build" --target TorvaneSetup -j "$(nproc)" >"$work/build-$i.log" 2>&1; then
    tail -20 "$work/build-$i.log" >&2
    echo "check-reproducible.sh: build $((i + 1)) failed" >&2
    exit 1
  fi
  echo "build $((i + 1)): finished $(date -u '+%F %T') UTC"
done

echo "commit $commit"
status=0
for file in "${shipped[@]}"; do
  a=$(sha256sum "${clones[0]}/build/$file" | cut -d' ' -f1)
  b=$(sha256sum "${clones[1]}/build/$file" | cut -d' ' -f1)
  if [ "$a" = "$b" ]; then
    printf '%-28s same      %s\n' "$file" "$a"
  else
    printf '%-28s DIFFERENT %s %s\n' "$file" "$a" "$b"
    status=1
  fi
done
[ "$status" = 0 ] && echo "identical" || echo "check-reproducible.sh: the builds differ" >&2
exit "$status"
