#!/usr/bin/env bash
# Makes an MBR disk with two FAT16 volumes of different geometry, for the restore of a disk's quick scan:
#   make-two-fat-disk.sh OUTDIR
# two-fat.img       the disk: LEFTVOL (512-byte clusters, 1 reserved sector) and RIGHTVOL (2 KiB clusters,
#                   8 reserved sectors), each with a file left and a file deleted
# two-fat.layout    one line per partition: "NAME START SIZE" in sectors
# two-fat.manifest  volume<TAB>path<TAB>size<TAB>sha256<TAB>deleted (0 or 1)
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 TZ=UTC

out=${1:?usage: make-two-fat-disk.sh OUTDIR}
for tool in mkfs.fat mcopy mdel sfdisk sha256sum dd truncate head; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
manifest=$out/two-fat.manifest
: >"$manifest"

# volume NAME SECTORS_PER_CLUSTER RESERVED SEED: a 16 MiB FAT16 volume with keep.bin and gone.bin (deleted), their
# bytes from the seed so that the two volumes' files differ.
volume() {
  local image=$work/$1.img
  truncate -s 16M "$image"
  mkfs.fat --invariant -i "$5" -F 16 -s "$2" -R "$3" -n "$1" "$image" >/dev/null
  for file in keep.bin:0:3000 gone.bin:1:9000; do
    IFS=: read -r name deleted size <<<"$file"
    { yes "$1 $name $4" || true; } | head -c "$size" >"$work/$name"
    mcopy -o -i "$image" "$work/$name" "::/$name"
    printf '%s\t/%s\t%s\t%s\t%s\n' "$1" "$name" "$size" "$(sha256sum <"$work/$name" | cut -d' ' -f1)" "$deleted" \
      >>"$manifest"
  done
  mdel -i "$image" ::/gone.bin
}
volume LEFTVOL 1 1 left 1EF7F00D
volume RIGHTVOL 4 8 right 2B16F00D

disk=$out/two-fat.img
rm -f "$disk"
truncate -s 34M "$disk"
sfdisk -q "$disk" <<'LAYOUT'
label: dos
start=2048, size=32768, type=6
start=34816, size=32768, type=6
LAYOUT
dd if="$work/LEFTVOL.img" of="$disk" bs=512 seek=2048 conv=notrunc status=none
dd if="$work/RIGHTVOL.img" of="$disk" bs=512 seek=34816 conv=notrunc status=none
printf 'LEFTVOL 2048 32768\nRIGHTVOL 34816 32768\n' >"$out/two-fat.layout"
