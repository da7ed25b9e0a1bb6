#!/usr/bin/env bash
# Makes an NTFS volume in which a deleted file's MFT record was given to a newer file: /victim.bin is written
# and deleted, then /reuser.txt takes its record. The volume as it was before the deletion is kept beside it
# (ntfs-logfile-before.img), so the tests can log the victim's record as it was. With a manifest
# (ntfs-logfile.img.manifest, lines: path<TAB>size<TAB>sha256<TAB>deleted (0/1)<TAB>MFT number):
#   make-ntfs-logfile-image.sh OUTDIR
# Needs /dev/fuse (exits 77 without it).
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-ntfs-logfile-image.sh OUTDIR}
for tool in mkntfs ntfs-3g ntfsinfo python3 sha256sum truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -c /dev/fuse ] || { echo "no /dev/fuse: ntfs-3g cannot write the files" >&2; exit 77; }
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mnt=$work/mnt
mkdir -p "$mnt" "$work/host"
unmount_at_exit "$mnt"

python3 - "$work/host" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(34)
open(os.path.join(root, "victim.bin"), "wb").write(bytes(rng.getrandbits(8) for _ in range(40000)))
open(os.path.join(root, "keep.txt"), "wb").write(b"".join(b"kept line %05d\n" % i for i in range(600)))
open(os.path.join(root, "reuser.txt"), "wb").write(b"a newer file in an old record\n")
PY

image=$out/ntfs-logfile.img
before=$out/ntfs-logfile-before.img
manifest=$image.manifest
rm -f "$image" "$before"
truncate -s 16M "$image"
mkntfs -F -Q -q -c 4096 -L LOGGED "$image" >/dev/null 2>&1
# awk reads to the end: leaving early would kill ntfsinfo with SIGPIPE, which pipefail makes a failure.
inode_of() { ntfsinfo -F "$1" "$image" 2>/dev/null | awk '/^Dumping Inode/ && !found { print $3; found = 1 }'; }

# The victim first, so its record is the first a later file is given.
ntfs-3g "$image" "$mnt"
cp "$work/host/victim.bin" "$mnt/victim.bin"
cp "$work/host/keep.txt" "$mnt/keep.txt"
umount "$mnt"
victim=$(inode_of /victim.bin)
[ -n "$victim" ] || { echo "no inode for /victim.bin" >&2; exit 1; }
cp "$image" "$before"

ntfs-3g "$image" "$mnt"
rm "$mnt/victim.bin"
umount "$mnt"
ntfs-3g "$image" "$mnt"
cp "$work/host/reuser.txt" "$mnt/reuser.txt"
umount "$mnt"
reuser=$(inode_of /reuser.txt)
[ "$reuser" = "$victim" ] || { echo "record $victim not reused (reuser.txt got $reuser)" >&2; exit 1; }
keep=$(inode_of /keep.txt)

{
  echo "# image=ntfs-logfile.img"
  echo "# before=ntfs-logfile-before.img"
  for entry in "victim.bin 1 $victim" "keep.txt 0 $keep" "reuser.txt 0 $reuser"; do
    read -r f deleted inode <<<"$entry"
    printf '%s\t%s\t%s\t%s\t%s\n' "/$f" "$(stat -c %s "$work/host/$f")" \
      "$(sha256sum <"$work/host/$f" | cut -d' ' -f1)" "$deleted" "$inode"
  done
} >"$manifest"
