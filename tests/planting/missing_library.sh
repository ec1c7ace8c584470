#!/usr/bin/env bash
# missing_library.sh WINE_RUN PLANT_PROBE: with Wine's wininet disabled, the probe's
# first call into delay-loaded wininet must end it with exit code 126
# (ERROR_MOD_NOT_FOUND) and a message naming the library, not a crash.
set -uo pipefail
wine_run=$1 probe=$2
# wininet= disables the library; the rest as in scripts/wine-env.sh.
out=$(WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d;wininet=' "$wine_run" "$probe" --delay-call 2>&1 </dev/null)
rc=$?
echo "$out" | grep -v ':fixme:' | tail -n 5
failed=0
[ $rc = 126 ] || { echo "FAILED: exit code $rc, expected 126" >&2; failed=1; }
grep -q 'Cannot load WININET.DLL from the system folder' <<<"$out" || { echo "FAILED: no message naming wininet" >&2; failed=1; }
! grep -q 'called wininet' <<<"$out" || { echo "FAILED: the call went on without wininet" >&2; failed=1; }
exit $failed
