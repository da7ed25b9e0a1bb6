#!/usr/bin/env bash
# Makes a small volume of one file system for the bad-sector tests, with a manifest beside it (IMAGE.manifest):
#   make-bad-sector-images.sh OUTDIR ntfs|fat16|exfat
# Manifest lines: "# key=value" facts saying where the volume's structures lie, then one line per file:
#   path<TAB>size<TAB>sha256<TAB>first<TAB>last
# where first..last are the sectors holding the file's own metadata (its FILE record, or the sector of its
# directory entries), worked out from ntfsinfo and The Sleuth Kit, not from the scanned code.
# NTFS and FAT need no mount; exFAT is written through the FUSE driver on a loop device and so needs root,
# /dev/fuse and loop devices (exit 77 names the one missing).
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-bad-sector-images.sh OUTDIR ntfs|fat16|exfat}
kind=${2:?usage: make-bad-sector-images.sh OUTDIR ntfs|fat16|exfat}
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mnt=$work/mnt
mkdir -p "$mnt" "$work/host"
unmount_at_exit "$mnt"
need() {
  for tool in "$@"; do command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }; done
}
need sha256sum truncate fls fsstat awk

image=$out/$kind.img
manifest=$image.manifest
rm -f "$image" "$manifest"

# Deterministic contents that differ from file to file, kept under $work/host so the manifest hashes what was
# written: each "NAME SIZE" line of standard input becomes a file of SIZE bytes of "NAME" lines, in one awk run.
hosts() {
  awk -v dir="$work/host" '{
    line = $1 "\n"; text = line
    while (length(text) < $2) text = text text
    printf "%s", substr(text, 1, $2) > (dir "/" $1); close(dir "/" $1)
  }'
}
# row PATH HOST-NAME FIRST LAST: collected, then joined with the sizes and hashes in one pass by manifest_rows.
row() { printf '%s %s %s %s\n' "$2" "$1" "$3" "$4" >>"$work/rows"; }
manifest_rows() {
  (cd "$work/host" && stat -c '%n %s' -- *) >"$work/sizes"
  (cd "$work/host" && sha256sum -- *) >"$work/hashes"
  awk 'FILENAME == ARGV[1] { size[$1] = $2; next }
       FILENAME == ARGV[2] { hash[$2] = $1; next }
       { printf "%s\t%s\t%s\t%s\t%s\n", $2, size[$1], hash[$1], $3, $4 }' \
    "$work/sizes" "$work/hashes" "$work/rows" >>"$manifest"
}
# entry_sector FIRST ADDRESS: the sector of a FAT or exFAT directory entry from The Sleuth Kit's address for it:
# entries are numbered in sector order from 3 on, 16 to a 512-byte sector, from sector FIRST (FAT16's root
# folder, exFAT's cluster heap).
entry_sector() { echo $(( $1 + ($2 - 3) / 16 )); }

