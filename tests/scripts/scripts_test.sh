#!/usr/bin/env bash
# Checks of the shell scripts that need neither a build nor Wine:
# scripts_test.sh SOURCE_DIR. Prints "N passed, N failed".
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() { # NAME CONDITION-RESULT
  if [ "$2" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1" >&2; fi
}

# A quiet step that fails says what failed, its code and the end of its output.
out=$(bash -c ". '$src/scripts/wine-env.sh'; run_quiet 'making the thing' sh -c 'echo first; echo boom >&2; exit 3'" 2>&1)
rc=$?
check "run_quiet returns the step's code" $([ $rc = 3 ]; echo $?)
check "run_quiet names the failed step and its code" $(grep -q 'making the thing failed (exit 3)' <<<"$out"; echo $?)
check "run_quiet shows the step's last output" $(grep -q '  | boom' <<<"$out"; echo $?)

# A step that succeeds prints nothing.
out=$(bash -c ". '$src/scripts/wine-env.sh'; run_quiet 'quiet' sh -c 'echo noise; echo more >&2'" 2>&1)
check "run_quiet is silent on success" $([ $? = 0 ] && [ -z "$out" ]; echo $?)

# Under set -e the script stops at the failed step, and says so.
cat > "$work/stops.sh" <<SCRIPT
set -euo pipefail
. '$src/scripts/wine-env.sh'
run_quiet 'step one' false
echo 'not reached'
SCRIPT
out=$(bash "$work/stops.sh" 2>&1)
rc=$?
check "a failed step ends a set -e script loudly" \
  $([ $rc != 0 ] && grep -q 'step one failed' <<<"$out" && ! grep -q 'not reached' <<<"$out"; echo $?)

# The Wine environment comes from one place.
out=$(env -u WINEDEBUG -u WINEDLLOVERRIDES -u WINEARCH sh -c ". '$src/scripts/wine-env.sh'; echo \$WINEARCH \$WINEDEBUG \$WINEDLLOVERRIDES")
check "wine-env.sh sets the Wine environment" $([ "$out" = 'win64 -all mscoree,mshtml=;winemenubuilder.exe=d' ]; echo $?)
for f in run.sh test.sh wine-prefix.sh fresh-prefix.sh bench-extract.sh bench-installer.sh bench-update.sh \
         update-kill-test.sh; do
  check "$f takes the Wine environment from wine-env.sh" \
    $(grep -q 'wine-env.sh' "$src/scripts/$f" && ! grep -q 'WINEDLLOVERRIDES=' "$src/scripts/$f"; echo $?)
done

# setup.sh as an ordinary user, on a machine that lacks the deb-src entry: it
# stops before it writes anything under the apt folder.
mkdir -p "$work/bin" "$work/apt/sources.list.d"
printf '#!/bin/sh\n[ "$1" = -u ] && echo 1000 || exec /usr/bin/id "$@"\n' > "$work/bin/id"
chmod +x "$work/bin/id"
printf 'Types: deb\nURIs: http://deb.example/debian\nSuites: bookworm\nComponents: main\n' \
  > "$work/apt/sources.list.d/debian.sources"
out=$(PATH="$work/bin:$PATH" TORVANE_APT_DIR="$work/apt" bash "$src/scripts/setup.sh" 2>&1)
rc=$?
check "setup.sh refuses to run as an ordinary user" $([ $rc != 0 ] && grep -q 'run as root' <<<"$out"; echo $?)
check "setup.sh writes nothing before it knows it is root" \
  $([ -z "$(ls "$work/apt/sources.list.d" | grep -v '^debian.sources$')" ]; echo $?)

# A relink (pack.sh) writes its link map beside its own program: the build's map
# must keep describing the build's program (the stub size checks read it).
out=$(python3 -c "import sys; sys.path.insert(0, '$src/scripts'); import relink
print(' '.join(relink.rewrite(['g++', '-o', 'a.exe', '-Wl,-Map=/b/TorvaneSetup.map', 'x.obj'], {}, 'w/setup.exe')))" 2>&1)
check "relink.py sends the link map beside its program" \
  $(grep -q -- '-Wl,-Map=w/setup.exe.map' <<<"$out" && ! grep -q 'TorvaneSetup.map' <<<"$out"; echo $?)

# The live-unwind link: an inline function nothing calls goes with its unwind
# table, one on the path of a caught exception keeps its table, an archive member
# that only a dead function names goes with its table while one the program calls
# keeps its own, and the program's last table is crtend.o's terminator.
if command -v i686-w64-mingw32-g++-posix >/dev/null; then
  cat > "$work/unwind.cpp" <<'CPP'
#include <stdexcept>
#include <string>
template <class T> int never_called(T x) { if (x > 3) throw std::runtime_error("no"); return std::to_string(x).size(); }
template int never_called<int>(int);
inline int thrower(int x) { if (x > 3) throw std::runtime_error("yes"); return x; }
extern "C" int plain(int);
int main(int argc, char**) { try { return thrower(argc + plain(5)); } catch (const std::exception&) { return 7; } }
CPP
  # plain.c has no tables and calls named_by_dead only from a function nothing
  # calls; both members of the archive have tables.
  cat > "$work/plain.c" <<'C'
int named_by_dead(int); int called(int);
int dead(int x) { return named_by_dead(x); }
int plain(int x) { return called(x); }
C
  echo 'int named_by_dead(int x) { return x * 3; }' > "$work/named_by_dead.c"
  echo 'int called(int x) { return x + 1; }' > "$work/called.c"
  for c in plain named_by_dead called; do
    tables=-fasynchronous-unwind-tables; [ $c = plain ] && tables=-fno-asynchronous-unwind-tables
    i686-w64-mingw32-gcc-posix -Os -ffunction-sections $tables -c "$work/$c.c" -o "$work/$c.o"
  done
  rm -f "$work/libnamed.a" && i686-w64-mingw32-ar rcs "$work/libnamed.a" "$work/named_by_dead.o" "$work/called.o"
  i686-w64-mingw32-g++-posix -Os -ffunction-sections -fdata-sections -fno-inline -c "$work/unwind.cpp" -o "$work/unwind.o"
  python3 "$src/scripts/link_live_unwind.py" i686-w64-mingw32-g++-posix -static -Wl,--gc-sections \
    "$work/unwind.o" "$work/plain.o" "$work/libnamed.a" -o "$work/unwind.exe" -Wl,-Map="$work/unwind.map" >/dev/null 2>&1
  check "the live-unwind link links" $?
  awk '/^Linker script and memory map/{p=1} p' "$work/unwind.map" > "$work/unwind.layout"
  check "an inline function nothing calls goes, with its table" \
    $(! grep -q '^ \.text\$_Z12never_calledIiEiT_' "$work/unwind.layout" && \
      grep -q '^ \.eh_frame\$_Z12never_calledIiEiT_' "$work/unwind.map"; echo $?)
  check "an inline function an exception passes keeps its table" \
    $(grep -q '^ \.eh_frame\$_Z7throweri' "$work/unwind.layout"; echo $?)
  check "a member only a dead function names goes, with its table" \
    $(! grep -qE '^ \.(text\S*|eh_frame) +0x[0-9a-f]*[1-9a-f][0-9a-f]* +0x[0-9a-f]+ .*\(named_by_dead\.o\)' "$work/unwind.layout" && \
      grep -q '(named_by_dead\.o)' "$work/unwind.map"; echo $?)
  check "a member the program calls keeps its code and its table" \
    $(grep -qE '^ \.eh_frame +0x[0-9a-f]+ +0x[0-9a-f]+ .*\(called\.o\)' "$work/unwind.layout" && \
      grep -qE '^ \.text\S* +0x[0-9a-f]+ +0x[0-9a-f]+ .*\(called\.o\)' "$work/unwind.layout"; echo $?)
  check "crtend.o's table comes last" \
    $(grep '^ \.eh_frame' "$work/unwind.layout" | grep -v ' 0x0 ' | tail -1 | grep -q 'crtend\.o'; echo $?)
fi

echo "$passed passed, $failed failed"
[ $failed = 0 ]
