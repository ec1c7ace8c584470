#!/usr/bin/env bash
# Makes an installer for any payload and version from a built tree, without
# touching the sources: the built installer is linked again with three new
# resource objects (payload, version information, string bundle) against the
# libraries the build already holds.
#
# pack.sh --payload DIR --version V [--name-file FILE] --out OUT.exe
#         [--build BUILD] [--base TorvaneSetup.exe]
#
# DIR's tree becomes the payload as it is. V (one to four numbers, 6.2.10.03)
# is the version everywhere the installer shows, writes and compares one. FILE
# holds product names as product/release.txt does (ExeName, ClientName,
# CompanyName, CompanyUrl, Copyright), replacing the tree's. BUILD defaults to
# TORVANE_BUILD or the tree's build folder; --base names the built installer
# to repeat (TorvaneSetup-test.exe reports to the tests' loopback server). When
# the build signs, the new installer is signed the same way.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() {
  echo "usage: pack.sh --payload DIR --version V [--name-file FILE] --out OUT.exe [--build BUILD] [--base EXE]" >&2
  exit 2
}
die() { echo "pack.sh: $*" >&2; exit 1; }
payload= version= name_file= out= build=${TORVANE_BUILD:-$root/build} base=TorvaneSetup.exe
while [ $# -gt 0 ]; do
  case $1 in
    --payload) payload=${2:?}; shift 2 ;;
    --version) version=${2:?}; shift 2 ;;
    --name-file) name_file=${2:?}; shift 2 ;;
    --out) out=${2:?}; shift 2 ;;
    --build) build=${2:?}; shift 2 ;;
    --base) base=${2:?}; shift 2 ;;
    *) usage ;;
  esac
done
[ -n "$payload" ] && [ -n "$version" ] && [ -n "$out" ] || usage
[ -d "$payload" ] || die "no payload folder $payload"
[ -f "$build/pack-recipe.sh" ] || die "$build is no configured build folder (no pack-recipe.sh)"
# shellcheck source=/dev/null
. "$build/pack-recipe.sh"
out=$(realpath -m "$out")
work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-pack.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The release: the tree's, with the names and version given.
merge=(merge "$source_dir/product/release.txt" "$work/release.txt" --version "$version")
[ -z "$name_file" ] || merge+=(--name-file "$name_file")
"$python" "$source_dir/scripts/release.py" "${merge[@]}"
exe_name=$("$python" "$source_dir/scripts/release.py" get "$work/release.txt" ExeName)

# The programs the installer stops, links, launches and registers by name.
missing=()
for program in "$exe_name.exe" updater.exe Uninstall.exe TorvaneService.exe; do
  [ -f "$payload/$program" ] || missing+=("$program")
done
if [ ${#missing[@]} -gt 0 ]; then
  die "$payload lacks ${missing[*]} at its top: the installer stops, links, launches and registers" \
      "$exe_name.exe, updater.exe, Uninstall.exe and TorvaneService.exe, so a payload must hold them"
fi

# Up to date libraries and the link to repeat (ninja does nothing when all is built).
cmake --build "$build" --target "${base%.exe}" >/dev/null
link=$(ninja -C "$build" -t commands "$base" | tail -n 1)

# The three resource objects.
bash "$source_dir/scripts/pack-payload.sh" "$work/payload.7z" "$epoch" "$payload"
"$python" "$source_dir/scripts/make-res.py" 7Z 101 "$work/payload.7z" "$work/payload.res"
"$rc_compiler" -J res -O coff "$work/payload.res" "$work/payload_res.obj"
"$python" "$source_dir/scripts/release.py" version-rc "$work/release.txt" "$work/version.rc" "${version_rc_args[@]}"
"$rc_compiler" -O coff "$work/version.rc" "$work/version.obj"
"$python" "$source_dir/scripts/release.py" bundles "$work/release.txt" "$source_dir/skin/lang/languages.txt" \
  "$source_dir/skin/lang" "$work/lang" "$work/strings.rc"
"$rc_compiler" -O coff "$work/strings.rc" "$work/strings.obj"

version_file=${version_rc_args[1]}   # --file NAME: the script CMake compiled for the installers
"$python" "$source_dir/scripts/relink.py" --build "$build" --out "$work/setup.exe" \
  --replace "payload_res.obj=$work/payload_res.obj" --replace "strings.rc.res=$work/strings.obj" \
  --replace "$version_file.rc.res=$work/version.obj" -- "$link"
[ ${#sign_args[@]} -eq 0 ] || bash "$source_dir/scripts/sign.sh" "${sign_args[@]}" "$work/setup.exe"
mkdir -p "$(dirname "$out")"
mv -f "$work/setup.exe" "$out"
echo "pack.sh: $out (version $version, payload $payload)"
