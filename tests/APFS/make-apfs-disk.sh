#!/usr/bin/env bash
# Makes a disk with one GPT partition from sector 2048 holding an empty APFS container made by mkapfs:
#   make-apfs-disk.sh OUTDIR LABEL
# OUTDIR/disk.img (sparse); OUTDIR/disk.img.manifest holds facts:
#   # start=<the partition's first sector>
#   # sectors=<the partition's length in 512-byte sectors>
#   # label=<the volume name given to mkapfs>
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-apfs-disk.sh OUTDIR LABEL}
label=${2:?usage: make-apfs-disk.sh OUTDIR LABEL}
for tool in mkapfs sfdisk truncate dd stat; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
part=$out/partition.img
disk=$out/disk.img
start=2048
sectors=$((128 * 2048))
rm -f "$part" "$disk"
truncate -s $((sectors * 512)) "$part"
mkapfs -L "$label" "$part" >/dev/null
# Room for the backup GPT after the partition.
truncate -s $(((start + sectors + 2048) * 512)) "$disk"
printf 'label: gpt\nstart=%d, size=%d, type=7C3457EF-0000-11AA-AA11-00306543ECAC\n' "$start" "$sectors" |
  sfdisk --quiet "$disk" >/dev/null
dd if="$part" of="$disk" bs=1M seek=$((start * 512)) oflag=seek_bytes conv=notrunc,sparse status=none
rm -f "$part"
{
  echo "# start=$start"
  echo "# sectors=$sectors"
  echo "# label=$label"
} > "$disk.manifest"
