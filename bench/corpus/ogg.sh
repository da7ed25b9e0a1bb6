#!/usr/bin/env bash
# weight: 1
# One Ogg file made with ffmpeg from seed INDEX: a Vorbis or Opus tone of one to four seconds, written to
# OUT_FILE_STEM.ogg.
# usage: bench/corpus/ogg.sh OUT_FILE_STEM INDEX
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need ffmpeg
codec=libvorbis
((index % 2)) && codec=libopus
ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +bitexact \
  -f lavfi -i "sine=frequency=$((220 + 41 * (index % 19))):duration=$((1 + index % 4))" -c:a "$codec" -f ogg "$stem.ogg"
