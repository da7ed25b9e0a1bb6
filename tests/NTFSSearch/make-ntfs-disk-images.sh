#!/usr/bin/env bash
# Makes whole-disk images with two NTFS partitions for the complete scan, each with a manifest:
#   make-ntfs-disk-images.sh OUTDIR
# disk.img: an MBR (sfdisk) with two populated volumes written through ntfs-3g; in the first, /p1many's index
# lies in INDX records, the record of /p1top was wiped (its folder p1sub is orphaned) and /p1loopa names its
# own child /p1loopa/p1loopb as parent.
# wiped.img: the same with the first volume's boot sector zeroed (its backup at the volume's end survives).
# reformatted.img: the same with both volumes formatted again (mkntfs -Q) over their files.
# Manifest lines (IMAGE.manifest): "# key=value" facts, then path<TAB>size<TAB>sha256<TAB>deleted (0/1)<TAB>
# partition (1/2) for the files as written. Exits 77 when /dev/fuse cannot be used.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-ntfs-disk-images.sh OUTDIR}
for tool in mkntfs ntfs-3g ntfsinfo sfdisk python3 sha256sum truncate dd; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/fixtures/cleanup-on-exit.sh"
scratch_folder work
mnt=$work/mnt
mkdir -p "$mnt"
unmount_at_exit "$mnt"

[ -c /dev/fuse ] || { echo "no /dev/fuse" >&2; exit 77; }
content() { { yes "$1" || true; } | head -c "$2"; }
sectors=65536  # 32 MiB a volume
p1_start=2048
p2_start=$((p1_start + sectors))
manifest_rows=$work/rows

format() { truncate -s $((sectors * 512)) "$1"; mkntfs -F -Q -q -c 4096 -L "$2" "$1" >/dev/null 2>&1; }

# put VOLUME PART PATH SIZE [deleted]: written through the mounted volume, listed in the manifest.
put() {
  local part=$1 path=$2 size=$3 deleted=${4:-0}
  mkdir -p "$(dirname "$work/host/$path")" "$(dirname "$mnt/$path")"
  content "$path" "$size" >"$work/host/$path"
  cp "$work/host/$path" "$mnt/$path"
  printf '%s\t%s\t%s\t%s\t%s\n' "/$path" "$size" "$(sha256sum <"$work/host/$path" | cut -d' ' -f1)" "$deleted" \
    "$part" >>"$manifest_rows"
}

# awk reads to the end: leaving early would kill ntfsinfo with SIGPIPE, which pipefail makes a failure.
inode_of() { ntfsinfo -F "$2" "$1" 2>/dev/null | awk '/^Dumping Inode/ && !found { print $3; found = 1 }'; }

format "$work/p1.img" P1
if ! ntfs-3g "$work/p1.img" "$mnt" 2>/dev/null; then echo "ntfs-3g cannot mount through /dev/fuse" >&2; exit 77; fi
put 1 p1-tiny.txt 40
put 1 p1-big.bin 150000
put 1 p1docs/p1-a.txt 3000
put 1 p1docs/deep/p1-b.bin 70000
put 1 p1top/p1sub/p1-orphan.txt 5000
put 1 p1loopa/p1loopb/p1-inloop.txt 1000
for i in $(seq 1 40); do put 1 "p1many/a-rather-long-file-name-to-fill-the-index-$i.txt" $((100 + i)); done
put 1 p1-victim.bin 20000 1
put 1 p1docs/p1-gone.txt 9000 1
umount "$mnt"
ntfs-3g "$work/p1.img" "$mnt"
rm "$mnt/p1-victim.bin" "$mnt/p1docs/p1-gone.txt"
umount "$mnt"
top=$(inode_of "$work/p1.img" /p1top)
loopa=$(inode_of "$work/p1.img" /p1loopa)
loopb=$(inode_of "$work/p1.img" /p1loopa/p1loopb)
[ -n "$top" ] && [ -n "$loopa" ] && [ -n "$loopb" ] || { echo "no inodes for the folders to edit" >&2; exit 1; }
# Wipes /p1top's record and makes /p1loopa's file names name p1loopb as their parent.
python3 - "$work/p1.img" "$top" "$loopa" "$loopb" <<'PY'
import struct, sys
path, top, loopa, loopb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
with open(path, 'r+b') as f:
    boot = f.read(512)
    bps, spc = struct.unpack_from('<HB', boot, 11)
    mft = struct.unpack_from('<q', boot, 0x30)[0] * bps * spc
    def record(n):
        f.seek(mft + n * 1024)
        return bytearray(f.read(1024))
    def write(n, data):
        f.seek(mft + n * 1024)
        f.write(data)
    write(top, bytes(1024))
    rec = record(loopa)
    at = struct.unpack_from('<H', rec, 0x14)[0]
    while at + 8 <= 1024:
        kind, length = struct.unpack_from('<II', rec, at)
        if kind == 0xFFFFFFFF or length == 0:
            break
        if kind == 0x30:
            content = at + struct.unpack_from('<H', rec, at + 0x14)[0]
            seq = struct.unpack_from('<Q', rec, content)[0] >> 48
            struct.pack_into('<Q', rec, content, loopb | (seq << 48))
        at += length
    write(loopa, rec)
PY

format "$work/p2.img" P2
ntfs-3g "$work/p2.img" "$mnt"
put 2 p2-file.bin 90000
put 2 p2dir/p2-c.txt 2500
put 2 p2-victim.txt 12000 1
umount "$mnt"
ntfs-3g "$work/p2.img" "$mnt"
rm "$mnt/p2-victim.txt"
umount "$mnt"

assemble() {
  local image=$1 p1=$2 p2=${3:-$work/p2.img}
  rm -f "$image"
  truncate -s $(((p2_start + sectors + 2048) * 512)) "$image"
  printf 'label: dos\n%s,%s,7\n%s,%s,7\n' "$p1_start" "$sectors" "$p2_start" "$sectors" | sfdisk -q "$image" >/dev/null
  dd if="$p1" of="$image" bs=512 seek="$p1_start" conv=notrunc status=none
  dd if="$p2" of="$image" bs=512 seek="$p2_start" conv=notrunc status=none
  {
    echo "# p1-start=$p1_start"
    echo "# p2-start=$p2_start"
    echo "# sectors=$sectors"
    echo "# sectors-per-cluster=8"
    echo "# wiped-top=$top"
    cat "$manifest_rows"
  } >"$image.manifest"
}

assemble "$out/disk.img" "$work/p1.img"
cp "$work/p1.img" "$work/p1-wiped.img"
dd if=/dev/zero of="$work/p1-wiped.img" bs=512 count=1 conv=notrunc status=none
assemble "$out/wiped.img" "$work/p1-wiped.img"
mkntfs -F -Q -q -c 4096 -L P1NEW "$work/p1.img" >/dev/null 2>&1
mkntfs -F -Q -q -c 4096 -L P2NEW "$work/p2.img" >/dev/null 2>&1
assemble "$out/reformatted.img" "$work/p1.img" "$work/p2.img"
