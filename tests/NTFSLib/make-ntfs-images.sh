#!/usr/bin/env bash
# Makes the NTFS volume images for the structure tests, each with a manifest (IMAGE.manifest) and a listing
# (IMAGE.ls, from ntfsls), and the volume's $AttrDef and $UpCase as ntfscat reads them (IMAGE.attrdef,
# IMAGE.upcase):
#   make-ntfs-images.sh OUTDIR
# Manifest lines: "# key=value" facts (label, sector-size, cluster-size, record-size, fuse, names of the
# hard-linked file, named streams of the streams file), then one line per
# file: path<TAB>size<TAB>sha256<TAB>deleted (0/1)<TAB>MFT number.
# Files written through ntfs-3g need /dev/fuse: without it only the files ntfscp can write are made, and the
# fact fuse=0 says so. A missing tool fails it.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-ntfs-images.sh OUTDIR}
for tool in mkntfs ntfscp ntfsls ntfsinfo ntfscat ntfs-3g setfattr sha256sum truncate dd; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mnt=$work/mnt
mkdir -p "$mnt"
unmount_at_exit "$mnt"

content() { { yes "$1" || true; } | head -c "$2"; }

fuse_works() {
  [ -c /dev/fuse ] || return 1
  ntfs-3g -o streams_interface=xattr "$image" "$mnt" 2>/dev/null || return 1
  umount "$mnt"
}

# Every file is made on the host first (under $work/host) and copied in, so the manifest hashes what was written.
host() {
  mkdir -p "$(dirname "$work/host/$1")"
  content "$1" "$2" >"$work/host/$1"
}

# put PATH SIZE: through ntfscp (no mount).
put_ntfscp() {
  host "$1" "$2"
  ntfscp -q -f "$image" "$work/host/$1" "$1"
}

# The mounted volume's files: streams and hard links (attribute lists), a fragmented file, a sparse file,
# folders and a deleted file.
fill_mounted() {
  local records=$1 i
  ntfs-3g -o streams_interface=xattr "$image" "$mnt"
  host streams.bin 300
  cp "$work/host/streams.bin" "$mnt/streams.bin"
  for i in $(seq 1 $((records / 40))); do setfattr -n "user.stream-$i" -v "$(content "s$i" 180)" "$mnt/streams.bin"; done
  host links.txt 700
  cp "$work/host/links.txt" "$mnt/links.txt"
  mkdir -p "$mnt/docs/deep"
  for i in $(seq 1 $((records / 30))); do
    ln "$mnt/links.txt" "$mnt/docs/a-rather-long-name-for-hard-link-number-$i.txt"
  done
  truncate -s 6M "$work/host/sparse.bin" "$mnt/sparse.bin"
  content middle 5000 >"$work/middle"
  dd if="$work/middle" of="$work/host/sparse.bin" bs=4096 seek=300 conv=notrunc status=none
  dd if="$work/middle" of="$mnt/sparse.bin" bs=4096 seek=300 conv=notrunc status=none
  host victim.bin 20000
  cp "$work/host/victim.bin" "$mnt/victim.bin"
  # Fill the volume, free every other small file, and write into the holes: a heavily fragmented file.
  mkdir -p "$mnt/fill"
  local free
  free=$(df -k --output=avail "$mnt" | tail -n1)
  dd if=/dev/zero of="$mnt/fill/bulk" bs=1K count=$((free - 4096)) status=none
  for i in $(seq 1 400); do content "fill$i" 16384 >"$mnt/fill/f$i" 2>/dev/null || break; done
  for i in $(seq 1 2 400); do rm -f "$mnt/fill/f$i"; done
  host docs/deep/fragmented.bin 300000
  cp "$work/host/docs/deep/fragmented.bin" "$mnt/docs/deep/fragmented.bin"
  rm "$mnt/fill/bulk"
  umount "$mnt"
  victim_inode=$(inode_of /victim.bin)
  ntfs-3g -o streams_interface=xattr "$image" "$mnt"
  rm "$mnt/victim.bin"
  umount "$mnt"
}

# awk reads to the end: leaving early would kill ntfsinfo with SIGPIPE, which pipefail makes a failure.
inode_of() { ntfsinfo -F "$1" "$image" 2>/dev/null | awk '/^Dumping Inode/ && !found { print $3; found = 1 }'; }

# manifest_file PATH DELETED [INODE]: size and hash of the host copy.
manifest_file() {
  local inode=${3:-$(inode_of "$1")}
  [ -n "$inode" ] || { echo "no inode for $1" >&2; exit 1; }
  printf '%s\t%s\t%s\t%s\t%s\n' "$1" "$(stat -c %s "$work/host$1")" "$(sha256sum <"$work/host$1" | cut -d' ' -f1)" \
    "$2" "$inode" >>"$manifest"
}

make_image() {
  local name=$1 sector=$2 cluster=$3 label=$4 fuse=0
  image=$out/$name
  rm -rf "$work/host"
  manifest=$image.manifest
  rm -f "$image"
  truncate -s 24M "$image"
  mkntfs -F -Q -q -s "$sector" -c "$cluster" -L "$label" "$image" >/dev/null 2>&1
  local records
  records=$(ntfsinfo -m "$image" 2>/dev/null | awk '/MFT Record Size:/ { print $NF }')
  put_ntfscp tiny.txt 40
  put_ntfscp small.txt 600
  put_ntfscp big.bin 150000
  if fuse_works; then
    fuse=1
    fill_mounted "$records"
  fi
  {
    echo "# image=$name"
    echo "# label=$label"
    echo "# sector-size=$sector"
    echo "# cluster-size=$cluster"
    echo "# record-size=$records"
    echo "# fuse=$fuse"
    echo "# links=$((records / 30 + 1))"
    echo "# streams=$((records / 40))"
  } >"$manifest"
  local f
  for f in tiny.txt small.txt big.bin; do manifest_file "/$f" 0; done
  if [ "$fuse" = 1 ]; then
    for f in streams.bin links.txt docs/deep/fragmented.bin sparse.bin; do manifest_file "/$f" 0; done
    manifest_file /victim.bin 1 "$victim_inode"
  fi
  ntfsls -a -s -i -R "$image" >"$image.ls" 2>/dev/null
  ntfscat "$image" '$AttrDef' >"$image.attrdef"
  ntfscat "$image" '$UpCase' >"$image.upcase"
}

make_image ntfs-512.img 512 1024 NT512
make_image ntfs-4k.img 4096 4096 NT4KN
