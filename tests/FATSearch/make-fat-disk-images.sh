#!/usr/bin/env bash
# Makes whole-disk images with FAT partitions (sfdisk + mkfs.fat --offset + mtools) and then damages them the
# way lost partitions look, each with a manifest beside it (IMAGE.manifest):
#   make-fat-disk-images.sh OUTDIR
# Manifest lines: "# key=value" facts, then one line per file:
#   partition start sector<TAB>path<TAB>size<TAB>sha256<TAB>state (0 live, 1 deleted, 2 left from a
#   former format)
# Deleted files keep their data in place (mtools only marks the entries), so their bytes can be checked too.
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-fat-disk-images.sh OUTDIR}
for tool in sfdisk mkfs.fat mcopy mmd mmove mdel sha256sum dd truncate seq; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Contents that differ from file to file and from line to line, so a misplaced cluster shows.
content() { { seq -f "$1 %09g" 1 $(($2 / 10 + 1)) || true; } | head -c "$2"; }

# disk IMAGE SIZE LAYOUT: a fresh sparse image with an MBR partition table (sfdisk script lines).
disk() {
  image=$out/$1
  manifest=$image.manifest
  rm -f "$image"
  truncate -s "$2" "$image"
  printf 'label: dos\n%b' "$3" | sfdisk -q "$image" >/dev/null
  : >"$manifest"
}

# format START SECTORS MKFS-ARGS...: a FAT volume in the partition at START; mtools then works on it.
format() {
  start=$1
  local sectors=$2
  shift 2
  mkfs.fat --invariant -i 1234ABCD --offset="$start" "$@" "$image" $((sectors / 2)) >/dev/null
  volume="$image@@$((start * 512))"
}

folder() { mmd -i "$volume" "::$1"; }

# put PATH SIZE: a file with its manifest line.
put() {
  local host=$work/file
  content "$start$1" "$2" >"$host"
  mcopy -i "$volume" "$host" "::$1"
  printf '%s\t%s\t%s\t%s\t0\n' "$start" "$1" "$2" "$(sha256sum <"$host" | cut -d' ' -f1)" >>"$manifest"
}

# remove PATH: deletes the file and marks it deleted in the manifest.
remove() {
  mdel -i "$volume" "::$1"
  awk -F'\t' -v s="$start" -v p="$1" 'BEGIN { OFS = "\t" } $1 == s && $2 == p { $5 = 1 } 1' "$manifest" \
    >"$work/manifest" && mv "$work/manifest" "$manifest"
}

fact() { echo "# $1" >>"$manifest"; }
zero_sectors() { dd if=/dev/zero of="$image" bs=512 seek="$1" count="$2" conv=notrunc status=none; }
le() { od -An -tu"$2" -j $(($1 * 512 + $3)) -N "$2" "$image" | tr -d ' '; }

# Two partitions, FAT32 then FAT16, whose partition table is then zeroed.
disk mbr-zeroed.img 48M '2048,73728,c\n75776,,6\n'
format 2048 73728 -F 32 -s 1 -n FIRST
folder /docs
folder /docs/deep
put "/docs/report of march.txt" 10000
put "/docs/deep/nested data.bin" 70000
put /PHOTO.JPG 3000
put "/docs/old draft.txt" 2000
remove "/docs/old draft.txt"
format 75776 22528 -F 16 -s 2 -n SECOND
folder /music
put "/music/a song.mp3" 50000
put "/readme second.txt" 800
put "/music/gone tune.mp3" 4000
remove "/music/gone tune.mp3"
zero_sectors 0 1

# FAT32 whose boot sector and the first sector of its second FAT are gone: found from its backup boot sector
# at start + 6 with one FAT.
disk fat32-backup.img 40M '2048,,c\n'
format 2048 79872 -F 32 -s 1 -n BACKUP
folder /kept
put "/kept/still here.txt" 6000
put /ROOT.TXT 1500
fact "second-fat=$((2048 + $(le 2048 2 14) + $(le 2048 4 36)))"
zero_sectors "$((2048 + $(le 2048 2 14) + $(le 2048 4 36)))" 1
zero_sectors 2048 1

# FAT16 at the disk's end whose boot sector is gone: inferred from its sub-folders, its root from the sectors
# before the data area.
disk fat16-noboot.img 24M '2048,,6\n'
format 2048 47104 -F 16 -s 4 -n NOBOOT
folder /docs
folder /pics
folder /docs/sub
put "/docs/letter one.txt" 9000
put "/pics/holiday.bmp" 30000
put "/docs/sub/deepest file.txt" 5000
put "/top level.txt" 2500
put "/docs/erased note.txt" 3000
remove "/docs/erased note.txt"
fact "origin=$((2048 + $(le 2048 2 14) + 2 * $(le 2048 2 22) + $(le 2048 2 17) * 32 / 512))"
zero_sectors 2048 1

# FAT16 with files in its root only and both FATs' first sectors zeroed: nothing confirms the boot sector.
disk fat16-unconfirmed.img 16M '2048,,6\n'
format 2048 30720 -F 16 -s 2 -n ALONE
put /ONLY.TXT 3000
zero_sectors "$((2048 + $(le 2048 2 14)))" 1
zero_sectors "$((2048 + $(le 2048 2 14) + $(le 2048 2 22)))" 1

# FAT32 formatted again over old folders: the old folders' clusters survive, their root entries do not. The
# new file takes cluster 3, which only the old root file used; /parent/child lies in a cluster below its
# parent's; /big needs three 512-byte clusters of entries, which the new FAT no longer chains. Old files are
# marked 2 in the manifest.
disk fat32-reformatted.img 40M '2048,,c\n'
format 2048 79872 -F 32 -s 1 -n OLDVOL
put /OLDROOT.TXT 1536
folder /child
folder /parent
mmove -i "$volume" ::/child ::/parent/child
put "/parent/child/kid file.txt" 900
folder /old
folder /old/inner
put "/old/first old file.txt" 4000
put "/old/inner/inner old file.txt" 2500
folder /big
for i in $(seq -w 1 40); do put "/big/F$i.TXT" 700; done
awk -F'\t' 'BEGIN { OFS = "\t" } { $5 = 2 } 1' "$manifest" >"$work/manifest" && mv "$work/manifest" "$manifest"
format 2048 79872 -F 32 -s 1 -n NEWVOL
put "/new file.txt" 300
