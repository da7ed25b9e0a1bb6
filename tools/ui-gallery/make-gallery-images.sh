#!/usr/bin/env bash
# Makes the two disk images the gallery's real-image states scan, each with a manifest beside it:
#   make-gallery-images.sh OUTDIR
# holiday-card.img  an MBR disk with one FAT32 partition labelled HOLIDAYS: a camera's folders of photos (JPEG, a
#                   camera raw, a movie), screenshots (PNG), documents and music, some files and a folder deleted
# office-disk.img   an MBR disk with one NTFS partition labelled OFFICE: folders of documents and pictures, a
#                   compressed folder and deleted files, written through ntfs-3g
# IMAGE.manifest: "# key=value" facts (partition-start in sectors, label), then one line per file:
#   path<TAB>size<TAB>sha256<TAB>deleted (0 or 1)
# The pictures, the raw and the movie come from the thumbnail tests' script. It exits 77 only when the machine has
# no /dev/fuse (ntfs-3g writes the NTFS disk through it); anything else that fails, a missing tool or a refused
# mount included, fails it.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 TZ=UTC

out=${1:?usage: make-gallery-images.sh OUTDIR}
here=$(cd "$(dirname "$0")" && pwd)
for tool in sfdisk mkfs.fat mcopy mmd mdel mdeltree mkntfs ntfs-3g setfattr ffmpeg exiftool python3 \
  sha256sum truncate touch; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
[ -c /dev/fuse ] || { echo "no /dev/fuse: ntfs-3g cannot write the NTFS disk" >&2; exit 77; }
mkdir -p "$out"
source "$here/../../tests/support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mnt=$work/mnt
mkdir -p "$mnt" "$work/host"
unmount_at_exit "$mnt"

ff() { ffmpeg -v error -nostdin -y "$@"; }
text() { { yes "$1" || true; } | head -c "$2"; }
sha() { sha256sum <"$1" | cut -d' ' -f1; }

# The media every image draws from.
media=$work/media
bash "$here/../../tests/UI/Kit/Thumbnails/make-thumbnail-files.sh" "$media" >/dev/null
# A camera's card: a moving test picture, one frame a photo, each of its own size.
ff -f lavfi -i testsrc2=size=800x600:rate=25 -frames:v 24 -q:v 3 "$media/IMG_%04d.JPG"
ff -f lavfi -i mandelbrot=size=640x480 -frames:v 1 "$media/mandelbrot.png"
ff -f lavfi -i smptehdbars=size=640x360 -frames:v 1 "$media/bars.png"
ff -f lavfi -i cellauto=size=480x320:rule=110 -frames:v 1 "$media/cells.png"
ff -f lavfi -i sine=frequency=440:duration=3 -c:a libmp3lame -b:a 64k "$media/tune.mp3"
ff -f lavfi -i sine=frequency=660:duration=2 -c:a libmp3lame -b:a 64k "$media/chime.mp3"

# new_disk IMAGE MIB TYPE: an MBR disk with one partition from sector 2048 to the end.
start=2048
new_disk() {
  rm -f "$1"
  truncate -s "$2M" "$1"
  echo "start=$start, type=$3" | sfdisk --quiet --label dos "$1"
  partition_sectors=$(($2 * 2048 - start))
}

# --- The FAT32 card ---------------------------------------------------------------------------------------------
card=$out/holiday-card.img
manifest=$card.manifest
new_disk "$card" 96 c
mkfs.fat --invariant -i 20240717 -F 32 -s 1 -n HOLIDAYS --offset=$start "$card" $((partition_sectors / 2)) >/dev/null
{
  echo "# partition-start=$start"
  echo "# label=HOLIDAYS"
} >"$manifest"
fat="$card@@$((start * 512))"

# fat_put SOURCE PATH WHEN: the file at PATH, modified at WHEN (mid-month, so no time zone moves its month).
fat_put() {
  local host=$work/host/$(basename "$2")
  cp "$1" "$host"
  touch -d "$3" "$host"
  mcopy -m -o -i "$fat" "$host" "::$2"
  printf '%s\t%s\t%s\t0\n' "$2" "$(stat -c %s "$host")" "$(sha "$host")" >>"$manifest"
  rm -f "$host"
}
fat_text() {
  text "$1" "$2" >"$work/text"
  fat_put "$work/text" "$1" "$3"
}
# Marks PATH and everything below it deleted in the manifest (mtools only marks the entries; the data stay).
mark_deleted() {
  awk -F'\t' -v p="$1" 'BEGIN { OFS = "\t" } !/^#/ && ($1 == p || index($1, p "/") == 1) { $4 = 1 } 1' \
    "$manifest" >"$work/m" && mv "$work/m" "$manifest"
}

