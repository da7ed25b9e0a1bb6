#!/usr/bin/env bash
# Makes an NTFS image holding one LZNT1-compressed file, with its manifest and the file's run list as ntfsinfo
# reads it from the file record:
#   make-ntfs-compressed.sh OUTDIR SOURCE
# Writes OUTDIR/ntfs.img, ntfs.img.manifest (path, size, sha256, deleted) and ntfs.img.runs ("LCN LENGTH" lines in
# decimal, LCN -1 for a hole).
# A missing tool fails it (exit 1); exits 77 when the machine cannot mount through FUSE (not root, no /dev/fuse,
# mounts refused).
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"

out=${1:?usage: make-ntfs-compressed.sh OUTDIR SOURCE}
source=${2:?usage: make-ntfs-compressed.sh OUTDIR SOURCE}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/fixtures/cleanup-on-exit.sh"
for tool in mkntfs ntfs-3g ntfsinfo setfattr sha256sum truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "mounting through ntfs-3g needs root" >&2; exit 77; }
[ -e /dev/fuse ] || { echo "no /dev/fuse" >&2; exit 77; }

image=$out/ntfs.img
mount=$out/mnt
mkdir -p "$mount"
unmount_at_exit "$mount"
rm -f "$image"
truncate -s 16M "$image"
mkntfs -F -Q -q -c 4096 -L CMPVOL "$image" >/dev/null 2>&1
# A refusal from the FUSE layer (a container without the right to mount) is the machine's; any other error is a
# failure of this script.
if ! mounted=$(ntfs-3g "$image" "$mount" 2>&1); then
  echo "$mounted" >&2
  grep -qi 'fuse' <<<"$mounted" && { echo "FUSE mounts are refused here" >&2; exit 77; }
  exit 1
fi
mkdir "$mount/Compressed"
setfattr -n system.ntfs_attrib_be -v 0x00000800 "$mount/Compressed"
cp "$source" "$mount/Compressed/file.bin"
umount "$mount"

size=$(stat -c %s "$source")
printf '/Compressed/file.bin\t%s\t%s\t0\n' "$size" "$(sha256sum <"$source" | cut -d' ' -f1)" >"$image.manifest"
ntfsinfo -F /Compressed/file.bin -v "$image" 2>/dev/null |
  awk '/Runlist:/ { on = 1; next } on && NF == 3 && $1 ~ /^0x/ { print $2, $3; next } on { on = 0 }' |
  while read -r lcn length; do
    [ "$lcn" = "<HOLE>" ] && lcn=-1 || lcn=$((lcn))
    echo "$lcn $((length))"
  done >"$image.runs"
