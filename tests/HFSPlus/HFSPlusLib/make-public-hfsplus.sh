#!/usr/bin/env bash
# Prepares the public HFS+ images for the tests and asks The Sleuth Kit what they hold:
#   make-public-hfsplus.sh OUTDIR
# The test puts the images in OUTDIR first: dfvfs.img, forensic-volume.img, forensic-nested.img, linux.img.xz and
# linux.manifest.tsv. The script adds linux.img (decompressed), the listings of tsk-listing.sh for every image,
# dfvfs.myxattr (the extended attribute of a_directory/a_file) and linux.manifest (the manifest with its paths
# in decomposed form, as the names are stored on disk).
# Exits 77 when a tool is missing.
set -euo pipefail
out=${1:?usage: make-public-hfsplus.sh OUTDIR}
for tool in xz icat python3; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
xz -dc "$out/linux.img.xz" > "$out/linux.img"
bash "$(dirname "$0")/tsk-listing.sh" "$out"
icat "$out/dfvfs.img" 19-4354-2 > "$out/dfvfs.myxattr"
python3 - "$out/linux.manifest.tsv" "$out/linux.manifest" <<'PY'
import sys, unicodedata
with open(sys.argv[1], encoding="utf-8") as src, open(sys.argv[2], "w", encoding="utf-8") as dst:
    for line in src:
        dst.write(unicodedata.normalize("NFD", line))
PY
