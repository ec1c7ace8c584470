#!/usr/bin/env bash
# Creates a 64-bit Wine prefix for the tests: WoW64 for our 32-bit programs, and
# WenQuanYi Micro Hei standing in for 微软雅黑 so that Chinese text renders.
set -euo pipefail
prefix=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.torvane-ready-2" ] && exit 0
export WINEPREFIX=$prefix
# The 64-bit loader for the set-up: where 32-bit programs run emulated it is
# several times faster than the launcher, and the result is the same prefix.
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
run_quiet "wine-prefix: creating $prefix" "$wine64" wineboot -i
# Windows 10, as most users have it (Wine 8 defaults to Windows 7).
run_quiet "wine-prefix: setting the Windows version" \
  "$wine64" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for view in 32 64; do
  for face in 微软雅黑 "Microsoft YaHei"; do
    run_quiet "wine-prefix: substituting the font $face" \
      "$wine64" reg add "$key" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f /reg:$view
  done
done
timeout 60 wineserver -w || true  # a persistent server never exits; the registry is live anyway
touch "$prefix/.torvane-ready-2"
