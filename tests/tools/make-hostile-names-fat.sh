#!/usr/bin/env bash
# Makes a FAT16 image whose file names are hostile to a copy-out, with a manifest beside it (IMAGE.manifest):
#   make-hostile-names-fat.sh OUTDIR
# Manifest lines: path<TAB>size<TAB>sha256<TAB>deleted, the path as the name is on the disk after the patches.
# mtools refuses to write some of these names, so it writes stand-ins and the long-name entries are patched after:
#   "++"             -> ".."              (a file, in the root)
#   SUB/"+"          -> "."               (a file, in a folder)
#   "ctl+[31mred.txt" -> "ctl<ESC>[31mred.txt" (a terminal colour sequence)
# Also a long name of 127 "é" and ".txt" (131 UTF-16 units, legal on FAT, 258 bytes in UTF-8; mtools cuts longer
# names) and an empty file.
# Exits 77 when a tool is missing.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-hostile-names-fat.sh OUTDIR}
for tool in mkfs.fat mcopy mmd grep dd sha256sum truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$out/hostile.img
manifest=$image.manifest
rm -f "$image"
truncate -s 16M "$image"
mkfs.fat --invariant -i 5EC0FFEE -F 16 -n HOSTILE "$image" >/dev/null
: >"$manifest"

# put MTOOLS-PATH SIZE MANIFEST-PATH: deterministic contents that differ from file to file.
put() {
  { yes "$1" || true; } | head -c "$2" >"$work/file"
  mcopy -i "$image" "$work/file" "::$1"
  printf '/%s\t%s\t%s\t0\n' "$3" "$2" "$(sha256sum <"$work/file" | cut -d' ' -f1)" >>"$manifest"
}

# patch FROM TO: overwrites the one place in the image holding the bytes FROM (a grep -P pattern) with TO.
patch() {
  local at
  at=$(LC_ALL=C grep -obUaP "$1" "$image" | cut -d: -f1)
  [ "$(wc -w <<<"$at")" -eq 1 ] || { echo "pattern $1 found at '${at}'" >&2; exit 1; }
  printf "$2" | dd of="$image" bs=1 seek="$at" conv=notrunc status=none
}

long=$(printf 'é%.0s' $(seq 127)).txt
put "$long" 5000 "$long"
put "++" 3000 ".."
mmd -i "$image" ::SUB
put "SUB/+" 2000 "SUB/."
put "ctl+[31mred.txt" 1000 $'ctl\e[31mred.txt'
put EMPTY.TXT 0 EMPTY.TXT

# The stand-ins' long-name units (UTF-16LE): "++" then the name's end; "+" alone in a last piece (ordinal 0x41);
# "ctl+".
patch '\x2b\x00\x2b\x00\x00\x00' '\x2e\x00\x2e\x00'
patch '\x41\x2b\x00\x00\x00\xff\xff' '\x41\x2e\x00'
patch 'c\x00t\x00l\x00\x2b\x00' 'c\x00t\x00l\x00\x1b\x00'
