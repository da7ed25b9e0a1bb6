#!/usr/bin/env bash
# weight: 1
# Layered and icon pictures made from an ImageMagick plasma of seed INDEX, in turn: a Photoshop document
# (ImageMagick) and an icon family of 16 to 256 pixels (png2icns).
# usage: bench/corpus/picture.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.psd or OUT_FILE_STEM.icns)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need /usr/bin/convert png2icns
if ((turn % 2 == 0)); then
  /usr/bin/convert -seed "$index" -size "$((64 + 31 * (index % 19)))x$((48 + 17 * (index % 11)))" plasma:fractal \
    "$stem.psd"
else
  scratch
  icons=()
  for edge in 16 32 48 128 256; do
    ((edge > 32 + 64 * (index % 4))) && break
    /usr/bin/convert -seed "$index" -size "${edge}x$edge" plasma:fractal -alpha set "PNG32:$work/$edge.png"
    icons+=("$work/$edge.png")
  done
  png2icns "$stem.icns" "${icons[@]}" >/dev/null
fi
