#!/usr/bin/env bash
# weight: 1
# One Ogg file made with ffmpeg from seed INDEX: a Vorbis or Opus tone of one to four seconds, written to
# OUT_FILE_STEM.ogg.
# usage: bench/corpus/ogg.sh OUT_FILE_STEM INDEX
set -euo pipefail
stem=${1:?output file stem}
index=${2:?seed index}
command -v ffmpeg >/dev/null || { echo "missing tool: ffmpeg" >&2; exit 2; }
codec=libvorbis
((index % 2)) && codec=libopus
ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +bitexact \
  -f lavfi -i "sine=frequency=$((220 + 41 * (index % 19))):duration=$((1 + index % 4))" -c:a "$codec" -f ogg "$stem.ogg"
