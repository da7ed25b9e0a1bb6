#!/usr/bin/env bash
# Makes an NTFS volume whose folder /packed is compressed (ntfs-3g, mounted with compression): a text that packs
# well, random bytes that do not (stored units), a file of zeros around text (units with nothing stored), and a
# compressed file deleted after it was written. With a manifest (ntfs-compressed.img.manifest, lines:
# path<TAB>size<TAB>sha256<TAB>deleted (0/1)<TAB>MFT number):
#   make-ntfs-compressed-image.sh OUTDIR
# A missing tool fails it; exits 77 without /dev/fuse.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-ntfs-compressed-image.sh OUTDIR}
for tool in mkntfs ntfs-3g ntfsinfo setfattr python3 sha256sum truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -c /dev/fuse ] || { echo "no /dev/fuse: ntfs-3g cannot write the files" >&2; exit 77; }
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mnt=$work/mnt
mkdir -p "$mnt" "$work/host/packed"
unmount_at_exit "$mnt"

python3 - "$work/host/packed" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(7)
words = [b"alpha", b"beta", b"gamma", b"delta", b"epsilon"]
open(os.path.join(root, "words.txt"), "wb").write(b" ".join(rng.choice(words) for _ in range(60000)))
open(os.path.join(root, "random.bin"), "wb").write(bytes(rng.getrandbits(8) for _ in range(70000)))
open(os.path.join(root, "holes.bin"), "wb").write(bytes(200000) + b"middle of nothing\n" * 300 + bytes(150000))
open(os.path.join(root, "gone.txt"), "wb").write(b"".join(b"line %06d of a deleted file\n" % i for i in range(5000)))
PY

image=$out/ntfs-compressed.img
manifest=$image.manifest
rm -f "$image"
truncate -s 24M "$image"
mkntfs -F -Q -q -c 4096 -L PACKED "$image" >/dev/null 2>&1
ntfs-3g -o compression "$image" "$mnt"
mkdir "$mnt/packed"
setfattr -h -v 0x00000800 -n system.ntfs_attrib_be "$mnt/packed"
for f in words.txt random.bin holes.bin gone.txt; do cp "$work/host/packed/$f" "$mnt/packed/$f"; done
umount "$mnt"
# awk reads to the end: leaving early would kill ntfsinfo with SIGPIPE, which pipefail makes a failure.
inode_of() { ntfsinfo -F "$1" "$image" 2>/dev/null | awk '/^Dumping Inode/ && !found { print $3; found = 1 }'; }
declare -A inode
for f in words.txt random.bin holes.bin gone.txt; do
  inode[$f]=$(inode_of "/packed/$f")
  [ -n "${inode[$f]}" ] || { echo "no inode for /packed/$f" >&2; exit 1; }
done
ntfs-3g -o compression "$image" "$mnt"
rm "$mnt/packed/gone.txt"
umount "$mnt"
{
  echo "# image=ntfs-compressed.img"
  for f in words.txt random.bin holes.bin gone.txt; do
    deleted=0
    [ "$f" = gone.txt ] && deleted=1
    printf '%s\t%s\t%s\t%s\t%s\n' "/packed/$f" "$(stat -c %s "$work/host/packed/$f")" \
      "$(sha256sum <"$work/host/packed/$f" | cut -d' ' -f1)" "$deleted" "${inode[$f]}"
  done
} >"$manifest"
