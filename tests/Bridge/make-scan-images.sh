#!/usr/bin/env bash
# Makes the images the scan and recovery driver tests read:
#   make-scan-images.sh OUTDIR
# fat.img       a FAT16 volume; fat.img.manifest lists its files:
#               path<TAB>size<TAB>sha256<TAB>deleted (0 or 1)<TAB>modification year-month
# disk.img      an MBR disk with three partitions: FAT16 (a copy of fat.img), exFAT, NTFS (one file)
# disk.layout   start and size in sectors of each partition, one line each: "fat START SIZE" ...
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 TZ=UTC

out=${1:?usage: make-scan-images.sh OUTDIR}
for tool in mkfs.fat mcopy mmd mdel mkfs.exfat mkntfs ntfscp sfdisk sha256sum dd truncate touch; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

content() { { yes "$1" || true; } | head -c "$2"; }

fat=$out/fat.img
manifest=$fat.manifest
rm -f "$fat"
truncate -s 16M "$fat"
mkfs.fat --invariant -i 5CA11E55 -F 16 -n SCANVOL "$fat" >/dev/null
: >"$manifest"

# put PATH SIZE WHEN: a file modified at WHEN (mid-month, so no time zone moves its month).
put() {
  local host=$work/$(basename "$1")
  content "$1" "$2" >"$host"
  touch -d "$3" "$host"
  mcopy -m -o -i "$fat" "$host" "::$1"
  printf '%s\t%s\t%s\t0\t%s\n' "$1" "$2" "$(sha256sum <"$host" | cut -d' ' -f1)" "$(date -d "$3" +%Y-%m)" \
    >>"$manifest"
  rm -f "$host"
}
# Marks PATH deleted in the manifest (mtools only marks the entry; the data stays in place).
remove() {
  mdel -i "$fat" "::$1"
  awk -F'\t' -v p="$1" 'BEGIN { OFS = "\t" } $1 == p { $4 = 1 } 1' "$manifest" >"$work/m"
  mv "$work/m" "$manifest"
}

put /README.TXT 700 "2021-03-15 12:00"
mmd -i "$fat" ::/docs
put /docs/report.txt 5000 "2022-07-15 12:00"
put /docs/photo.jpg 9000 "2022-07-16 12:00"
put /docs/old.txt 1500 "2020-11-14 12:00"
put /gone.jpg 7000 "2019-05-15 12:00"
# Deleted last, so nothing written later takes their clusters.
remove /docs/old.txt
remove /gone.jpg

disk=$out/disk.img
rm -f "$disk"
truncate -s 40M "$disk"
sfdisk -q "$disk" <<'LAYOUT'
label: dos
start=2048, size=32768, type=6
start=34816, size=16384, type=7
start=51200, size=16384, type=7
LAYOUT
dd if="$fat" of="$disk" bs=512 seek=2048 conv=notrunc status=none
truncate -s 8M "$work/exfat.img"
mkfs.exfat -L EXVOL "$work/exfat.img" >/dev/null
dd if="$work/exfat.img" of="$disk" bs=512 seek=34816 conv=notrunc status=none
truncate -s 8M "$work/ntfs.img"
mkntfs -q -F -f -L NTVOL -p 51200 -H 255 -S 63 "$work/ntfs.img" >/dev/null
content ntfs 4000 >"$work/ntfs.txt"
ntfscp -q "$work/ntfs.img" "$work/ntfs.txt" /ntfs.txt
dd if="$work/ntfs.img" of="$disk" bs=512 seek=51200 conv=notrunc status=none
printf 'fat 2048 32768\nexfat 34816 16384\nntfs 51200 16384\n' >"$out/disk.layout"
