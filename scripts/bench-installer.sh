#!/usr/bin/env bash
# Installer benchmarks under Wine, warm (one wineserver for the whole run), on a
# private Xvfb display and in a prefix of their own (build/wineprefix-bench):
#   - the exe's size and its stub's (the exe less its payload), and the stub by
#     library from the link map (scripts/map_sizes.py);
#   - Wine's own start cost: a program that does nothing, and one that shows a
#     bare window of the installer's size;
#   - start to first frame: CreateProcess to the window visible and to its
#     picture on screen. Xvfb has no window manager; Wine then waits 2 s for one
#     whenever a mapped managed window is unmapped (the shadow window is, once,
#     while it has no size yet), so this runs with Wine's X11 "Managed" off and
#     once more with it on, as the test suite's prefix has it;
#   - idle CPU of the window on its first page over IDLE_S seconds (the
#     installer's process, the wineserver and Xvfb, from /proc);
#   - the UI thread's longest unanswered WM_NULL during installs of the demo
#     payload and of a ~256 MiB mix (scripts/bench-payload-mix.py) packed like
#     the product's payload into a copy of the installer: silent ("/s", hidden
#     window) and clicked through the visible window with xdotool.
# Medians of RUNS runs (default 5). The machine's load average is printed with
# each section: other work on it shows in the figures.
# Not part of the suite: a benchmark, run by hand.
# Usage: scripts/bench-installer.sh [RUNS] [PART...]
#   PART: sizes wine frame idle demo big race frame_race (default: all but the last
#   two, in that order)
#   race: the silent install of the ~256 MiB mix against native `7zz x -mmt1` and
#   `7zz x` on the same archive, and against Debian's 32-bit x86 `7zz` (7zip:i386,
#   fetched with apt-get download): on a host that runs i386 code only through
#   qemu, as the installer's, that is the like-for-like figure; the installer's
#   peak resident set during it, all of it and its private (anonymous) part, which
#   leaves out the payload's pages in the mapped image; and start to first frame
#   of the installer against Wine's notepad. RACE_BASELINE=EXE puts another
#   installer build with the same payload beside it, run in turn.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVANE_BUILD:-$root/build}
runs=${1:-5}
[ $# -gt 0 ] && shift
parts=${*:-sizes wine frame idle demo big}
idle_s=${IDLE_S:-10}
work=${BENCH_DIR:-/tmp/torvane-bench-installer}
mkdir -p "$work"

[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target TorvaneSetup TorvaneSetup-test bench_installer_probe bench_empty \
  bench_empty_window >/dev/null

. "$root/scripts/wine-env.sh"
export WINEPREFIX=$build/wineprefix-bench
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"
. "$root/scripts/xvfb.sh"
start_xvfb
installer_pid=
cleanup() {
  [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
}
trap cleanup EXIT
wineserver -p 2>/dev/null || true
run_quiet "bench: starting Wine in $WINEPREFIX" wine cmd /c exit

winpath() { local p=$1; echo "Z:${p//\//\\}"; }
probe() { wine "$build/tests/bench/bench_installer_probe.exe" "$@" | tr -d '\r'; }
summary() { # LABEL UNIT VALUES...: the same line as the probe's
  local label=$1 unit=$2; shift 2
  printf '%s\n' "$@" | sort -n | awk -v l="$label" -v u="$unit" -v all="$*" '
    { a[NR] = $1 } END { m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
      printf "%s: runs %s %s, median %.1f (range %.1f..%.1f)\n", l, all, u, m, a[1], a[NR] }'
}
now_ms() { date +%s%3N; }
section() { echo "== $1 (load average $(cut -d' ' -f1-3 /proc/loadavg))"; }
setup=$build/TorvaneSetup.exe
setup_test=$build/TorvaneSetup-test.exe

part_sizes() {
  section "sizes"
  probe size "$(winpath "$setup")"
  i686-w64-mingw32-size -A "$setup" | awk '
    $1 ~ /^\.debug/ { debug += $2; next }
    $1 ~ /^\.(text|rdata|eh_frame|rsrc|reloc)$/ { printf "%s %d bytes, ", $1, $2 }
    END { printf "debug sections %d bytes\n", debug }'
  i686-w64-mingw32-strip -o "$work/TorvaneSetup-stripped.exe" "$setup"
  echo "a stripped copy (no symbol table, no debug sections): $(stat -c %s "$work/TorvaneSetup-stripped.exe") bytes"
  local stub=$(( $(stat -c %s "$setup") - $(stat -c %s "$build/payload.7z") ))
  echo "stub (the exe less the payload archive): $stub bytes, limit $((3 * 1024 * 1024 / 2))"
  python3 "$root/scripts/map_sizes.py" "$build/TorvaneSetup.map"
}

part_wine() {
  section "Wine's own start (warm wineserver)"
  probe start "$(winpath "$build/tests/bench/bench_empty.exe")" "$runs"
  local times=() t0
  wine "$build/tests/bench/bench_empty.exe"
  for _ in $(seq "$runs"); do
    t0=$(now_ms); wine "$build/tests/bench/bench_empty.exe"; times+=($(( $(now_ms) - t0 )))
  done
  summary "empty exe, 'wine empty.exe' from the shell to its end" ms "${times[@]}"
}

x11_key='HKCU\Software\Wine\X11 Driver'
managed() { # on|off: whether Wine lets a window manager handle top-level windows
  if [ "$1" = off ]; then run_quiet "bench: X11 Managed off" wine reg add "$x11_key" /v Managed /t REG_SZ /d N /f
  else wine reg delete "$x11_key" /v Managed /f >/dev/null 2>&1 || true; fi
}

part_frame() {
  section "start to first frame"
  managed off
  probe frame "$(winpath "$build/tests/bench/bench_empty_window.exe")" "$runs" "bare window"
  probe frame "$(winpath "$setup")" "$runs" "installer"
  managed on
  probe frame "$(winpath "$setup")" "$runs" "installer, X11 Managed on (the suite's setting)"
  managed off
}

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
server_pid() { # the wineserver of this prefix
  local p
  for p in $(pgrep wineserver); do
    tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return; }
  done
}
idle() { # LABEL EXE: CPU over idle_s seconds of a window left alone, RUNS times
  local label=$1 exe=$2 pid cmd a0 a1 s0 s1 x0 x1 cpu_app=() cpu_server=() cpu_x=()
  for _ in $(seq "$runs"); do
    wine "$exe" & installer_pid=$!
    probe wait
    pid=$installer_pid cmd=$(tr '\0' ' ' < "/proc/$installer_pid/cmdline")
    sleep 3  # past the start's own work
    # `wine` execs the (emulated) loader: the program keeps the launcher's pid.
    a0=$(ticks "$installer_pid"); s0=$(ticks "$server"); x0=$(ticks "$xvfb_pid")
    sleep "$idle_s"
    a1=$(ticks "$installer_pid"); s1=$(ticks "$server"); x1=$(ticks "$xvfb_pid")
    probe close
    wait "$installer_pid" || true; installer_pid=
    cpu_app+=($(( (a1 - a0) * 1000 / hz ))); cpu_server+=($(( (s1 - s0) * 1000 / hz )))
    cpu_x+=($(( (x1 - x0) * 1000 / hz )))
  done
  echo "process watched: pid $pid, $cmd"
  summary "$label, idle ${idle_s} s, its process's CPU" ms "${cpu_app[@]}"
  summary "$label, idle ${idle_s} s, wineserver CPU" ms "${cpu_server[@]}"
  summary "$label, idle ${idle_s} s, Xvfb CPU" ms "${cpu_x[@]}"
}
part_idle() {
  section "idle CPU, ${idle_s} s"
  server=$(server_pid)
  [ -n "$server" ] || { echo "bench: no wineserver for $WINEPREFIX" >&2; exit 1; }
  idle "installer on page 0" "$setup"
  idle "bare window" "$build/tests/bench/bench_empty_window.exe"
}

field() { sed -n "s/.*$1 \([0-9.]*\) ms.*/\1/p" <<<"$2"; }
latency() { # LABEL EXE: RUNS silent installs, each line the probe's; then the medians
  local label=$1 exe=$2 line i unpacking=() before=() after=() overall=() installs=()
  # Untimed: every timed run then replaces an earlier install of the same payload.
  probe latency "$(winpath "$exe")" /s >/dev/null
  for i in $(seq "$runs"); do
    line=$(probe latency "$(winpath "$exe")" /s)
    echo "  run $i: $line"
    unpacking+=($(field "max while unpacking" "$line")); before+=($(field "max before unpacking" "$line"))
    after+=($(field "max after unpacking" "$line")); overall+=($(field ": max" "$line"))
    installs+=($(field "answers [0-9]* over" "$line"))
  done
  summary "$label, longest unanswered WM_NULL while unpacking" ms "${unpacking[@]}"
  summary "$label, longest before unpacking (window creation, checks, old install removed)" ms "${before[@]}"
  summary "$label, longest after unpacking (finish, close)" ms "${after[@]}"
  summary "$label, longest overall" ms "${overall[@]}"
  summary "$label, window up (install time)" ms "${installs[@]}"
}

# The install record of the default folder: an install over an earlier one moves
# it aside just before unpacking and writes it anew right after.
record=$(winepath -u "$(wine cmd /c echo %ProgramW6432%\\Torvane\\Uninstall.xml | tr -d '\r')")
title='托尔文安装程序'
clicked() { # LABEL EXE: RUNS installs clicked through the visible window
  local label=$1 exe=$2 line i j probe_pid window unpacking=() before=() after=() installs=()
  for i in $(seq "$runs"); do
    probe latency "$(winpath "$exe")" > "$work/latency.out" & probe_pid=$!
    probe wait
    sleep 1
    window=$(xdotool search --sync --onlyvisible --name "$title" | head -n 1)
    xdotool mousemove --window "$window" 25 380 click 1   # the consent box
    sleep 0.5
    xdotool mousemove --window "$window" 300 326 click 1  # the install button
    # The install record goes and comes back; the last page follows.
    for j in $(seq 1200); do [ -e "$record" ] || break; sleep 0.05; done
    until [ -e "$record" ]; do sleep 0.05; done
    sleep 3
    probe close
    wait "$probe_pid" || true
    line=$(tr -d '\r' < "$work/latency.out")
    echo "  run $i: $line"
    grep -q "unpacking seen" <<<"$line" || { echo "bench: the clicks started no install" >&2; exit 1; }
    unpacking+=($(field "max while unpacking" "$line")); before+=($(field "max before unpacking" "$line"))
    after+=($(field "max after unpacking" "$line"))
    installs+=($(sed -n 's/.*unpacking seen +\([0-9]*\)..+\([0-9]*\) ms.*/\1 \2/p' <<<"$line" | awk '{print $2 - $1}'))
  done
  summary "$label, longest unanswered WM_NULL while unpacking" ms "${unpacking[@]}"
  summary "$label, longest before unpacking (start, first paint, the click)" ms "${before[@]}"
  summary "$label, longest after unpacking (last page, close)" ms "${after[@]}"
  summary "$label, unpacking (install record missing)" ms "${installs[@]}"
}

part_demo() {
  section "UI answers during silent installs"
  probe latency-check
  latency "demo payload" "$setup_test"
  section "UI answers during installs clicked through the window"
  clicked "demo payload, clicked" "$setup_test"
}

big_exe=$work/TorvaneSetup-big.exe
make_big() { # the ~256 MiB mix packed like the product payload into a copy of the installer
  if [ ! -f "$big_exe" ] || [ "$big_exe" -ot "$setup_test" ]; then
    if [ ! -f "$work/.mix-made" ]; then
      rm -rf "$work/mix" && mkdir -p "$work/mix"
      python3 "$root/scripts/bench-payload-mix.py" "$work/mix"
      touch "$work/.mix-made"
    fi
    rm -rf "$work/stage" "$work/big.7z" && mkdir -p "$work/stage"
    cp -r "$build/payload-stage/." "$work/stage/"
    cp -al "$work/mix" "$work/stage/benchmix"
    # As the product's payload is packed, at a lower level to keep packing short.
    7zz a -t7z -ms=on -m0=BCJ -m1=LZMA2:d8m:c16m -mx=5 -mmt=2 -bso0 -bsp0 "$work/big.7z" "$work/stage/*"
    probe repack "$(winpath "$setup_test")" "$(winpath "$work/big.7z")" "$(winpath "$big_exe")"
  fi
}

part_big() {
  make_big
  du -sm "$work/stage" | awk '{print "big payload unpacked: " $1 " MiB"}'
  probe size "$(winpath "$big_exe")"
  section "UI answers during silent installs"
  latency "~256 MiB payload" "$big_exe"
  section "UI answers during installs clicked through the window"
  clicked "~256 MiB payload, clicked" "$big_exe"
}

vm_mib() { # PID: "VmHWM RssAnon" in MiB
  awk '/^VmHWM:/ {h = $2} /^RssAnon:/ {a = $2} END {if (h) printf "%.1f %.1f", h / 1024, a / 1024}' "/proc/$1/status"
}
silent_install() { # EXE: one silent install; prints "ms peak-MiB peak-private-MiB"
  local t0 pid hwm=0 anon=0 now
  t0=$(now_ms)
  # `wine` execs the loader: the installer keeps this pid, and its VmHWM is the
  # peak resident set of the whole installer process. RssAnon has no peak of its
  # own: its largest sample.
  wine "$1" /s & pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    now=($(vm_mib "$pid" 2>/dev/null || true))
    if [ ${#now[@]} -eq 2 ]; then
      hwm=${now[0]}
      anon=$(awk -v a="$anon" -v b="${now[1]}" 'BEGIN {print (b > a ? b : a)}')
    fi
    sleep 0.2
  done
  wait "$pid" || { echo "bench: the silent install of $1 failed" >&2; exit 1; }
  echo "$(( $(now_ms) - t0 )) $hwm $anon"
}
sevenzip_i386() { # prints the path of Debian's 32-bit x86 7zz, fetched once; nothing if it cannot be had
  local dir=$work/7zip-i386
  if [ ! -x "$dir/usr/bin/7zz" ]; then
    rm -rf "$dir" && mkdir -p "$dir/deb"
    (cd "$dir/deb" && apt-get download 7zip:i386 >/dev/null 2>&1) || return 0
    dpkg-deb -x "$dir"/deb/7zip_*_i386.deb "$dir" || return 0
  fi
  "$dir/usr/bin/7zz" i >/dev/null 2>&1 && echo "$dir/usr/bin/7zz"
}
part_race() {
  make_big
  section "the whole silent install against 7zz on the same archive (warm)"
  # Unpacked where the installer writes: the same file system.
  local out=$WINEPREFIX/drive_c/7zz-out t0 r ours=() st=() mt=() st32=() mt32=() peaks=() anons=() base=() base_peaks=()
  local x86_7zz; x86_7zz=$(sevenzip_i386)
  echo "archive: $(stat -c %s "$work/big.7z") bytes; threads: $(nproc) logical processors"
  # RACE_BASELINE: another installer build holding the same payload, run in turn.
  local baseline=${RACE_BASELINE:-}
  # Untimed: warms the file cache; every timed install then replaces an earlier one.
  echo "untimed first install: $(silent_install "$big_exe") (ms, peak MiB)"
  for _ in $(seq "$runs"); do
    r=($(silent_install "$big_exe")); ours+=("${r[0]}"); peaks+=("${r[1]}"); anons+=("${r[2]}")
    if [ -n "$baseline" ]; then
      r=($(silent_install "$baseline")); base+=("${r[0]}"); base_peaks+=("${r[1]}")
    fi
    rm -rf "$out"; t0=$(now_ms); 7zz x -bso0 -bsp0 -mmt1 -o"$out" "$work/big.7z"; st+=($(( $(now_ms) - t0 )))
    rm -rf "$out"; t0=$(now_ms); 7zz x -bso0 -bsp0 -o"$out" "$work/big.7z"; mt+=($(( $(now_ms) - t0 )))
    if [ -n "$x86_7zz" ]; then
      rm -rf "$out"; t0=$(now_ms); "$x86_7zz" x -bso0 -bsp0 -mmt1 -o"$out" "$work/big.7z"; st32+=($(( $(now_ms) - t0 )))
      rm -rf "$out"; t0=$(now_ms); "$x86_7zz" x -bso0 -bsp0 -o"$out" "$work/big.7z"; mt32+=($(( $(now_ms) - t0 )))
    fi
  done
  if [ -n "$baseline" ]; then
    summary "baseline $(basename "$baseline") /s, start to exit" ms "${base[@]}"
    summary "baseline peak resident set (VmHWM)" MiB "${base_peaks[@]}"
  fi
  rm -rf "$out"
  summary "installer /s, start to exit" ms "${ours[@]}"
  summary "7zz x -mmt1" ms "${st[@]}"
  summary "7zz x (all cores)" ms "${mt[@]}"
  if [ -n "$x86_7zz" ]; then
    summary "32-bit x86 7zz x -mmt1 ($(file -b "$x86_7zz" | cut -d, -f1-2))" ms "${st32[@]}"
    summary "32-bit x86 7zz x (all cores)" ms "${mt32[@]}"
  else
    echo "32-bit x86 7zz: not available (apt-get download 7zip:i386 failed)"
  fi
  summary "installer peak resident set (VmHWM)" MiB "${peaks[@]}"
  summary "installer peak private resident set (RssAnon)" MiB "${anons[@]}"
  echo "NSIS: not measured (the team does not install or run other installers)"
  part_frame_race
}
part_frame_race() {
  section "start to first frame against Wine's notepad"
  managed off
  probe frame "C:\\windows\\notepad.exe" "$runs" "notepad" Notepad
  # The 32-bit notepad runs as the installer does (through WoW64, and under qemu
  # where the host has no i386 support): the like-for-like figure.
  probe frame "C:\\windows\\syswow64\\notepad.exe" "$runs" "32-bit notepad" Notepad
  probe frame "$(winpath "$setup")" "$runs" "installer"
}

managed off  # the parts but "frame" run without waits for a window manager
for part in $parts; do "part_$part"; done
section "done"
