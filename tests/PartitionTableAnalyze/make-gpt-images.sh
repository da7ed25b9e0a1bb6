#!/bin/bash
# GPT disks whose header matters: an entry array moved away from sector 2, 4096-byte sectors, a damaged
# primary header, a stale primary array, and both tables damaged. Usage: make-gpt-images.sh OUTDIR.
# Exit 77 when a tool is missing. Beside each image, IMAGE.layout lists "index start count" per partition
# (in the disk's sectors) that the tables should give; an empty file means no table at all.
set -euo pipefail
out=$1
for tool in sgdisk fdisk dd; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing $tool" >&2; exit 1; }
done
cd "$out"

layout() {  # IMAGE then "index start count" triples
  local image=$1; shift
  : >"$image.layout"
  while [ $# -gt 0 ]; do echo "$1 $2 $3" >>"$image.layout"; shift 3; done
}

zero_sector() {  # IMAGE SECTOR
  dd if=/dev/zero of="$1" bs=512 seek="$2" count=1 conv=notrunc status=none
}

# The entry array at sector 2048 instead of 2; the first partition after it.
truncate -s 64M moved.img
sgdisk -j 2048 -n 1:4096:45055 -t 1:0700 -n 2:45056:120000 -t 2:8300 moved.img >/dev/null
layout moved.img 1 4096 40960 2 45056 74945

# 4096-byte sectors: the header at byte 4096, the array at byte 8192, starts and counts in 4 KiB sectors.
truncate -s 64M gpt4k.img
printf 'g\nn\n1\n256\n5375\nn\n2\n5376\n12000\nw\n' | fdisk -b 4096 gpt4k.img >/dev/null 2>&1
layout gpt4k.img 1 256 5120 2 5376 6625

# The primary header wiped: the backup at the last sector still holds the table.
truncate -s 64M noprimary.img
sgdisk -n 1:2048:43007 -t 1:0700 -n 2:43008:100000 -t 2:8300 noprimary.img >/dev/null
zero_sector noprimary.img 1
layout noprimary.img 1 2048 40960 2 43008 56993

# A stale primary array: the table is changed, then the old array bytes are put back over the new
# ones. The primary header's CRC no longer matches, the backup describes the disk as it is now.
truncate -s 64M stale.img
sgdisk -n 1:2048:43007 -t 1:0700 -n 2:43008:100000 -t 2:8300 stale.img >/dev/null
dd if=stale.img of=old-array.bin bs=512 skip=2 count=32 status=none
sgdisk -d 2 -n 2:59392:120000 -t 2:8300 stale.img >/dev/null
dd if=old-array.bin of=stale.img bs=512 seek=2 conv=notrunc status=none
rm -f old-array.bin
layout stale.img 1 2048 40960 2 59392 60609

# Both headers wiped: the protective MBR is left, but there is no table.
truncate -s 64M nogpt.img
sgdisk -n 1:2048:43007 -t 1:0700 nogpt.img >/dev/null
zero_sector nogpt.img 1
zero_sector nogpt.img $(( 64 * 2048 - 1 ))
layout nogpt.img
