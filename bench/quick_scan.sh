#!/usr/bin/env bash
# Quick-scan benchmark on FAT32, exFAT, NTFS or HFS+: for each size, a volume holding FILES small files in folders
# of 100 (bench/many_files.py, every fifth deleted after all were written), listed by the quick scan (engine-cli
# quick --live --json), by its deleted-only mode (engine-cli quick --json, where most nodes wait for a deleted
# parent that never comes) and by The Sleuth Kit's "fls -r -p" (full paths, deleted entries too), timed interleaved
# on the same warm image (bench/pairs.py, pinned to QUELLSY_BENCH_CPUS, 0-3 unless set). What each side found is
# checked against the manifest: the live files listed at their exact paths and the deleted files listed. Each
# size prints the time per file and the peak memory beside its limit (1 KiB per listed file and 32 MB); with
# both 100,000 and 400,000 files, the growth of the time per file between them.
#
# The images: FAT32 by mkfs.fat and mtools (mcopy -s, mdel); exFAT by mkfs.exfat and exfat-fuse over a loop
# device (root); NTFS by mkntfs and ntfs-3g (/dev/fuse); HFS+ by the test-side writer (hfsplus-bench-image, built
# with the release preset), its deleted files' records logged in its journal. They are kept in WORK_DIR.
#
# usage: bench/quick_scan.sh fat32|exfat|ntfs|hfsplus WORK_DIR [FILES...=10000 100000 400000]
# QUELLSY_BENCH_IMAGES_ONLY=1 makes the images and times nothing.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

fs=$1
work=$2
shift 2
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 400000)
export QUELLSY_BENCH_CPUS=${QUELLSY_BENCH_CPUS-0-3}
maker=${QUELLSY_HFSPLUS_BENCH_IMAGE:-${QUELLSY_BENCH_BUILD:-$bench_root/build/release}/tests/support/hfsplus/hfsplus-bench-image}
need fls python3 "$cli"
case $fs in
  fat32) need mkfs.fat mcopy mdel ;;
  exfat) need mkfs.exfat mount.exfat-fuse losetup ;;
  ntfs) need mkntfs ntfs-3g ntfsundelete; [ -c /dev/fuse ] || { echo "ntfs-3g needs /dev/fuse" >&2; exit 2; } ;;
  hfsplus) need "$maker" ;;
  *) echo "usage: $0 fat32|exfat|ntfs|hfsplus WORK_DIR [FILES...]" >&2; exit 2 ;;
esac
mkdir -p "$work"

# tree FILES: the files on disk and their manifest, made once for every file system.
tree() {
  local files=$1
  if [ ! -s "$work/many-$files.tsv" ]; then
    echo "making $files files in $work/tree-$files"
    rm -rf "$work/tree-$files"
    python3 "$bench_root/bench/many_files.py" "$work/tree-$files" "$files" "$work/many-$files.tsv.partial"
    mv "$work/many-$files.tsv.partial" "$work/many-$files.tsv"
  fi
}

# The files to delete, one path a line.
doomed() { awk -F'\t' '$4 == 1 {print $1}' "$work/many-$1.tsv"; }

# Mounts $2 (a loop device for exFAT, the image for NTFS) on $3 with FUSE, copies the tree in and deletes the
# doomed files, and always unmounts.
fill_mounted() {
  local files=$1 source=$2 mnt=$3
  trap 'umount "$mnt" 2>/dev/null || true' RETURN
  # Called where a failure is handled, so set -e does not stop it: every step says so itself.
  if [ "$fs" = exfat ]; then mount.exfat-fuse "$source" "$mnt" || return 1; else ntfs-3g "$source" "$mnt" || return 1; fi
  cp -r "$work/tree-$files"/. "$mnt"/ || return 1
  (cd "$mnt" && doomed "$files" | xargs -d '\n' rm --) || return 1
}

