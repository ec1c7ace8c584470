#!/usr/bin/env bash
# Remakes the zip archives the skin archive tests read (Info-ZIP's zip).
# The archives are committed, so the tests need no zip tool.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p skin images
printf '<Window size="600,400"><Label name="lab_title" text="Hello"/></Window>' > skin/Main.xml
: > skin/empty.xml
# Exactly 4 MiB and one byte more: a root element padded with spaces.
python3 - <<'PY'
limit = 4 * 1024 * 1024
head, tail = b'<Window size="1,1">', b'</Window>'
body = head + b' ' * (limit - len(head) - len(tail)) + tail
open('skin/big_ok.xml', 'wb').write(body)
open('skin/big_over.xml', 'wb').write(body[:-1] + b' >')
open('images/logo.bin', 'wb').write(bytes(range(256)) * 8)
PY
rm -f "$here/skins.zip" "$here/protected.zip"
TZ=UTC zip -q -X -n .bin "$here/skins.zip" skin/Main.xml skin/empty.xml skin/big_ok.xml skin/big_over.xml images/logo.bin
TZ=UTC zip -q -X -n .bin -P 'Torvane-skin-1' "$here/protected.zip" skin/Main.xml images/logo.bin
