#!/usr/bin/env bash
# Makes a FAT16 image for the copy-out tests, with a manifest beside it (path, size, sha256, deleted):
#   make-recovery-fat.sh OUTDIR
# Files: EXACT4M.BIN (4 MiB), OVER4M.BIN (4 MiB + 1 byte, laid into the holes left by deleted small files, so it is
# fragmented) and SMALL.TXT. All names are 8.3 so the test can find them in the root folder directly.
# A missing tool fails it (exit 1): the set-up installs them all.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

out=${1:?usage: make-recovery-fat.sh OUTDIR}
for tool in mkfs.fat mcopy mdel sha256sum truncate head; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
image=$out/recovery.img
manifest=$image.manifest
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -f "$image"
truncate -s 32M "$image"
mkfs.fat --invariant -i 5EC0FFEE -F 16 -s 4 -n RECOVERY "$image" >/dev/null
: >"$manifest"

# put NAME SIZE SEED: deterministic contents that differ from file to file.
put() {
  { yes "$3 $1" || true; } | head -c "$2" >"$work/file"
  mcopy -i "$image" "$work/file" "::$1"
  printf '/%s\t%s\t%s\t0\n' "$1" "$2" "$(sha256sum <"$work/file" | cut -d' ' -f1)" >>"$manifest"
}

for i in 0 1 2 3 4 5 6 7 8 9; do put "PAD$i.BIN" 3000 "pad$i"; done
for i in 1 3 5 7; do mdel -i "$image" "::PAD$i.BIN"; done
grep -v -E '^/PAD[1357]\.BIN' "$manifest" >"$work/manifest" && cp "$work/manifest" "$manifest"
put OVER4M.BIN 4194305 over
put EXACT4M.BIN 4194304 exact
put SMALL.TXT 777 small
