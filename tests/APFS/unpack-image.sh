#!/usr/bin/env bash
# Unpacks an .xz image into OUT, keeping runs of zeros as holes:  unpack-image.sh IN.xz OUT
set -euo pipefail
in=${1:?usage: unpack-image.sh IN.xz OUT}
out=${2:?usage: unpack-image.sh IN.xz OUT}
size=$(xz --robot -l "$in" | awk '$1 == "totals" { print $5 }')
xz -dc "$in" | dd of="$out.part" bs=64K iflag=fullblock conv=sparse status=none
truncate -s "$size" "$out.part"
mv "$out.part" "$out"
