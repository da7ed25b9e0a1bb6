#!/bin/bash
# Disk images with partition tables written by the usual Linux tools, for the partition-table and
# enumeration tests. Usage: make-partition-images.sh OUTDIR. A missing tool fails it (exit 1).
# Beside each image, IMAGE.layout lists what was made: "index start count" per partition, in sectors.
set -euo pipefail
out=$1
for tool in sgdisk sfdisk fdisk parted mkfs.fat; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
cd "$out"
export MTOOLS_SKIP_CHECK=1

layout() {  # IMAGE then "index start count" triples
  local image=$1; shift
  : >"$image.layout"
  while [ $# -gt 0 ]; do echo "$1 $2 $3" >>"$image.layout"; shift 3; done
}

# GPT: a 1 MiB BIOS boot partition (too small to be listed), a 20 MiB basic-data partition with a FAT
# volume "GPTDATA", and a Linux partition.
truncate -s 64M gpt.img
sgdisk -n 1:2048:4095 -t 1:ef02 -n 2:4096:45055 -t 2:0700 -u 2:5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D \
  -n 3:45056:120000 -t 3:8300 gpt.img >/dev/null
rm -f vol.img && mkfs.fat -C -F 16 -n GPTDATA -i 1234ABCD --invariant vol.img 20480 >/dev/null
dd if=vol.img of=gpt.img bs=512 seek=4096 conv=notrunc status=none
layout gpt.img 2 4096 40960 3 45056 74945

# MBR: a primary partition and an extended one holding three logical partitions (5, 6, 7).
truncate -s 64M mbr.img
sfdisk -q mbr.img >/dev/null 2>&1 <<'LAYOUT'
label: dos
start=2048, size=20480, type=83
start=22528, size=100000, type=5
start=24576, size=20480, type=83
start=47104, size=20480, type=83
start=69632, size=20480, type=83
LAYOUT
layout mbr.img 1 2048 20480 5 24576 20480 6 47104 20480 7 69632 20480

# The same kind of table on a disk of 4096-byte sectors (starts and sizes in those sectors). This
# sfdisk has no sector-size option; fdisk's -b gives a plain file any sector size.
truncate -s 64M mbr4k.img
printf 'o\nn\np\n1\n256\n2815\nn\ne\n2\n3072\n11263\nn\nl\n3328\n5887\nn\nl\n6144\n8703\nw\n' |
  fdisk -b 4096 mbr4k.img >/dev/null 2>&1
layout mbr4k.img 1 256 2560 5 3328 2560 6 6144 2560

# Apple partition map: the map itself, two partitions and two free-space entries.
truncate -s 64M apm.img
parted -s apm.img mklabel mac mkpart p1 hfs+ 1MiB 20MiB mkpart p2 fat32 20MiB 40MiB
layout apm.img 1 1 63 2 2048 38912 3 40960 40960 4 64 1984 5 81920 49152

# A FAT file system on the whole disk, no partition table.
rm -f whole.img && mkfs.fat -C -F 16 -n WHOLEDISK -i 0BADCAFE --invariant whole.img 16384 >/dev/null
layout whole.img -1 0 32768
rm -f vol.img
