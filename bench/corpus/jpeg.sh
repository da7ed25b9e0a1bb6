#!/usr/bin/env bash
# weight: 21
# JPEG made with ImageMagick, with a camera's Exif tags (make, model, date) set by exiftool; every other one
# without its JFIF segment, as cameras write them. The scan names the file "<MAKE>_<model>" (the make in capitals):
# the sidecar says so. Every seventh one carries no metadata at all: it opens with its quantisation tables. Every
# third one is progressive (its picture in several scans).
# usage: bench/corpus/jpeg.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.jpg)
set -euo pipefail
stem=$1 i=$2
file=$stem.jpg
cameras=("Canon|Canon EOS 5D" "NIKON CORPORATION|NIKON D90" "FUJIFILM|X-T2" "SONY|ILCE-7M3" "Apple|iPhone 8")
sizes=("640x480" "800x600" "1024x768" "480x640")
interlace=()
((i % 3 == 2)) && interlace=(-interlace JPEG)
/usr/bin/convert -seed "$i" -size "${sizes[$((i % ${#sizes[@]}))]}" plasma:fractal -attenuate 0.4 +noise Gaussian \
  -quality $((80 + i % 11)) "${interlace[@]}" "$file"
if ((i % 7 == 6)); then
  exiftool -q -overwrite_original -all= "$file"
  exit 0
fi
IFS='|' read -r make model <<<"${cameras[$((i % ${#cameras[@]}))]}"
args=(-q -overwrite_original "-Make=$make" "-Model=$model"
      "-DateTimeOriginal=2021:03:$(printf %02d $((1 + i % 28))) 09:10:11")
((i % 2 == 0)) && args+=("-JFIF:all=")
exiftool "${args[@]}" "$file"
echo "name=${make^^}_$model" >"$stem.meta"
