#!/usr/bin/env bash
# A fresh Wine prefix for the tests that must start from a machine nothing was
# installed on: fresh-prefix.sh create|remove PREFIX.
# create makes it anew, starts its persistent wineserver, Wine's background
# processes and the desktop with their output detached (so they do not hold a test runner's pipes);
# remove stops that server and deletes the prefix.
set -euo pipefail
action=$1 prefix=$2
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
export WINEPREFIX=$prefix
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)  # as in wine-prefix.sh
stop() { [ -d "$prefix" ] && { wineserver -k >/dev/null 2>&1 || true; }; rm -rf "$prefix" "$prefix.lock"; }
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
    run_quiet "fresh-prefix: creating $prefix" "$root/scripts/wine-prefix.sh" "$prefix"
    run_quiet "fresh-prefix: starting the wineserver" wineserver -p
    run_quiet "fresh-prefix: starting Wine's background processes" "$wine64" cmd /c exit
    # The desktop process: started on demand by the first window otherwise, as a
    # child of that program holding its inherited handles.
    setsid "$wine64" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
    for _ in $(seq 300); do
      desktop_running && break
      sleep 0.1
    done
    desktop_running || { echo "fresh-prefix: Wine's desktop did not start in $prefix" >&2; exit 1; }
    echo "fresh prefix ready: $prefix" ;;
  remove) stop ;;
  *) echo "usage: fresh-prefix.sh create|remove PREFIX" >&2; exit 2 ;;
esac
