#!/bin/sh
# A small tmpfs shown to Wine as a drive letter, for the full-disk tests. Run from
# inside Wine; the outcome goes to DIR.status ("ok" or why not), which the test polls.
#   tmpfs_drive.sh mount DIR LETTER KIB DOSDEVICES
#   tmpfs_drive.sh umount DIR LETTER DOSDEVICES
action=$1 dir=$2 letter=$3
status=$dir.status
rm -f "$status"
case $action in
  mount)
    kib=$4 dosdevices=$5
    mkdir -p "$dir" || { echo "mkdir $dir refused" > "$status"; exit 0; }
    if ! msg=$(mount -t tmpfs -o size="${kib}k" tmpfs "$dir" 2>&1); then
      echo "mount refused: $msg" > "$status"; exit 0
    fi
    ln -sfn "$dir" "$dosdevices/$letter:" && echo ok > "$status" ;;
  umount)
    dosdevices=$4
    rm -f "$dosdevices/$letter:"
    umount "$dir" 2>/dev/null
    rmdir "$dir" 2>/dev/null
    echo ok > "$status" ;;
esac
