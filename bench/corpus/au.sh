#!/usr/bin/env bash
# weight: 1
# AU made with ffmpeg from seed INDEX: one to eight seconds of tone and noise, 16-bit linear, 8-bit mu-law or
# 32-bit float samples, mono or stereo, at 8 to 44.1 kHz; the header states the data length.
# usage: bench/corpus/au.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.au)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need ffmpeg
codecs=(pcm_s16be pcm_mulaw pcm_f32be)
rates=(8000 11025 22050 44100)
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "sine=frequency=$((200 + 53 * (index % 17))):duration=$((1 + index % 8))" \
  -f lavfi -i "anoisesrc=seed=$index:amplitude=0.05:duration=$((1 + index % 8))" \
  -filter_complex amix=inputs=2 -ac $((1 + index % 2)) -ar "${rates[$((index % 4))]}" \
  -c:a "${codecs[$((index % 3))]}" -fflags +bitexact "$stem.au"
