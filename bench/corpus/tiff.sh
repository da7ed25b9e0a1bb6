#!/usr/bin/env bash
# weight: 5
# formats: 9
# TIFF made with ImageMagick: strips or tiles, little- or big-endian, uncompressed or LZW, by seed; a camera's
# make and model set with exiftool so that the make decides the camera raw type. The scan names the file
# "<MAKE>_<model>" (the make in capitals): the sidecar says so.
# usage: bench/corpus/tiff.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.tif)
set -euo pipefail
stem=$1 i=$2
file=$stem.tif
cameras=("NIKON CORPORATION|NIKON D850" "Canon|Canon EOS R5" "SONY|ILCE-7M3" "Panasonic|DMC-GH4"
         "OLYMPUS IMAGING CORP.|E-M5" "PENTAX|K-1" "SAMSUNG|NX1" "Leaf|Aptus 75" "Hasselblad|H3D")
endian=(lsb msb)
args=(-seed "$i" -size "$((160 + i % 160))x$((120 + i % 120))" plasma:fractal
      -define "tiff:endian=${endian[$((i % 2))]}")
((i / 2 % 2 == 1)) && args+=(-define tiff:tile-geometry=64x64)
((i / 4 % 2 == 1)) && args+=(-compress lzw) || args+=(-compress none)
/usr/bin/convert "${args[@]}" "TIFF:$file"
IFS='|' read -r make model <<<"${cameras[$((i % ${#cameras[@]}))]}"
exiftool -q -q -overwrite_original "-Make=$make" "-Model=$model" "$file"
echo "name=${make^^}_$model" >"$stem.meta"