mmd -i "$fat" ::/DCIM ::/DCIM/100CANON ::/DCIM/101CANON ::/Pictures ::/Pictures/Screenshots ::/Documents \
  ::/Documents/Receipts ::/Music
for n in $(seq 1 12); do
  fat_put "$media/$(printf 'IMG_%04d.JPG' "$n")" "/DCIM/100CANON/$(printf 'IMG_%04d.JPG' $((100 + n)))" \
    "2024-07-$(printf '%02d' $((n + 2))) 10:00"
done
for n in $(seq 13 24); do
  fat_put "$media/$(printf 'IMG_%04d.JPG' "$n")" "/DCIM/101CANON/$(printf 'IMG_%04d.JPG' $((100 + n)))" \
    "2024-08-$(printf '%02d' $((n - 8))) 10:00"
done
fat_put "$media/camera.dng" /DCIM/101CANON/IMG_0125.DNG "2024-08-17 11:00"
fat_put "$media/clip.mp4" /DCIM/101CANON/MVI_0126.MP4 "2024-08-17 11:30"
fat_put "$media/mandelbrot.png" "/Pictures/Screenshots/Screenshot 2024-05-02.png" "2024-05-02 09:00"
fat_put "$media/bars.png" "/Pictures/Screenshots/Screenshot 2024-05-14.png" "2024-05-14 09:00"
fat_put "$media/cells.png" /Pictures/wallpaper.png "2023-12-15 18:00"
fat_put "$media/photo.jpg" /Pictures/portrait.jpg "2023-11-15 18:00"
fat_text "/Documents/Trip plan.txt" 2400 "2024-06-15 20:00"
fat_text /Documents/budget.csv 1800 "2024-06-16 20:00"
fat_text /Documents/packing-list.txt 900 "2024-06-20 20:00"
fat_text /Documents/Receipts/hotel.txt 3100 "2024-07-20 08:00"
fat_text /Documents/Receipts/train.txt 1200 "2024-07-21 08:00"
fat_put "$media/tune.mp3" /Music/tune.mp3 "2023-10-15 12:00"
fat_put "$media/chime.mp3" /Music/chime.mp3 "2023-10-16 12:00"
# Deleted last, so nothing written later takes their clusters.
for name in /DCIM/100CANON/IMG_0104.JPG /DCIM/100CANON/IMG_0109.JPG /DCIM/101CANON/IMG_0118.JPG \
  "/Pictures/Screenshots/Screenshot 2024-05-14.png" /Music/chime.mp3; do
  mdel -i "$fat" "::$name"
  mark_deleted "$name"
done
mdeltree -i "$fat" ::/Documents/Receipts
mark_deleted /Documents/Receipts

# --- The NTFS disk ----------------------------------------------------------------------------------------------
disk=$out/office-disk.img
manifest=$disk.manifest
new_disk "$disk" 48 7
truncate -s $((partition_sectors * 512)) "$work/ntfs.img"
mkntfs -F -Q -q -c 4096 -L OFFICE -p $start -H 255 -S 63 "$work/ntfs.img" >/dev/null 2>&1
ntfs-3g "$work/ntfs.img" "$mnt"
{
  echo "# partition-start=$start"
  echo "# label=OFFICE"
} >"$manifest"
ntfs_put() {
  mkdir -p "$mnt$(dirname "$2")"
  cp "$1" "$mnt$2"
  printf '%s\t%s\t%s\t0\n' "$2" "$(stat -c %s "$1")" "$(sha "$1")" >>"$manifest"
}
ntfs_text() {
  text "$1" "$2" >"$work/text"
  ntfs_put "$work/text" "$1"
}
ntfs_text "/Reports/Quarterly report.txt" 14000
ntfs_text /Reports/minutes.txt 3300
ntfs_put "$media/photo.png" /Reports/chart.png
mkdir -p "$mnt/Archive"
setfattr -n system.ntfs_attrib_be -v 0x00000800 "$mnt/Archive"
ntfs_text /Archive/ledger-2022.csv 40000
ntfs_text /Archive/ledger-2023.csv 42000
ntfs_put "$media/photo.tiff" /Pictures/scan.tiff
ntfs_put "$media/preview.jpg" /Pictures/team.jpg
ntfs_text /draft.txt 6000
# Deleted through the mount: the records are marked free, the data stay until written over.
for name in /draft.txt /Reports/minutes.txt /Archive/ledger-2022.csv; do
  rm "$mnt$name"
  awk -F'\t' -v p="$name" 'BEGIN { OFS = "\t" } $1 == p { $4 = 1 } 1' "$manifest" >"$work/m" && mv "$work/m" "$manifest"
done
umount "$mnt"
dd if="$work/ntfs.img" of="$disk" bs=512 seek=$start conv=notrunc status=none
