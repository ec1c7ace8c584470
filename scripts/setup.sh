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
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick xdotool xcompmgr
  7zip gcab xz-utils libstb-dev fonts-wqy-microhei python3 osslsigncode openssl git
  python3-pil locales
  clang libclang-rt-dev
)

. "$here/apt-retry.sh"

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
if ! have_deb_src; then add_deb_src; apt_update; updated=1; fi
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; updated=0; }
  [ $updated = 1 ] || apt_update
  DEBIAN_FRONTEND=noninteractive apt_retry "apt-get install" \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs our 32-bit programs through its 32-bit Linux loader. Some hosts run
# 64-bit user code only (an i386 execve fails with ENOEXEC): there the loader runs
# under qemu-i386, registered for i386 ELF files. qemu 7.2 (bookworm) ignores
# MAP_FIXED_NOREPLACE, which turns Wine's address-space reservation into minutes
# of mmap calls per process; the backported qemu honours it (about 1 s a start).
i386_runs() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
if ! i386_runs; then
  need_root
  bpo=/etc/apt/sources.list.d/torvane-backports.sources
  if [ ! -f "$bpo" ]; then
    printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
      'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' > "$bpo"
    apt_update
  fi
  if ! dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | grep -q bpo; then
    DEBIAN_FRONTEND=noninteractive apt_retry "apt-get install qemu-user-static" \
      apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static >/dev/null
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
  # The F flag pins the interpreter file: register again after an upgrade.
  [ -f "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    > "$binfmt/register"
  i386_runs || { echo "setup: i386 programs still do not run under qemu-i386" >&2; exit 1; }
fi

# Wine takes its UI language from the Unix locale, which must exist: the suite
# runs the installer in Chinese and in English.
for locale in zh_CN en_US; do
  locale -a 2>/dev/null | grep -qx "$locale.utf8" && continue
  need_root
  localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
done

"$here/deps.sh"
