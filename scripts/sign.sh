#!/usr/bin/env bash
# Signs a Windows program with Authenticode (SHA-256) through osslsigncode.
#
# sign.sh (--pkcs12 FILE | --cert CERT.pem --key KEY.pem) [--pass-file FILE]
#         [--timestamp URL] [--time SECONDS] [--out OUT.exe] EXE
#
# Without --out, EXE is signed in place. The signed file is written beside its
# destination and renamed over it: a failed signing leaves nothing half done.
# --time fixes the signing time (default: SOURCE_DATE_EPOCH when set), so the
# same program and key give the same bytes; --timestamp asks an RFC 3161 server
# to countersign.
set -euo pipefail
usage() {
  echo "usage: sign.sh (--pkcs12 FILE | --cert CERT.pem --key KEY.pem) [--pass-file FILE]" \
       "[--timestamp URL] [--time SECONDS] [--out OUT.exe] EXE" >&2
  exit 2
}
pkcs12= cert= key= pass_file= timestamp= out= exe=
time=${SOURCE_DATE_EPOCH:-}
while [ $# -gt 0 ]; do
  case $1 in
    --pkcs12) pkcs12=${2:?}; shift 2 ;;
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --pass-file) pass_file=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --time) time=${2:?}; shift 2 ;;
    --out) out=${2:?}; shift 2 ;;
    -*) usage ;;
    *) [ -z "$exe" ] || usage; exe=$1; shift ;;
  esac
done
[ -n "$exe" ] || usage
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing (scripts/setup.sh installs it)" >&2; exit 1; }
args=(sign -h sha256)
if [ -n "$pkcs12" ] && [ -z "$cert$key" ]; then
  args+=(-pkcs12 "$pkcs12")
elif [ -z "$pkcs12" ] && [ -n "$cert" ] && [ -n "$key" ]; then
  args+=(-certs "$cert" -key "$key")
else
  echo "sign.sh: give either --pkcs12, or --cert and --key" >&2
  exit 2
fi
[ -z "$pass_file" ] || args+=(-readpass "$pass_file")
[ -z "$timestamp" ] || args+=(-ts "$timestamp")
[ -z "$time" ] || args+=(-time "$time")
out=${out:-$exe}
tmp="$out.signing"
rm -f "$tmp"
if ! osslsigncode "${args[@]}" -in "$exe" -out "$tmp" >"$tmp.log" 2>&1; then
  echo "sign.sh: signing $exe failed:" >&2
  sed 's/^/  | /' "$tmp.log" >&2
  rm -f "$tmp" "$tmp.log"
  exit 1
fi
rm -f "$tmp.log"
chmod --reference="$exe" "$tmp"
mv -f "$tmp" "$out"
