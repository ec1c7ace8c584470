#!/usr/bin/env bash
# Fetches Debian's source packages of our dependencies and cross-builds them for
# i686-w64-mingw32 into a cache outside the source tree, one folder per package
# version. A finished build leaves a stamp and is never redone.
# Writes $CACHE/deps.cmake, which the CMake project reads.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${TORVANE_CACHE:-/var/cache/torvane}
TOOLCHAIN=$root/cmake/toolchain-i686-mingw32.cmake
HOST=i686-w64-mingw32
JOBS=$(nproc)
mkdir -p "$CACHE/src" "$CACHE/i686"

log() { echo "deps: $*" >&2; }
. "$root/scripts/apt-retry.sh"

# srcdir PKG -> prints the unpacked source folder of Debian's current version of PKG
srcdir() {
  local pkg=$1 dsc ver dir tmp
  dsc=$(cd /tmp && apt-get source -qq --print-uris --only-source "$pkg" 2>/dev/null | awk '{print $2}' | grep '\.dsc$' | head -1)
  [ -n "$dsc" ] || { log "no source package $pkg (is the deb-src entry there? run scripts/setup.sh)"; exit 1; }
  ver=${dsc%.dsc}; ver=${ver#*_}
  dir=$CACHE/src/${pkg}_$ver
  if [ ! -f "$dir/.unpacked" ]; then
    log "fetching $pkg $ver"
    tmp=$(mktemp -d "$CACHE/src/.fetch.XXXXXX")
    (cd "$tmp" && apt_retry "apt-get source $pkg" apt-get source -qq --only-source "$pkg" >/dev/null) || { rm -rf "$tmp"; log "apt-get source $pkg failed"; exit 1; }
    rm -rf "$dir"
    mv "$(find "$tmp" -mindepth 1 -maxdepth 1 -type d | head -1)" "$dir"
    rm -rf "$tmp"
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

# prefix SRC -> install folder for that source version
prefix() { echo "$CACHE/i686/$(basename "$1")"; }

cmake_dep() { # SRC PREFIX extra cmake args...
  local src=$1 pre=$2; shift 2
  local b; b=$(mktemp -d "$CACHE/i686/.build.XXXXXX")
  cmake -S "$src" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$pre" -DBUILD_SHARED_LIBS=OFF "$@" >"$b.log" 2>&1 &&
  cmake --build "$b" -j "$JOBS" >>"$b.log" 2>&1 && cmake --install "$b" >>"$b.log" 2>&1 ||
    { log "build failed, see $b.log"; exit 1; }
  rm -rf "$b" "$b.log"
}

build_pugixml() {
  cmake_dep "$1" "$2" -DPUGIXML_WCHAR_MODE=ON -DPUGIXML_BUILD_TESTS=OFF
}
build_jsoncpp() {
  cmake_dep "$1" "$2" -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
    -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF
}
build_googletest() {
  cmake_dep "$1" "$2" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}
build_zlib() { # zlib and its contrib/minizip unzip reader
  local src=$1 pre=$2 b; b=$(mktemp -d "$CACHE/i686/.build.XXXXXX")
  cp -a "$src/." "$b/"
  ( cd "$b" &&
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
             inftrees trees uncompr zutil; do $HOST-gcc -O2 -c $f.c -o $f.o; done &&
    $HOST-ar rcs libz.a ./*.o &&
    cd contrib/minizip && for f in ioapi unzip; do $HOST-gcc -O2 -I../.. -c $f.c -o $f.o; done &&
    $HOST-ar rcs libminizip.a ioapi.o unzip.o ) >"$b.log" 2>&1 || { log "zlib build failed, see $b.log"; exit 1; }
  mkdir -p "$pre/include/minizip" "$pre/lib"
  cp "$b/zlib.h" "$b/zconf.h" "$pre/include/"
  cp "$b/contrib/minizip/unzip.h" "$b/contrib/minizip/ioapi.h" "$pre/include/minizip/"
  cp "$b/libz.a" "$b/contrib/minizip/libminizip.a" "$pre/lib/"
  rm -rf "$b" "$b.log"
}
build_openssl() { # libcrypto only
  local src=$1 pre=$2 b; b=$(mktemp -d "$CACHE/i686/.build.XXXXXX")
  ( cd "$b" && "$src/Configure" mingw no-shared no-asm no-tests no-engine no-dso no-module \
      --cross-compile-prefix=$HOST- --prefix="$pre" &&
    make -j "$JOBS" build_generated && make -j "$JOBS" libcrypto.a ) >"$b.log" 2>&1 ||
    { log "openssl build failed, see $b.log"; exit 1; }
  mkdir -p "$pre/lib" "$pre/include"
  cp "$b/libcrypto.a" "$pre/lib/"
  cp -r "$src/include/openssl" "$pre/include/"
  cp "$b"/include/openssl/*.h "$pre/include/openssl/"
  rm -rf "$b" "$b.log"
}

build_7zip() { # the sources stay in the cache for CMake; natively, LzmaCon (writes LZMA86 test archives)
  local src=$1 pre=$2 b; b=$(mktemp -d "$CACHE/i686/.build.XXXXXX")
  cp -a "$src/." "$b/"
  ( cd "$b/CPP/7zip/Bundles/LzmaCon" && make -j "$JOBS" -f makefile.gcc CC=gcc CXX=g++ ) >"$b.log" 2>&1 ||
    { log "7zip LzmaCon build failed, see $b.log"; exit 1; }
  mkdir -p "$pre/bin"
  cp "$(find "$b/CPP/7zip/Bundles/LzmaCon" -type f -name lzma -perm -u+x | head -1)" "$pre/bin/lzma"
  rm -rf "$b" "$b.log"
}

declare -A roots
declare -A srcs
for pkg in pugixml libjsoncpp zlib openssl googletest 7zip; do
  src=$(srcdir "$pkg")
  pre=$(prefix "$src")
  if [ ! -f "$pre/.built" ]; then
    log "building $(basename "$src")"
    rm -rf "$pre"
    fn=build_${pkg#lib}
    "$fn" "$src" "$pre"
    touch "$pre/.built"
  fi
  roots[$pkg]=$pre
  srcs[$pkg]=$src
done

out=$CACHE/deps.cmake
{
  echo "# Written by scripts/deps.sh"
  echo "set(TORVANE_PUGIXML_ROOT \"${roots[pugixml]}\")"
  echo "set(TORVANE_JSONCPP_ROOT \"${roots[libjsoncpp]}\")"
  echo "set(TORVANE_ZLIB_ROOT \"${roots[zlib]}\")"
  echo "set(TORVANE_OPENSSL_ROOT \"${roots[openssl]}\")"
  echo "set(TORVANE_GTEST_ROOT \"${roots[googletest]}\")"
  echo "set(TORVANE_7ZIP_SOURCE \"${srcs[7zip]}\")"
  echo "set(TORVANE_7ZIP_ROOT \"${roots[7zip]}\")"
} > "$out.tmp"
mv "$out.tmp" "$out"
