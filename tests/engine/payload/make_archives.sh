#!/usr/bin/env bash
# Makes the test archives with the host tools: make_archives.sh OUT LZMA_TOOL
# OUT/tree is the packed content; the tests compare what they unpack against it.
set -euo pipefail
out=$1 lzma=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out/tree/docs/empty" "$out/tree/bin" "$out/single" "$out/empty"
cd "$out"
printf 'top level file\n' > tree/top.txt
for i in $(seq 1 400); do echo "line $i of the readme, some compressible text"; done > tree/docs/readme.txt
# Incompressible bytes, then x86 code for the branch filters.
{ head -c 65536 /dev/urandom; cat "$(dirname "$lzma")/lzma"; } > tree/bin/tool.bin
printf 'just one file\n' > single/a.txt
# Stored times and a read-only attribute, to be found on the unpacked file.
mkdir -p stamped && printf 'stamped\n' > stamped/old.txt
touch -d '2001-02-03 04:05:06 UTC' stamped/old.txt && chmod a-w stamped/old.txt
q="-bso0 -bsp0"

7zz a $q -t7z -ms=on -m0=BCJ -m1=LZMA2 lzma2_bcj.7z ./tree/*
7zz a $q -t7z -m0=BCJ2 -m1=PPMd -m2=LZMA:d20 -m3=LZMA:d20 -mb0:1 -mb0s1:2 -mb0s2:3 ppmd_bcj2.7z ./tree/*
7zz a $q -tzip -mm=Deflate deflate.zip ./tree/*
7zz a $q -tzip -mm=LZMA lzma.zip ./tree/*
7zz a $q -tzip -mm=Deflate64 deflate64.zip ./tree/*
7zz a $q -tzip -mm=PPMd ppmd.zip ./tree/*
(cd tree && gcab -c -z ../mszip.cab top.txt docs/readme.txt bin/tool.bin)
xz --format=lzma -c tree/docs/readme.txt > readme.lzma
"$lzma" e tree/bin/tool.bin tool.lzma86 -f86 >/dev/null
7zz a $q -t7z empty.7z ./empty/*
7zz a $q -t7z single.7z ./single/*
# Eleven items: 60 points do not divide among them.
mkdir -p eleven && for i in $(seq -w 1 11); do echo "item $i" > eleven/item$i.txt; done
7zz a $q -t7z eleven.7z ./eleven/*
7zz a $q -t7z -mtc=on -mta=on stamped.7z ./stamped/*
7zz a $q -t7z -pSecret -mhe=on encrypted_headers.7z ./single/*
7zz a $q -t7z -pSecret encrypted_data.7z ./tree/*
7zz a $q -tzip -pSecret -mem=ZipCrypto zipcrypto.zip ./tree/*
# A byte of the packed data changed: the headers still read, the data does not.
cp lzma2_bcj.7z corrupted.7z
printf '\x5a' | dd of=corrupted.7z bs=1 seek=2000 conv=notrunc status=none
head -c 4096 /dev/urandom > not_an_archive.bin
# LZMA2 in 1 MiB blocks packed on two threads, as the product payload is in 16 MiB
# ones: the decoder unpacks such blocks on several threads.
mkdir -p blocks
seq 1 120000 | sed 's/$/ a line of text for the block-packed archive/' > blocks/a-lines.txt
head -c 1572864 /dev/urandom > blocks/b-random.bin
seq 1 40000 | sed 's/$/ more text after the random bytes/' > blocks/c-more.txt
printf 'last\n' > blocks/d-last.txt
7zz a $q -t7z -ms=on -m0=LZMA2:d1m:c1m -mmt2 blocks.7z ./blocks/*
# A byte changed in a late block of the data: earlier blocks still decode.
cp blocks.7z blocks_corrupted.7z
printf '\x5a' | dd of=blocks_corrupted.7z bs=1 seek=$(( $(stat -c %s blocks.7z) * 3 / 4 )) conv=notrunc status=none
python3 "$here/make_unsafe_archives.py" "$out"
python3 "$here/make_zip_methods.py" "$out"
touch .done
