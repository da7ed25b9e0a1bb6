#!/usr/bin/env bash
# FAT quick-scan benchmark: a FAT32 image holding about 100,000 files (mtools "mcopy -s" of a generated tree,
# a few hundred of them deleted), listed by the quick scan (engine-cli quick --live) and by The Sleuth Kit's
# "fls -r" in the same run. Reports files per second for each and their ratio.
#
# usage: bench/fat_quick_scan.sh [WORK_DIR] [FOLDERS=1000] [FILES_PER_FOLDER=100]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), mkfs.fat, mtools and fls
# (package sleuthkit).
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1

here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
folders=${2:-1000}
per_folder=${3:-100}
cli=${QUELLSY_ENGINE_CLI:-$here/build/release/tools/engine-cli/engine-cli}

for tool in mkfs.fat mcopy mdel fls python3 "$cli"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

mkdir -p "$work"
image="$work/fat32-many.img"
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

now() { date +%s.%N; }

start=$(now)
summary=$("$cli" quick "$image" --live --json 2>/dev/null | grep '"summary": true')
end=$(now)
ours_files=$(sed -n 's/.*"files": \([0-9]*\).*/\1/p' <<<"$summary")
ours_scan=$(sed -n 's/.*"seconds": \([0-9.]*\).*/\1/p' <<<"$summary")
ours_wall=$(python3 -c "print(f'{$end - $start:.3f}')")

start=$(now)
fls_files=$(fls -r "$image" | grep '^[+ ]*[-r]/r ' | grep -vc '(Volume Label Entry)')
end=$(now)
fls_wall=$(python3 -c "print(f'{$end - $start:.3f}')")

python3 - "$ours_files" "$ours_scan" "$ours_wall" "$fls_files" "$fls_wall" <<'PY'
import sys
ours_files, ours_scan, ours_wall, fls_files, fls_wall = int(sys.argv[1]), *map(float, sys.argv[2:4]), int(sys.argv[4]), float(sys.argv[5])
ours_rate = ours_files / ours_wall
fls_rate = fls_files / fls_wall
print(f"quick scan (engine-cli): {ours_files} files in {ours_wall:.3f} s wall ({ours_scan:.3f} s scan and tree): {ours_rate:,.0f} files/s")
print(f"fls -r:                  {fls_files} files in {fls_wall:.3f} s wall: {fls_rate:,.0f} files/s")
print(f"ratio (quick scan / fls): {ours_rate / fls_rate:.2f}")
PY
