#!/usr/bin/env bash
# FAT quick-scan benchmark: a FAT32 image holding about 100,000 files (mtools "mcopy -s" of a generated tree,
# a few hundred of them deleted), listed by the quick scan (engine-cli quick --live) and by The Sleuth Kit's
# "fls -r -p" (full paths, as the quick scan lists them), each timed as a whole command the same way
# (bench/lib.sh). Both rates count the same files: every file put into the image, deleted ones included (both
# tools list deleted entries); what each tool actually listed is reported beside.
#
# usage: bench/fat_quick_scan.sh [WORK_DIR] [FOLDERS=1000] [FILES_PER_FOLDER=100]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), mkfs.fat, mtools, fls (package
# sleuthkit) and hyperfine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
export MTOOLS_SKIP_CHECK=1

work=${1:-$(mktemp -d)}
folders=${2:-1000}
per_folder=${3:-100}
need mkfs.fat mcopy mdel fls python3 hyperfine "$cli"

mkdir -p "$work"
image="$work/fat32-${folders}x${per_folder}.img"
if [ ! -s "$image" ]; then
  echo "making $((folders * per_folder)) files in $work/tree"
  rm -rf "$work/tree"
  python3 - "$work/tree" "$folders" "$per_folder" <<'PY'
import os, sys
root, folders, per_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for f in range(folders):
    folder = os.path.join(root, "group%02d" % (f // 100), "folder %04d" % f)
    os.makedirs(folder, exist_ok=True)
    for i in range(per_folder):
        name = "file %05d.txt" % i if i % 2 else "F%05d.TXT" % i
        with open(os.path.join(folder, name), "w") as out:
            out.write(("%d-%d " % (f, i)) * (1 + (f * 31 + i) % 60))
PY
  truncate -s 512M "$image"
  mkfs.fat --invariant -F 32 -s 1 -n MANYFILES "$image" >/dev/null
  echo "copying the tree into $image (mcopy -s)"
  mcopy -s -i "$image" "$work/tree"/* ::/
  # A few hundred deleted files, so the scan reads erased entries too.
  for ((f = 0; f < folders; f += 5)); do
    mdel -i "$image" "::/group$(printf %02d $((f / 100)))/folder $(printf %04d "$f")/F0000*.TXT" 2>/dev/null || true
  done
fi

files=$((folders * per_folder))
ours_seconds=$(wall_seconds 5 "" "'$cli' quick '$image' --live --json > '$work/quick.json'")
fls_seconds=$(wall_seconds 5 "" "fls -r -p '$image' > '$work/fls.txt'")
ours_found=$(sed -n 's/.*"summary": true.*"files": \([0-9]*\).*/\1/p' "$work/quick.json")
fls_found=$(grep '^[+ ]*[-r]/r ' "$work/fls.txt" | grep -vc '(Volume Label Entry)')
record "FAT quick scan ($files files)" "quick scan (engine-cli quick --live)" "$(rate "$files" "$ours_seconds")" files/s \
  "fls -r -p" "$(rate "$files" "$fls_seconds")" "$ours_found" "$fls_found"
