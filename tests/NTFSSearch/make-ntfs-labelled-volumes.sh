#!/usr/bin/env bash
# Makes small NTFS volumes with labels set by mkntfs and by ntfslabel, and a disk holding one of them beside a
# labelled FAT volume, with a manifest beside them (OUTDIR/labels.manifest):
#   make-ntfs-labelled-volumes.sh OUTDIR
#   office.img      mkntfs -L OFFICE, 512-byte sectors
#   buero.img       mkntfs -L "Büro Ärchiv", 4 KiB sectors
#   relabelled.img  mkntfs -L OLD, then ntfslabel to a name with a character beyond the 16-bit range
#   longest.img     ntfslabel to 128 two-byte characters, the longest name a volume holds
#   unlabelled.img  mkntfs without a label
#   disk.img        MBR: partition 1 (sector 2048) a copy of office.img, partition 2 a FAT16 volume labelled PHOTOS
# Manifest lines: image<TAB>label as ntfslabel reads it<TAB>size<TAB>sha256 (the disk's line: its NTFS volume's
# label); "# key=value" facts give the disk's partition starts and its FAT volume's label as fatlabel reads it.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-ntfs-labelled-volumes.sh OUTDIR}
for tool in mkntfs ntfslabel mkfs.fat fatlabel sfdisk dd sha256sum truncate python3; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
manifest=$out/labels.manifest
: >"$manifest"

# volume NAME SECTOR-SIZE [LABEL]: an 8 MiB volume, labelled by mkntfs when LABEL is given.
volume() {
  local image=$out/$1
  rm -f "$image"
  truncate -s 8M "$image"
  if [ $# -ge 3 ]; then
    mkntfs -F -Q -q -s "$2" -c 4096 -L "$3" "$image" >/dev/null 2>&1
  else
    mkntfs -F -Q -q -s "$2" -c 4096 "$image" >/dev/null 2>&1
  fi
}

# row IMAGE LABEL: the manifest line of an image.
row() {
  printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$(stat -c %s "$out/$1")" "$(sha256sum <"$out/$1" | cut -d' ' -f1)" >>"$manifest"
}

ntfs_row() { row "$1" "$(ntfslabel "$out/$1" 2>/dev/null)"; }

volume office.img 512 OFFICE
ntfs_row office.img
volume buero.img 4096 'Büro Ärchiv'
ntfs_row buero.img
volume relabelled.img 512 OLD
ntfslabel "$out/relabelled.img" '📁 Akten 日本' >/dev/null 2>&1
ntfs_row relabelled.img
volume longest.img 512 SHORT
ntfslabel "$out/longest.img" "$(python3 -c "print('ä' * 128)")" >/dev/null 2>&1
ntfs_row longest.img
volume unlabelled.img 512
ntfs_row unlabelled.img

# The disk: 1 MiB before the first partition, the NTFS volume's 16384 sectors, then a FAT volume of 16384 sectors.
disk=$out/disk.img
rm -f "$disk"
truncate -s $(((2048 + 16384 + 16384) * 512)) "$disk"
printf 'label: dos\n2048,16384,7\n18432,16384,6\n' | sfdisk -q "$disk" >/dev/null
dd if="$out/office.img" of="$disk" bs=512 seek=2048 conv=notrunc status=none
truncate -s $((16384 * 512)) "$work/fat.img"
mkfs.fat -F 16 -s 2 -n PHOTOS "$work/fat.img" >/dev/null
dd if="$work/fat.img" of="$disk" bs=512 seek=18432 conv=notrunc status=none
{
  echo "# ntfs-start=2048"
  echo "# fat-start=18432"
  echo "# fat-label=$(fatlabel "$work/fat.img" 2>/dev/null)"
} >>"$manifest"
row disk.img "$(ntfslabel "$out/office.img" 2>/dev/null)"
