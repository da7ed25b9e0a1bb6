#!/usr/bin/env bash
# Makes an NTFS volume whose file names hold "/" and "\", with a manifest beside it (IMAGE.manifest):
#   make-ntfs-separator-names.sh OUTDIR
# ntfs-3g and ntfscp refuse such names, so stand-ins are written with ntfscp and their UTF-16 name units patched
# after, in the FILE record's $FILE_NAME attribute and in the root folder's index entry alike. A patched unit never
# lies in the last two bytes of a sector, which the update sequence keeps elsewhere.
# Manifest lines: path<TAB>size<TAB>sha256, the path as the name is on the disk after the patches.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-ntfs-separator-names.sh OUTDIR}
for tool in mkntfs ntfscp grep dd sha256sum truncate; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$out/separators.img
manifest=$image.manifest
rm -f "$image"
truncate -s 8M "$image"
mkntfs -F -Q -q -s 512 -c 4096 -L SEPARATE "$image" >/dev/null 2>&1
: >"$manifest"

# put STAND-IN SIZE DISK-NAME: deterministic contents that differ from file to file.
put() {
  { yes "$1" || true; } | head -c "$2" >"$work/file"
  ntfscp -q -f "$image" "$work/file" "$1"
  printf '/%s\t%s\t%s\n' "$3" "$2" "$(sha256sum <"$work/file" | cut -d' ' -f1)" >>"$manifest"
}

# utf16 TEXT: the grep -P pattern of TEXT's UTF-16LE units.
utf16() { printf '%s' "$1" | sed 's/./&\\x00/g'; }

# patch STAND-IN UNIT REPLACEMENT: every place holding STAND-IN's name gets REPLACEMENT (one ASCII character) for
# its unit at index UNIT; there must be two (the record and the index entry).
patch() {
  local at count=0
  for at in $(LC_ALL=C grep -obUaP "$(utf16 "$1")" "$image" | cut -d: -f1); do
    local unit=$((at + 2 * $2))
    if [ $((unit % 512)) -ge 510 ]; then echo "name unit of $1 at a sector's end" >&2; exit 1; fi
    printf '%s' "$3" | dd of="$image" bs=1 seek="$unit" conv=notrunc status=none
    count=$((count + 1))
  done
  [ "$count" -eq 2 ] || { echo "$1 found $count times" >&2; exit 1; }
}

put 'slashQname.txt' 3000 'slash/name.txt'
put 'backQslash.txt' 5000 'back\slash.txt'
put 'plain-neighbour.txt' 700 'plain-neighbour.txt'
patch 'slashQname.txt' 5 '/'
patch 'backQslash.txt' 4 '\'
