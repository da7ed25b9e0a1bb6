#!/usr/bin/env bash
# FAT volumes whose geometry the scans must take from the boot sector: images cut short (a partial dump of a
# failing card) and volumes of 4096-byte sectors. Each with a manifest beside it (IMAGE.manifest):
#   make-fat-geometry-images.sh OUTDIR
# Manifest lines: path<TAB>size<TAB>sha256<TAB>whole|cut ("cut" when the file's clusters reach past the
# image's end, so only part of it survives). Exits 77 when a tool is missing.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-fat-geometry-images.sh OUTDIR}
for tool in mkfs.fat mcopy mmd mshowfat sha256sum truncate seq od; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

content() { { seq -f "$1 %09g" 1 $(($2 / 10 + 1)) || true; } | head -c "$2"; }

# volume IMAGE BYTES MKFS-ARGS...: a fresh FAT volume filling the image.
volume() {
  image=$out/$1
  local bytes=$2
  shift 2
  rm -f "$image" "$image.manifest"
  truncate -s "$bytes" "$image"
  mkfs.fat --invariant -i 1234ABCD "$@" "$image" >/dev/null
  : >"$image.manifest"
}

# put PATH SIZE: a file of distinct lines.
put() {
  content "$1" "$2" >"$work/file"
  mcopy -i "$image" "$work/file" "::$1"
  printf '%s\t%s\t%s\n' "$1" "$2" "$(sha256sum <"$work/file" | cut -d' ' -f1)" >>"$work/files"
}

field() { od -An -t u"$3" -j "$2" -N "$3" "$1" | tr -d ' '; }

# cut BYTES: truncates the image and marks each file whole or cut, from its clusters as mshowfat lists them.
finish() {
  local keep=${1:-0}
  local sector cluster reserved fats perfat rootents data
  sector=$(field "$image" 11 2)
  cluster=$(($(field "$image" 13 1) * sector))
  reserved=$(field "$image" 14 2)
  fats=$(field "$image" 16 1)
  rootents=$(field "$image" 17 2)
  perfat=$(field "$image" 22 2)
  [ "$perfat" -eq 0 ] && perfat=$(field "$image" 36 4)
  data=$(((reserved + fats * perfat) * sector + rootents * 32))
  while IFS=$'\t' read -r path size sha; do
    local last state=whole
    last=$(mshowfat -i "$image" "::$path" | grep -o '[0-9]*>' | tr -d '>' | sort -n | tail -1)
    if [ "$keep" -gt 0 ] && [ $((data + (last - 1) * cluster)) -gt "$keep" ]; then state=cut; fi
    printf '%s\t%s\t%s\t%s\n' "$path" "$size" "$sha" "$state" >>"$image.manifest"
  done <"$work/files"
  rm -f "$work/files"
  if [ "$keep" -gt 0 ]; then truncate -s "$keep" "$image"; fi
}

# A 16 MiB FAT16 card of which the first 8 MiB were dumped.
volume fat16-cut.img 16M -F 16 -n CUT16
mmd -i "$image" ::/docs
put /a.txt 3000
put /docs/b.txt 20000
put /c.bin 60000
put /big.bin 10000000
finish $((8 * 1024 * 1024))

# A 40 MiB FAT32 card of which the first 1 MiB was dumped: the tables and the first files survive.
volume fat32-cut.img 40M -F 32 -s 1 -n CUT32
mmd -i "$image" ::/dir
put /a.txt 3000
put /dir/b.txt 20000
put /c.bin 100000
put /big.bin 2000000
finish $((1024 * 1024))

# Volumes of 4096-byte sectors, as on a 4Kn drive.
volume fat16-4k.img 40M -S 4096 -s 1 -F 16 -n SECT4K16
mmd -i "$image" ::/docs
put /a.txt 3000
put /docs/b.txt 70000
put /c.bin 300000
finish

volume fat32-4k.img 300M -S 4096 -s 1 -F 32 -n SECT4K32
mmd -i "$image" ::/dir
put /a.txt 5000
put /dir/b.txt 90000
finish
