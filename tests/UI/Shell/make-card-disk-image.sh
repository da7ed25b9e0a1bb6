#!/usr/bin/env bash
# Makes a memory card's image: an MBR partition table with one FAT16 partition labelled QCARD from sector 2048,
# holding KEEP.TXT and GONE.TXT, the latter deleted (mtools only marks its entry, so its data stay in place):
#   make-card-disk-image.sh OUTDIR
# Writes OUTDIR/card.img and OUTDIR/card.img.manifest: "# key=value" facts (the partition's first sector and
# size in bytes), then one line per file: path<TAB>size<TAB>sha256<TAB>deleted.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-card-disk-image.sh OUTDIR}
for tool in sfdisk mkfs.fat mcopy mdel sha256sum truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

image=$out/card.img
start=2048
sectors=65536  # 32 MiB
rm -f "$image"
truncate -s $(((start + sectors) * 512)) "$image"
echo "start=$start, size=$sectors, type=6" | sfdisk --quiet --label dos "$image"
mkfs.fat --invariant -i 1234ABCD -F 16 -n QCARD --offset=$start "$image" $((sectors / 2)) >/dev/null

{ yes "kept on the card" || true; } | head -c 5000 >"$work/KEEP.TXT"
{ yes "deleted from the card" || true; } | head -c 12000 >"$work/GONE.TXT"
mcopy -i "$image@@$((start * 512))" "$work/KEEP.TXT" "$work/GONE.TXT" ::
mdel -i "$image@@$((start * 512))" ::GONE.TXT

{
  echo "# partition-start=$start"
  echo "# partition-bytes=$((sectors * 512))"
  for name in KEEP.TXT GONE.TXT; do
    deleted=0
    [ "$name" = GONE.TXT ] && deleted=1
    printf '%s\t%s\t%s\t%s\n' "/$name" "$(stat -c %s "$work/$name")" "$(sha256sum <"$work/$name" | cut -d' ' -f1)" "$deleted"
  done
} >"$image.manifest"