case $kind in
  ntfs)
    need mkntfs ntfscp ntfsinfo
    truncate -s 8M "$image"
    mkntfs -F -Q -q -s 512 -c 4096 -L BADNTFS "$image" >/dev/null 2>&1
    for i in $(seq -w 1 24); do echo "f$i.txt $((10#$i * 700))"; done | hosts
    for i in $(seq -w 1 24); do ntfscp -q -f "$image" "$work/host/f$i.txt" "f$i.txt"; done
    info=$(ntfsinfo -m "$image")
    cluster=$(awk '/Cluster Size:/ { print $NF }' <<<"$info")
    record=$(awk '/MFT Record Size:/ { print $NF }' <<<"$info")
    mft=$(( $(awk '/LCN of Data Attribute for FILE_MFT:/ { print $NF }' <<<"$info") * cluster / 512 ))
    mirror=$(( $(awk '/LCN of Data Attribute for File_MFTMirr:/ { print $NF }' <<<"$info") * cluster / 512 ))
    {
      echo "# mft-sector=$mft"
      echo "# mirror-sector=$mirror"
      echo "# record-sectors=$((record / 512))"
    } >>"$manifest"
    for i in $(seq -w 1 24); do
      inode=$(ntfsinfo -F "/f$i.txt" "$image" | awk '/^Dumping Inode/ && !found { print $3; found = 1 }')
      first=$((mft + inode * record / 512))
      row "/f$i.txt" "f$i.txt" "$first" $((first + record / 512 - 1))
    done
    manifest_rows
    ;;
  fat16)
    need mkfs.fat mcopy mmd
    truncate -s 16M "$image"
    mkfs.fat --invariant -i 0BAD5EC7 -F 16 -s 4 -n BADFAT "$image" >/dev/null
    mmd -i "$image" ::/SUB
    # 8.3 names: one entry each, so an entry's sector says which file it holds.
    for i in $(seq -w 1 40); do echo "R$i.TXT $((10#$i * 300))"; echo "S$i.TXT $((10#$i * 200))"; done | hosts
    # mcopy writes the entries in the order of its arguments.
    mcopy -i "$image" "$work"/host/R*.TXT ::/
    mcopy -i "$image" "$work"/host/S*.TXT ::/SUB/
    # One file of 600 clusters: its chain runs through the first three sectors of each FAT.
    echo "BIG.BIN 1228800" | hosts
    mcopy -i "$image" "$work/host/BIG.BIN" ::/BIG.BIN
    layout=$(fsstat "$image")
    root=$(awk '/\*\* Root Directory:/ { print $4 }' <<<"$layout")
    fat0=$(awk '/\* FAT 0:/ { print $4 }' <<<"$layout")
    fat1=$(awk '/\* FAT 1:/ { print $4 }' <<<"$layout")
    sub=$(fls "$image" | awk '$3 == "SUB" { sub(":", "", $2); print $2 }')
    {
      echo "# root-sector=$root"
      echo "# fat0-sector=$fat0"
      echo "# fat1-sector=$fat1"
      echo "# sub-sector=$(istat "$image" "$sub" | awk '/^Sectors:/ { getline; print $1 }')"
    } >>"$manifest"
    while IFS=$'\t' read -r head name; do
      inode=${head##* }
      inode=${inode%:}
      [ "$name" = SUB ] && continue
      case $name in
        SUB/*) row "/$name" "${name#SUB/}" "$(entry_sector "$root" "$inode")" "$(entry_sector "$root" "$inode")" ;;
        *.TXT | *.BIN) row "/$name" "$name" "$(entry_sector "$root" "$inode")" "$(entry_sector "$root" "$inode")" ;;
      esac
    done < <(fls -r -p "$image" | grep -v '^[^	]*\$\|Volume Label' || true)
    manifest_rows
    ;;
  exfat)
    need mkfs.exfat mount.exfat-fuse losetup
    [ "$(id -u)" -eq 0 ] || { echo "needs root (loop devices and FUSE)" >&2; exit 77; }
    [ -c /dev/fuse ] || { echo "needs /dev/fuse" >&2; exit 77; }
    truncate -s 16M "$image"
    attach_loop loop "$image"
    mkfs.exfat -L BADEX -c 4K "$loop" >/dev/null
    mount.exfat-fuse "$loop" "$mnt" >/dev/null 2>&1
    for i in $(seq -w 1 40); do echo "E$i.TXT $((10#$i * 300))"; done | hosts
    # One at a time, in order: each file's entry set follows the one before in the root folder.
    for i in $(seq -w 1 40); do cp "$work/host/E$i.TXT" "$mnt/E$i.TXT"; done
    umount "$mnt"
    detach_loop "$loop"
    # exFAT entries are numbered from the cluster heap's first sector; a file's set is its file, stream and
    # name entries.
    heap=$(fsstat "$image" | awk '/\*\* Cluster Heap:/ { print $4 }')
    echo "# root-sector=$(fsstat "$image" | awk '/\*\*\* Root Directory:/ { print $4 }')" >>"$manifest"
    while IFS=$'\t' read -r head name; do
      inode=${head##* }
      inode=${inode%:}
      row "/$name" "$name" "$(entry_sector "$heap" "$inode")" "$(entry_sector "$heap" $((inode + 2)))"
    done < <(fls -p "$image" | grep 'E[0-9]*\.TXT$' || true)
    manifest_rows
    ;;
  *)
    echo "unknown kind: $kind" >&2
    exit 1
    ;;
esac
