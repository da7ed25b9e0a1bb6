#!/usr/bin/env bash
# weight: 1
# ICO with three images (48, 32 and 16 pixels) made with ImageMagick.
# usage: bench/corpus/ico.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.ico)
set -euo pipefail
stem=$1 i=$2
/usr/bin/convert -seed "$i" -size 48x48 plasma:fractal -define icon:auto-resize=48,32,16 "$stem.ico"