# image FILES: the volume, made once.
image() {
  local files=$1 img=$work/$fs-$1.img
  [ -s "$img" ] && return
  echo "making $img"
  local mib=$((files / 200 < 512 ? 512 : files / 200)) partial=$img.partial
  rm -f "$partial"
  case $fs in
    fat32)
      tree "$files"
      truncate -s "${mib}M" "$partial"
      mkfs.fat --invariant -i 1234ABCD -F 32 -s 1 -n MANYFILES "$partial" >/dev/null
      mcopy -s -i "$partial" "$work/tree-$files"/* ::/
      doomed "$files" | sed 's|^|::/|' | xargs -d '\n' mdel -i "$partial"
      ;;
    exfat)
      tree "$files"
      truncate -s "${mib}M" "$partial"
      mkfs.exfat -L MANYFILES -c 4K "$partial" >/dev/null
      local loop mnt
      loop=$(losetup -f --show "$partial")
      mnt=$(mktemp -d)
      fill_mounted "$files" "$loop" "$mnt" || { losetup -d "$loop"; exit 2; }
      losetup -d "$loop"
      rmdir "$mnt"
      ;;
    ntfs)
      tree "$files"
      truncate -s "${mib}M" "$partial"
      mkntfs -F -Q -q -L MANYFILES "$partial" >/dev/null 2>&1
      local mnt
      mnt=$(mktemp -d)
      fill_mounted "$files" "$partial" "$mnt" || exit 2
      rmdir "$mnt"
      ;;
    hfsplus)
      [ -s "$work/many-$files.tsv" ] ||
        python3 "$bench_root/bench/many_files.py" "$work/tree-$files" "$files" "$work/many-$files.tsv" --manifest-only
      "$maker" "$work/many-$files.tsv" "$partial"
      ;;
  esac
  mv "$partial" "$img"
}

# found JSON FLS FILES: what each side listed against the manifest, as "OURS<TAB>FLS" (live files at their paths
# and deleted files listed).
found() {
  python3 - "$work/many-$3.tsv" "$1" "$2" <<'PY'
import json, re, sys
manifest, ours, fls = sys.argv[1:4]
live, deleted = set(), set()
for line in open(manifest):
    path, _, _, gone = line.rstrip("\n").split("\t")
    (deleted if gone == "1" else live).add(path)
def inside(path):  # the path below the volume's own root folder
    at = path.find("group")
    return path[at:] if at >= 0 else path
our_live = our_deleted = 0
for line in open(ours):
    node = json.loads(line)
    if "path" not in node:
        continue
    path = inside(node["path"])
    if node["deleted"]:
        our_deleted += path.startswith("group") and not path.endswith("/") and node["size"] > 0
    else:
        our_live += path in live
fls_live = fls_deleted = 0
for line in open(fls, errors="replace"):
    m = re.match(r"^[-r]/r (\*? ?)[0-9-]+(?:-[0-9]+)*(?:\([^)]*\))?:\t(.*)$", line.rstrip("\n"))
    if not m:
        continue
    if m.group(1).strip():
        fls_deleted += m.group(2).startswith("group")
    else:
        fls_live += m.group(2) in live
print(f"{our_live}/{len(live)} live, {our_deleted}/{len(deleted)} deleted\t"
      f"{fls_live}/{len(live)} live, {fls_deleted}/{len(deleted)} deleted")
PY
}

declare -A per_file
for files in "${sizes[@]}"; do
  image "$files"
  [ -n "${QUELLSY_BENCH_IMAGES_ONLY:-}" ] && continue
  img=$work/$fs-$files.img
  peers=("fls=fls -r -p '$img' > '$work/fls.txt'")
  # NTFS has a second peer: ntfs-3g's lister of deleted files.
  [ "$fs" = ntfs ] && peers+=("undelete=ntfsundelete -s '$img' > '$work/undelete.txt' 2>/dev/null")
  json=$(pairs "ours='$cli' quick '$img' --live --json > '$work/ours.json' 2>/dev/null" \
    "deleted='$cli' quick '$img' --json > '$work/deleted.json' 2>/dev/null" "${peers[@]}")
  ours=$(field "$json" ours wall)
  theirs=$(field "$json" fls wall)
  rss=$(field "$json" ours rss_kib)
  what=$(found "$work/ours.json" "$work/fls.txt" "$files")
  listed=$(grep -c '"path"' "$work/ours.json" || true)
  title="$fs quick scan ($files files)"
  record "$title" "quick scan (engine-cli quick --live)" "$(rate "$files" "$ours")" files/s "fls -r -p" \
    "$(rate "$files" "$theirs")" "${what%%$'\t'*}" "${what#*$'\t'}"
  if [ "$fs" = ntfs ]; then
    record "$title" "quick scan (engine-cli quick --live)" "$(rate "$files" "$ours")" files/s "ntfsundelete -s" \
      "$(rate "$files" "$(field "$json" undelete wall)")" "${what%%$'\t'*}" \
      "$(grep -cv '<none>$' "$work/undelete.txt" || true) listed"
  fi
  deleted=$(field "$json" deleted wall)
  what_deleted=$(found "$work/deleted.json" "$work/fls.txt" "$files")
  record "$title" "quick scan, deleted only (engine-cli quick)" "$(rate "$files" "$deleted")" files/s "fls -r -p" \
    "$(rate "$files" "$theirs")" "${what_deleted%%$'\t'*}" "${what_deleted#*$'\t'}"
  limit_kib=$((listed + 32000000 / 1024))
  record "$title" "memory limit over peak memory" "$((limit_kib / 1024))" MiB "peak memory" "$((rss / 1024))"
  per_file[$files]=$(python3 -c 'import sys; print(f"{float(sys.argv[1]) / int(sys.argv[2]) * 1e6:.2f}")' "$ours" "$files")
  echo "$title: deleted only $(python3 -c 'import sys; print(f"{float(sys.argv[1]) / int(sys.argv[2]) * 1e6:.2f}")' "$deleted" "$files") us a file"
  echo "$title: ${per_file[$files]} us a file, $(python3 -c 'import sys; print(f"{float(sys.argv[1]) / float(sys.argv[2]):.2f}")' "$ours" "$theirs")x fls's time, peak $((rss / 1024)) MiB of at most $((limit_kib / 1024)), load $(field "$json" load)"
done
if [ -n "${per_file[100000]:-}" ] && [ -n "${per_file[400000]:-}" ]; then
  growth=$(python3 -c 'import sys; print(f"{float(sys.argv[2]) / float(sys.argv[1]):.2f}")' "${per_file[100000]}" "${per_file[400000]}")
  echo "$fs quick scan: time per file grows ${growth}x from 100,000 to 400,000 files"
  record "$fs quick scan (100,000 to 400,000 files)" "time per file at 100,000 over at 400,000" \
    "${per_file[100000]}" us "at 400,000 files" "${per_file[400000]}"
fi
