#!/usr/bin/env bash
# weight: 2
# Audio files made with ffmpeg from seed INDEX, in turn: AAC in ADTS frames, WMA in ASF (one or two streams), and
# RealAudio (AC-3 in RealMedia); tone and length vary with the seed.
# The RealMedia data chunk states 10 bytes more than ffmpeg writes: its sidecar says end=prefix.
# usage: bench/corpus/audio.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<ext>)
set -euo pipefail
stem=${1:?output file stem}
index=${2:?seed index}
# The kind follows the seed; the corpus's weighted round robin (period 100) hands a family seeds a fixed step
# apart, so the hundreds shift the turn and every kind comes up.
turn=$((index + index / 100))
command -v ffmpeg >/dev/null || { echo "missing tool: ffmpeg" >&2; exit 2; }
# Bit-exact output options go right before the output file: the same seed always gives the same bytes.
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "${@:1:$#-1}" -fflags +bitexact -flags +bitexact "${@: -1}"; }
seconds=$((1 + index % 9))
tone=(-f lavfi -i "sine=frequency=$((180 + 41 * (index % 29))):duration=$seconds")
case $((turn % 4)) in
  0) ff "${tone[@]}" -c:a aac -b:a $((64 + 32 * (index % 4)))k -f adts "$stem.aac" ;;
  1) ff "${tone[@]}" -c:a wmav2 -f asf "$stem.wma" ;;
  2) ff "${tone[@]}" -f lavfi -i "sine=frequency=$((300 + index % 500)):duration=$seconds" -map 0 -map 1 \
       -c:a wmav2 -f asf "$stem.wma" ;;
  3) ff "${tone[@]}" -c:a ac3 -ar 44100 -f rm "$stem.ra"
     echo "end=prefix" >"$stem.meta" ;;
esac
