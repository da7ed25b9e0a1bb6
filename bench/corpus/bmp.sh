#!/usr/bin/env bash
# weight: 2
# Uncompressed BMP (version 3 header) made with ImageMagick, its size varying with the seed.
# usage: bench/corpus/bmp.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.bmp)
set -euo pipefail
stem=$1 i=$2
/usr/bin/convert -seed "$i" -size "$((64 + i % 200))x$((48 + i % 150))" plasma:fractal "BMP3:$stem.bmp"
