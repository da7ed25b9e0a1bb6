#!/usr/bin/env bash
# Copy-out benchmark: a FAT32 image holding about 1 GiB of files (mtools "mcopy -s" of a generated tree of random
# files from 64 KiB to 16 MiB, a few of them fragmented), copied out by the quick scan (engine-cli quick --live
# --recover, scan included) and the same tree copied by "cp -r" from the page cache, each timed as a whole
# command the same way and interleaved (bench/pairs.py), the destination emptied before every run and the
# write-back of the copies inside the timing (sync). Both rates count the tree's
# bytes; what each side found is the number of its files identical to the tree's (ours under the folder the
# copy-out names after the image and its file system).
#
# usage: bench/copy_out.sh [WORK_DIR] [MIB=1024]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), mkfs.fat, mtools, python3 and
# hyperfine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
export MTOOLS_SKIP_CHECK=1

work=${1:-$(mktemp -d)}
mib=${2:-1024}
need mkfs.fat mcopy mdel python3 hyperfine sha256sum "$cli"

mkdir -p "$work"
tree=$work/tree-$mib
image=$work/fat32-copy-$mib.img
if [ ! -s "$image" ]; then
  echo "making $mib MiB of files in $tree"
  rm -rf "$tree"
  python3 - "$tree" "$mib" <<'PY'
import os, random, sys
root, total = sys.argv[1], int(sys.argv[2]) << 20
rng = random.Random(22)
made = 0
index = 0
while made < total:
    folder = os.path.join(root, "set %02d" % (index // 32))
    os.makedirs(folder, exist_ok=True)
    size = min(total - made, rng.choice((64 << 10, 300 << 10, 1 << 20, 3 << 20, 7 << 20, 16 << 20)) + rng.randrange(512))
    with open(os.path.join(folder, "file %04d.bin" % index), "wb") as out:
        out.write(rng.randbytes(size))
    made += size
    index += 1
PY
  truncate -s $((mib + mib / 4 + 64))M "$image.partial"
  mkfs.fat --invariant -F 32 -s 8 -n COPYOUT "$image.partial" >/dev/null
  # Small spacer files written between the first few and deleted afterwards leave holes that later files fill
  # in pieces, so some files are fragmented as on a used card.
  for ((i = 0; i < 16; i++)); do
    head -c $((96 << 10)) /dev/zero >"$work/spacer"
    mcopy -i "$image.partial" "$work/spacer" "::/SPACER$i.TMP"
    head -c $((32 << 10)) /dev/zero >"$work/spacer"
    mcopy -i "$image.partial" "$work/spacer" "::/KEEP$i.TMP"
  done
  for ((i = 0; i < 16; i++)); do mdel -i "$image.partial" "::/SPACER$i.TMP"; done
  for ((i = 0; i < 16; i++)); do mdel -i "$image.partial" "::/KEEP$i.TMP"; done
  echo "copying the tree into $image (mcopy -s)"
  mcopy -s -i "$image.partial" "$tree"/* ::/
  rm -f "$work/spacer"
  mv "$image.partial" "$image"
fi

# identical DIR: files under DIR whose path and bytes match the tree's
identical() {
  local dir=$1
  (cd "$tree" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/tree.sha"
  (cd "$dir" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum) | sort | comm -12 - <(sort "$work/tree.sha") |
    wc -l
}

# Every run starts with nothing of the last one waiting to be written back, and ends once its own files are
# written back (sync inside the timing): the page cache takes a copy far faster than the disk does.
bytes=$(du -sb --apparent-size "$tree" | cut -f1)
files=$(find "$tree" -type f | wc -l)
timed=$(pairs --prepare "rm -rf '$work/'\$BENCH_RUN; [ \$BENCH_RUN = cp ] || mkdir '$work/ours'; sync" \
  "ours='$cli' quick '$image' --live --json --recover '$work/ours' > /dev/null && sync" \
  "cp=cp -r '$tree' '$work/cp' && sync")
ours_seconds=$(field "$timed" ours wall)
cp_seconds=$(field "$timed" cp wall)
# The last run's copies stay for the check below.
record "copy-out ($(mb "$bytes") MB, $files files)" "quick scan and copy-out (engine-cli)" \
  "$(rate "$(mb "$bytes")" "$ours_seconds")" MB/s "cp -r" "$(rate "$(mb "$bytes")" "$cp_seconds")" \
  "$(identical "$work/ours/$(basename "$image")(FAT_FAT32)")/$files identical" "$(identical "$work/cp")/$files identical"
rm -rf "$work/ours" "$work/cp"
