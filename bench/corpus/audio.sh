#!/usr/bin/env bash
# weight: 2
# Audio files made with ffmpeg from seed INDEX, in turn: AAC in ADTS frames, WMA in ASF (one or two streams), and
# RealAudio (AC-3 in RealMedia); tone and length vary with the seed.
# The RealMedia data chunk states 10 bytes more than ffmpeg writes: its sidecar says end=prefix.
# usage: bench/corpus/audio.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<ext>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need ffmpeg
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
