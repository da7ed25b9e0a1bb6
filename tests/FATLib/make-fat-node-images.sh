#!/usr/bin/env bash
# Makes the FAT images for the folder-walk tests, each with a manifest beside it (IMAGE.manifest):
#   make-fat-node-images.sh OUTDIR
# Manifest lines: "# key=value" facts, then one line per file or folder:
#   path<TAB>size<TAB>sha256 (- for folders)<TAB>deleted<TAB>kind (f/d)<TAB>attribute (hex)<TAB>
#   cluster ranges as mshowfat gives them ("50-53 58-61"), taken before any deletion (- when none)<TAB>mtime (Unix seconds, - when
#   not set)
# Times are written as UTC local time (TZ=UTC). Deleted entries keep their data in place.
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 TZ=UTC

out=${1:?usage: make-fat-node-images.sh OUTDIR}
for tool in mkfs.fat mcopy mmd mdel mdeltree mattrib mshowfat sha256sum grep dd truncate touch; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

content() { { yes "$1" || true; } | head -c "$2"; }
# Deterministic times, two seconds apart at least (DOS times count in two-second steps).
stamp=1600000000
next_stamp() { stamp=$((stamp + 7322)); }

new() {
  image=$out/$1
  manifest=$image.manifest
  rm -f "$image"
  truncate -s "$2" "$image"
  shift 2
  mkfs.fat --invariant -i 1234ABCD "$@" "$image" >/dev/null
  echo "# image=$(basename "$image")" >"$manifest"
}

clusters() {
  local chain
  chain=$(mshowfat -i "$image" "::$1" | sed -e 's/^[^<]*//' -e 's/[<>]//g')
  echo "${chain:--}"
}

folder() {
  mmd -i "$image" "::$1"
  printf '%s\t0\t-\t0\td\t10\t%s\t-\n' "$1" "$(clusters "$1")" >>"$manifest"
}

# put PATH SIZE [FIRST-BYTES-HEX]: a file with deterministic contents and time; optional leading bytes.
put() {
  local host=$work/file
  {
    [ -n "${3:-}" ] && printf "$(printf '\\x%s' $3)"
    content "$1" "$2"
  } | head -c "$2" >"$host"
  next_stamp
  touch -d "@$stamp" "$host"
  mcopy -m -i "$image" "$host" "::$1"
  local chain=-
  [ "$2" -gt 0 ] && chain=$(clusters "$1")
  printf '%s\t%s\t%s\t0\tf\t20\t%s\t%s\n' "$1" "$2" "$(sha256sum <"$host" | cut -d' ' -f1)" "$chain" "$stamp" \
    >>"$manifest"
}

# attrib PATH HEX MATTRIB-FLAGS...
attrib() {
  local path=$1 hex=$2
  shift 2
  mattrib -i "$image" "$@" "::$path"
  awk -F'\t' -v p="$path" -v a="$hex" 'BEGIN { OFS = "\t" } !/^#/ && $1 == p { $6 = a } 1' "$manifest" \
    >"$work/manifest" && mv "$work/manifest" "$manifest"
}

mark_deleted() {
  awk -F'\t' -v p="$1" 'BEGIN { OFS = "\t" } !/^#/ && ($1 == p || index($1, p "/") == 1) { $4 = 1 } 1' \
    "$manifest" >"$work/manifest" && mv "$work/manifest" "$manifest"
}
remove() { mdel -i "$image" "::$1"; mark_deleted "$1"; }
remove_tree() { mdeltree -i "$image" "::$1"; mark_deleted "$1"; }

# Byte offset of the first match of a PCRE byte pattern in the image.
find_bytes() { LC_ALL=C grep -obaP "$1" "$image" | head -n1 | cut -d: -f1; }
patch() {
  local offset=$1
  shift
  printf "$(printf '\\x%s' "$@")" | dd of="$image" bs=1 seek="$offset" conv=notrunc status=none
}

# zero_high NAME: clears the high cluster word of the deleted short entry whose bytes 1-10 are NAME, as
# Windows does when it deletes on FAT32 (mtools keeps the word).
zero_high() {
  local at
  at=$(find_bytes "\\xE5\\Q$1\\E")
  [ -n "$at" ] || { echo "no deleted entry $1" >&2; exit 1; }
  patch $((at + 20)) 00 00
}

# FAT16, 512-byte clusters: one folder of everything a node carries, a fragmented file, a fragmented folder
# with a long name split across its two clusters. Deletions come last, so deleted data stays in place.
new nodes16.img 16M -F 16 -s 1 -n NODES16
folder /docs
put "/docs/A long name ünïcødé.txt" 5000
put /docs/README.TXT 700
put /docs/lower.txt 100
put /docs/EMPTY1.TXT 0
put "/docs/empty two.txt" 0
put /docs/HIDDEN.SYS 300
attrib /docs/HIDDEN.SYS 23 +h +r
folder /docs/old
put /docs/old/inner.txt 900
folder /docs/old/sub
put /docs/old/sub/deeper.txt 1200
put /docs/gone.bin 3000

# 16 entries a cluster: ".", "..", four names of three entries and one of one fill 15; the next name's two
# long-name entries then lie at the end of the first cluster and the start of the second, which the spacer
# keeps apart from the first.
folder /fragdir
put /SPACER.BIN 512
for i in 1 2 3 4; do put "/fragdir/fragdir file 0$i.txt" 600; done
put /fragdir/SHORT.TXT 200
put "/fragdir/Straddling 1XYname.txt" 1000
put "/fragdir/after the split.txt" 400
# Units 13 and 14 of that name (one in each entry) become a surrogate pair.
patch $(($(find_bytes '1\x00X\x00') + 2)) 3d d8
patch "$(find_bytes 'Y\x00n\x00a\x00m\x00e\x00')" 00 de
sed -i 's|/fragdir/Straddling 1XYname.txt|/fragdir/Straddling 1\xf0\x9f\x98\x80name.txt|' "$manifest"

# A fragmented file: mtools takes a contiguous free area when there is one, so the volume is filled up
# first; every other small file is then deleted and a file larger than any hole copied in.
folder /frag
for i in $(seq 1 12); do put "/frag/piece$i.bin" 2048; done
free=$(mdir -i "$image" ::/ | sed -n 's/ bytes free//p' | tr -d ' ')
put /FILLER.BIN "$free"
# The last piece stays, so the new long name takes the free slots after it, not an erased one.
for i in 1 3 5 7 9 11; do remove "/frag/piece$i.bin"; done
put /frag/fragmented.bin 9000

remove /docs/gone.bin
remove_tree /docs/old

# FAT32 of more than 65536 clusters: a 40 MiB file pushes what follows past cluster 0x10000; the deleted
# entries then lose their high cluster word as on Windows.
new nodes32.img 64M -F 32 -s 1 -n NODES32
folder /fill
put /fill/big.bin 41943040
put /notes.xyz 1500
put /photo.jpg 3000 "ff d8 ff e0 00 10 4a 46 49 46 00 01 01 00 00 01 00 01 00 00"
folder /gone
put /gone/inner.txt 700
folder /high
put /high/keep.txt 400
put /high/victim.dat 2000
remove /notes.xyz
remove /photo.jpg
remove_tree /gone
remove /high/victim.dat
for name in 'OTES   XYZ' 'HOTO   JPG' 'ONE       ' 'NNER   TXT' 'ICTIM  DAT'; do zero_high "$name"; done
