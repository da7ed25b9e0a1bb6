#!/usr/bin/env bash
# weight: 8
# Media files of the complete-scan corpus, made with ffmpeg from seed INDEX: WAV and AIFF tones, Matroska and
# SWF clips of a test picture, in turn; lengths and tones vary with the seed.
# usage: bench/corpus/media.sh OUT_FILE_STEM INDEX   (writes OUT_FILE_STEM.<ext>)
set -euo pipefail
stem=${1:?output file stem}
index=${2:?seed index}
command -v ffmpeg >/dev/null || { echo "missing tool: ffmpeg" >&2; exit 2; }
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
seconds=$((1 + index % 4))
tone=(-f lavfi -i "sine=frequency=$((220 + 37 * (index % 20))):duration=$seconds" -ar 22050)
picture=(-f lavfi -i "testsrc=size=$((64 + 16 * (index % 8)))x$((48 + 16 * (index % 6))):rate=25:duration=$seconds")
case $((index % 4)) in
  0) ff "${tone[@]}" "$stem.wav" ;;
  1) ff "${tone[@]}" "$stem.aiff" ;;
  2) ff "${picture[@]}" "${tone[@]}" -c:v mpeg4 -c:a pcm_s16le "$stem.mkv" ;;
  3) ff "${picture[@]}" -c:v flv1 -f swf "$stem.swf" ;;
esac
