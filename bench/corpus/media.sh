#!/usr/bin/env bash
# weight: 2
# Media files of the complete-scan corpus, made with ffmpeg from seed INDEX: WAV and AIFF tones, Matroska and
# SWF clips of a test picture, and the SWF clip packed (zlib, as Flash 6 and later write it), in turn; lengths
# and tones vary with the seed. A packed movie states its unpacked length only, which the scan takes: the sidecar
# says end=prefix.
# usage: bench/corpus/media.sh OUT_FILE_STEM INDEX   (writes OUT_FILE_STEM.<ext>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need ffmpeg
seconds=$((1 + index % 4))
tone=(-f lavfi -i "sine=frequency=$((220 + 37 * (index % 20))):duration=$seconds" -ar 22050)
picture=(-f lavfi -i "testsrc=size=$((64 + 16 * (index % 8)))x$((48 + 16 * (index % 6))):rate=25:duration=$seconds")
case $((turn % 5)) in
  0) ff "${tone[@]}" "$stem.wav" ;;
  1) ff "${tone[@]}" "$stem.aiff" ;;
  2) ff "${picture[@]}" "${tone[@]}" -c:v mpeg4 -c:a pcm_s16le "$stem.mkv" ;;
  3) ff "${picture[@]}" -c:v flv1 -f swf "$stem.swf" ;;
  4)
    scratch
    ff "${picture[@]}" -c:v flv1 -f swf "$work/plain.swf"
    python3 - "$work/plain.swf" "$stem.swf" <<'PY'
import sys, zlib
movie = open(sys.argv[1], "rb").read()
# "CWS", a version of at least 6, the unpacked length, then the rest packed.
open(sys.argv[2], "wb").write(b"CWS" + bytes([max(movie[3], 6)]) + movie[4:8] + zlib.compress(movie[8:], 9))
PY
    echo "end=prefix" >"$stem.meta" ;;
esac
