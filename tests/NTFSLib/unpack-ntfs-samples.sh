#!/usr/bin/env bash
# Unpacks the gzipped whole-disk samples the caller copied into OUTDIR (NAME.raw.gz) into their NTFS partitions
# (NAME.part, from the first MBR entry's start), each with a manifest (NAME.part.manifest: "# label=" and
# "# partition-start=" in sectors), a listing (NAME.part.ls, from ntfsls) and the volume's $AttrDef and $UpCase
# as ntfscat reads them:
#   unpack-ntfs-samples.sh OUTDIR
# Exits 77 when a tool is missing.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: unpack-ntfs-samples.sh OUTDIR}
for tool in gzip dd od ntfsls ntfsinfo ntfscat; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
shopt -s nullglob
samples=("$out"/*.raw.gz)
[ ${#samples[@]} -gt 0 ] || { echo "no samples in $out" >&2; exit 1; }
for gz in "${samples[@]}"; do
  part=${gz%.raw.gz}.part
  # gzip stops early on a closed pipe: only the first sector is wanted here.
  start=$({ gzip -dc "$gz" 2>/dev/null || true; } | head -c 512 | od -An -tu4 -j454 -N4 | tr -d ' ')
  [ "$start" -gt 0 ] || { echo "no partition in $gz" >&2; exit 1; }
  gzip -dc "$gz" | dd of="$part" bs=512 skip="$start" iflag=fullblock conv=sparse status=none
  label=$(ntfsinfo -m "$part" 2>/dev/null | sed -n 's/^[[:space:]]*Volume Name: //p')
  printf '# label=%s\n# partition-start=%s\n' "$label" "$start" >"$part.manifest"
  ntfsls -a -s -i -R "$part" >"$part.ls" 2>/dev/null
  ntfscat "$part" '$AttrDef' >"$part.attrdef"
  ntfscat "$part" '$UpCase' >"$part.upcase"
done
