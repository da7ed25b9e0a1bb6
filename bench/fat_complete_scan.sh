#!/usr/bin/env bash
# FAT complete-scan benchmark: a sparse 2 GiB whole-disk image with three FAT partitions (FAT32, FAT16, FAT32)
# holding a few thousand files, whose partition table is then zeroed. It times, each as a whole command the same
# way (bench/lib.sh), a complete scan with only the FAT searcher against The Sleuth Kit's sigfind looking for the
# FAT boot-sector signature, and a complete scan with every searcher registered so far against a plain sequential
# read of the image (cat). Every rate is the image's size over the wall-clock time.
#
# usage: bench/fat_complete_scan.sh [WORK_DIR] [FILES_PER_PARTITION=1000]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), sfdisk, mkfs.fat, mtools,
# sigfind (package sleuthkit) and hyperfine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
export MTOOLS_SKIP_CHECK=1

work=${1:-$(mktemp -d)}
files=${2:-1000}
need sfdisk mkfs.fat mcopy sigfind python3 hyperfine "$cli"

mkdir -p "$work"
image="$work/fat-disk-2g.img"
if [ ! -s "$image" ]; then
  echo "making $image"
  rm -f "$image"
  truncate -s 2G "$image"
  # FAT32 of 1 GiB, FAT16 of 256 MiB, FAT32 of 512 MiB; the last quarter stays empty.
  printf 'label: dos\n2048,2097152,c\n2099200,524288,6\n2623488,1048576,c\n' | sfdisk -q "$image"
  fill() {  # START SECTORS MKFS-ARGS...
    local start=$1 sectors=$2
    shift 2
    mkfs.fat --invariant -i 1234ABCD --offset="$start" "$@" "$image" $((sectors / 2)) >/dev/null 2>&1
    rm -rf "$work/tree"
    python3 - "$work/tree" "$files" "$start" <<'PY'
import os, random, sys
root, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(seed)
for i in range(count):
    folder = os.path.join(root, f"dir{i % 40:02d}", f"sub{i % 7}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, f"file {i:05d}.bin"), "wb") as out:
        out.write(rng.randbytes(rng.choice((700, 5000, 40000, 200000))))
PY
    mcopy -s -i "$image@@$((start * 512))" "$work/tree"/* ::/
  }
  fill 2048 2097152 -F 32 -s 8
  fill 2099200 524288 -F 16 -s 16
  fill 2623488 1048576 -F 32 -s 8
  rm -rf "$work/tree"
  dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
fi
size=$(stat -c %s "$image")
megabytes=$(mb "$size")
fat_seconds=$(wall_seconds 3 "" "'$cli' complete '$image' --searchers fat --json > '$work/fat.json'")
# sigfind ends with a read error at the image's end and exits 1 after a full pass; its hits are complete.
sigfind_seconds=$(wall_seconds 3 "" "sigfind -t fat '$image' > '$work/sigfind.txt' 2>/dev/null || true")
all_seconds=$(wall_seconds 3 "" "'$cli' complete '$image' --json > '$work/all.json'")
cat_seconds=$(wall_seconds 3 "" "cat '$image' > /dev/null")

found() { tail -n 1 "$1" | python3 -c 'import json, sys; print(json.load(sys.stdin)["files"], "files")'; }
title="FAT complete scan ($((size >> 20)) MiB disk)"
record "$title" "complete scan, FAT searcher" "$(rate "$megabytes" "$fat_seconds")" MB/s \
  "sigfind -t fat" "$(rate "$megabytes" "$sigfind_seconds")" "$(found "$work/fat.json")" \
  "$(grep -c 'Block:' "$work/sigfind.txt") hits"
record "$title" "complete scan, every searcher" "$(rate "$megabytes" "$all_seconds")" MB/s \
  "plain read (cat)" "$(rate "$megabytes" "$cat_seconds")" "$(found "$work/all.json")" "$size bytes"
