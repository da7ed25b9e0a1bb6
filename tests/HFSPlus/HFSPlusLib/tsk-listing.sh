#!/usr/bin/env bash
# What The Sleuth Kit sees in every OUTDIR/<name>.img, for the tests to compare with:
#   tsk-listing.sh OUTDIR
# OUTDIR/<name>.fls      fls -r -p of the image
# OUTDIR/<name>.files/N  icat of every regular file N it lists
# Exits 77 when a tool is missing.
set -euo pipefail
out=${1:?usage: tsk-listing.sh OUTDIR}
for tool in fls icat; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
for image in "$out"/*.img; do
  name=${image%.img}
  fls -r -p "$image" > "$name.fls"
  mkdir -p "$name.files"
  grep -E '^r/r [0-9]+:' "$name.fls" | sed -E 's/^r\/r ([0-9]+):.*/\1/' | while read -r inode; do
    icat "$image" "$inode" > "$name.files/$inode"
  done
done
