#!/usr/bin/env bash
# FAT complete-scan benchmark: a sparse 2 GiB whole-disk image with three FAT partitions (FAT32, FAT16, FAT32)
# holding a few thousand files, whose partition table is then zeroed. In the same run it times a complete scan
# with only the FAT searcher, one with every searcher registered so far, a plain sequential read of the image
# and The Sleuth Kit's sigfind looking for the FAT boot-sector signature, and reports MB/s for each. The image
# is read once before the runs, so that every run reads it from the page cache.
#
# usage: bench/fat_complete_scan.sh [WORK_DIR] [FILES_PER_PARTITION=1000]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), sfdisk, mkfs.fat, mtools and
# sigfind (package sleuthkit).
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1

here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
files=${2:-1000}
cli=${QUELLSY_ENGINE_CLI:-$here/build/release/tools/engine-cli/engine-cli}

for tool in sfdisk mkfs.fat mcopy sigfind python3 "$cli"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

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
cat "$image" >/dev/null

mib=$(( $(stat -c %s "$image") / 1048576 ))
now() { python3 -c 'import time; print(time.monotonic())'; }
rate() { python3 -c "import sys; print(f'{$mib * 1.048576 / float(sys.argv[1]):8.1f}')" "$1"; }

"$cli" complete "$image" --searchers fat --json >"$work/fat.json" 2>"$work/fat.log"
"$cli" complete "$image" --json >"$work/all.json" 2>"$work/all.log"
start=$(now)
dd if="$image" of=/dev/null bs=4M status=none
read_seconds=$(python3 -c "print($(now) - $start)")
start=$(now)
# sigfind ends with a read error at the image's end and exits 1 after a full pass; its hits are complete.
sigfind -t fat "$image" >"$work/sigfind.txt" 2>/dev/null || true
sigfind_seconds=$(python3 -c "print($(now) - $start)")

summary() {
  tail -n 1 "$1" | python3 -c 'import json, sys; s = json.load(sys.stdin); print("%8.1f MB/s  (%d files)" % (s["mb_per_s"], s["files"]))'
}
echo "throughput over the $mib MiB image:"
echo "complete scan, FAT searcher only:  $(summary "$work/fat.json")"
echo "complete scan, every searcher:     $(summary "$work/all.json")"
echo "plain sequential read (dd 4 MiB):  $(rate "$read_seconds") MB/s"
echo "sigfind -t fat:                    $(rate "$sigfind_seconds") MB/s  ($(grep -c 'Block:' "$work/sigfind.txt") hits)"
