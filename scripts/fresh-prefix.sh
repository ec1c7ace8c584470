#!/usr/bin/env bash
# A fresh Wine prefix for the tests that must start from a machine nothing was
# installed on: fresh-prefix.sh create|remove PREFIX.
# create makes it anew on an X display of its own, starts its persistent
# wineserver, Wine's background processes and the desktop with their output
# detached (so they do not hold a test runner's pipes); remove stops them and
# deletes the prefix.
#
# Why a display of its own: Wine's desktop process does not start on a display
# where another prefix's desktop already runs (it exits at once). The suite's
# main prefix gets one as soon as any test opens a window there, so sharing the
# display made this fixture fail whenever such a test ran first. The display is
# written to PREFIX.display; the test runners read it (cmake/wine-run.sh.in,
# scripts/installer_driver.py).
set -euo pipefail
action=$1 prefix=$2
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
export WINEPREFIX=$prefix
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)  # as in wine-prefix.sh
display_file=$prefix.display
xvfb_pid_file=$prefix.xvfb-pid

stop() {
  [ -d "$prefix" ] && { wineserver -k >/dev/null 2>&1 || true; }
  if [ -f "$xvfb_pid_file" ]; then kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true; fi
  rm -rf "$prefix" "$prefix.lock" "$display_file" "$xvfb_pid_file"
}
desktop_running() {
  local pid
  for pid in $(pgrep -f 'explorer.exe /desktop'); do
    grep -qzx "WINEPREFIX=$prefix" "/proc/$pid/environ" 2>/dev/null && return 0
  done
  return 1
}
case $action in
  create)
    stop
    # Outlives this script: remove ends it through the pid file.
    start_xvfb
    echo "$xvfb_pid" > "$xvfb_pid_file"
    echo "$DISPLAY" > "$display_file"
    run_quiet "fresh-prefix: creating $prefix" "$root/scripts/wine-prefix.sh" "$prefix"
    run_quiet "fresh-prefix: starting the wineserver" wineserver -p
    run_quiet "fresh-prefix: starting Wine's background processes" "$wine64" cmd /c exit
    # The desktop process: started on demand by the first window otherwise, as a
    # child of that program holding its inherited handles.
    setsid "$wine64" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
    # Seconds, not tries: under qemu a start takes several times longer.
    deadline=$((SECONDS + 120))
    until desktop_running; do
      [ $SECONDS -lt $deadline ] || { echo "fresh-prefix: Wine's desktop did not start in $prefix on $DISPLAY" >&2; exit 1; }
      sleep 0.2
    done
    echo "fresh prefix ready: $prefix on $DISPLAY" ;;
  remove) stop ;;
  *) echo "usage: fresh-prefix.sh create|remove PREFIX" >&2; exit 2 ;;
esac
