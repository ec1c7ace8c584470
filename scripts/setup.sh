#!/usr/bin/env bash
# One-time machine set-up for building and testing on Debian 12, idempotent:
# apt packages (with i386 for wine32), a deb-src entry for Debian's own mirror,
# then the cross-built dependencies (scripts/deps.sh).
# Changes the machine only as root; TORVANE_APT_DIR stands in for /etc/apt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apt_dir=${TORVANE_APT_DIR:-/etc/apt}
deb_src=$apt_dir/sources.list.d/torvane-deb-src

packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  cmake ninja-build make perl dpkg-dev
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick
  7zip gcab xz-utils libstb-dev fonts-wqy-microhei python3
)

need_root() { [ "$(id -u)" = 0 ] || { echo "setup: run as root (apt-get and $apt_dir need it)" >&2; exit 1; }; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

have_deb_src() { [ -s "$deb_src.sources" ] || [ -s "$deb_src.list" ]; }

add_deb_src() {
  # Same mirror and suites as the machine's own deb entries, as deb-src.
  local f
  if [ -f "$apt_dir/sources.list.d/debian.sources" ]; then
    f=$deb_src.sources
    awk 'BEGIN{RS="";ORS="\n\n"} /Types:[^\n]*deb/ && /Suites:[^\n]*bookworm/ && !/debian-security/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
      "$apt_dir/sources.list.d/debian.sources" > "$f"
  else
    f=$deb_src.list
    grep -E '^deb ' "$apt_dir/sources.list" | grep -v security | sed 's/^deb /deb-src /' > "$f" || true
  fi
  [ -s "$f" ] || { echo "setup: could not derive a deb-src entry" >&2; rm -f "$f"; exit 1; }
}

updated=0
if ! have_deb_src || [ ${#missing[@]} -gt 0 ]; then need_root; fi
if ! have_deb_src; then add_deb_src; apt-get update -qq; updated=1; fi
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; updated=0; }
  [ $updated = 1 ] || apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$here/deps.sh"
