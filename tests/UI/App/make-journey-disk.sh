#!/usr/bin/env bash
# Makes the disk the application journeys scan: an MBR disk with three partitions, each a file system made by its
# own tools, holding kept and deleted files (a deleted file's data stay in place):
#   1  FAT32 (mkfs.fat, mtools)  /photos and /docs with deleted files in each, one kept file beside them
#   2  NTFS  (mkntfs, ntfs-3g)   the compressed folder /packed, one of its files deleted
#   3  exFAT (mkfs.exfat, exfat-fuse on a loop device)  /music with a deleted file, a deleted file at the root
#   make-journey-disk.sh OUTDIR
# Writes OUTDIR/journey.img and OUTDIR/journey.img.manifest: "# key=value" facts (each partition's first sector
# and count: "fat32=START COUNT"), then one line per file:
#   partition (fat32, ntfs, exfat)<TAB>path<TAB>size<TAB>sha256<TAB>deleted (0 or 1)
# Needs root, loop devices and /dev/fuse (exit 77 without them); a missing tool fails it.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-journey-disk.sh OUTDIR}
here=$(cd "$(dirname "$0")" && pwd)
for tool in sfdisk mkfs.fat mcopy mmd mdel mkfs.exfat mount.exfat-fuse losetup python3 sha256sum dd truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
[ "$(id -u)" = 0 ] || { echo "needs root for a loop device (exfat-fuse writes only to block devices)" >&2; exit 77; }
[ -c /dev/fuse ] || { echo "no /dev/fuse: the exFAT and NTFS files cannot be written" >&2; exit 77; }
mkdir -p "$out"
source "$here/../../support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mkdir "$work/m" "$work/files"
unmount_at_exit "$work/m"

fat_start=2048 fat_count=73728      # 36 MiB: enough clusters of one sector for FAT32
ntfs_start=75776 ntfs_count=49152   # 24 MiB, the compressed-folder volume's size
exfat_start=124928 exfat_count=16384
disk=$out/journey.img
manifest=$disk.manifest
rm -f "$disk"
truncate -s $(((exfat_start + exfat_count + 2048) * 512)) "$disk"
sfdisk --quiet "$disk" <<LAYOUT
label: dos
start=$fat_start, size=$fat_count, type=c
start=$ntfs_start, size=$ntfs_count, type=7
start=$exfat_start, size=$exfat_count, type=7
LAYOUT
{
  echo "# fat32=$fat_start $fat_count"
  echo "# ntfs=$ntfs_start $ntfs_count"
  echo "# exfat=$exfat_start $exfat_count"
} >"$manifest"

# make NAME SIZE: a file whose bytes differ from every other one's (seeded by its name), in $work/files.
make() {
  python3 - "$work/files/$1" "$2" <<'PY'
import random, sys
path, size = sys.argv[1], int(sys.argv[2])
rng = random.Random(path.rsplit("/", 1)[-1])
open(path, "wb").write(bytes(rng.getrandbits(8) for _ in range(size)))
PY
}
# note PARTITION PATH DELETED: the manifest's line of a file made by make.
note() {
  local file=$work/files/$(basename "$2")
  printf '%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$(stat -c %s "$file")" "$(sha256sum <"$file" | cut -d' ' -f1)" "$3" \
    >>"$manifest"
}

# FAT32: every file written first, the deleted ones deleted last so that nothing takes their clusters.
mkfs.fat --invariant -i 10CA1F32 -F 32 -s 1 -n JOURNEY --offset=$fat_start "$disk" $((fat_count / 2)) >/dev/null 2>&1
fat="$disk@@$((fat_start * 512))"
mmd -i "$fat" ::/photos ::/docs
for entry in photos/beach.jpg:20000:0 photos/sunset.jpg:30000:1 photos/friends.png:12000:1 docs/letter.txt:5000:1 \
             docs/keep.txt:3000:0 notes.txt:800:1; do
  IFS=: read -r path size deleted <<<"$entry"
  make "$(basename "$path")" "$size"
  mcopy -i "$fat" "$work/files/$(basename "$path")" "::/$path"
  note fat32 "/$path" "$deleted"
done
for path in photos/sunset.jpg photos/friends.png docs/letter.txt notes.txt; do mdel -i "$fat" "::/$path"; done

# NTFS: the compressed-folder volume, with its manifest's lines.
bash "$here/../../NTFSSearch/make-ntfs-compressed-image.sh" "$work/ntfs" >/dev/null
dd if="$work/ntfs/ntfs-compressed.img" of="$disk" bs=512 seek=$ntfs_start conv=notrunc status=none
awk -F'\t' '!/^#/ { printf "ntfs\t%s\t%s\t%s\t%s\n", $1, $2, $3, $4 }' "$work/ntfs/ntfs-compressed.img.manifest" \
  >>"$manifest"

# exFAT through FUSE on a loop device of the volume alone.
truncate -s $((exfat_count * 512)) "$work/exfat.img"
attach_loop loop "$work/exfat.img"
mkfs.exfat -L EXJOURNEY -c 4K "$loop" >/dev/null
mount.exfat-fuse "$loop" "$work/m" >/dev/null 2>&1
mkdir "$work/m/music"
for entry in music/song.mp3:40000:1 music/intro.mp3:9000:0 clip.txt:2500:1; do
  IFS=: read -r path size deleted <<<"$entry"
  make "$(basename "$path")" "$size"
  cp "$work/files/$(basename "$path")" "$work/m/$path"
  note exfat "/$path" "$deleted"
done
sync -f "$work/m"
rm "$work/m/music/song.mp3" "$work/m/clip.txt"
umount "$work/m"
detach_loop "$loop"
dd if="$work/exfat.img" of="$disk" bs=512 seek=$exfat_start conv=notrunc status=none
