#!/usr/bin/env bash
# Makes an empty APFS container with mkapfs:  make-apfs-images.sh OUTDIR LABEL
# OUTDIR/empty.img is 128 MiB (mkapfs refuses smaller ones), sparse; OUTDIR/empty.img.manifest holds facts:
#   # size=<bytes>
#   # label=<the volume name given to mkapfs>
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-apfs-images.sh OUTDIR LABEL}
label=${2:?usage: make-apfs-images.sh OUTDIR LABEL}
for tool in mkapfs truncate stat; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
image=$out/empty.img
rm -f "$image"
truncate -s 128M "$image"
mkapfs -L "$label" "$image" >/dev/null
{
  echo "# size=$(stat -c %s "$image")"
  echo "# label=$label"
} > "$image.manifest"
