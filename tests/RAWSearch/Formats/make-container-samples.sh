#!/bin/bash
# Container and media samples made with Debian's tools, into the folder given:
#   dir-first.tar   ustar archive whose first entry is a directory: d/ (0 bytes), d/a.txt (1000 bytes),
#                   b.bin (3000 bytes)
#   tone.ogg        Vorbis audio in Ogg pages
#   clip.mpg        MPEG-1 video and MP2 audio in an MPEG-1 program stream
#   clip.flv        Flash video with Sorenson video
#   clip.mxf        MPEG-2 video in an MXF file
#   gradient.png    a 256x128 PNG without time chunks
#   gradient.psd    the same picture as a Photoshop document
set -euo pipefail
out=$1
for tool in tar ffmpeg convert; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cd "$out"
mkdir -p tree/d
head -c 1000 /dev/zero | tr '\0' 'a' > tree/d/a.txt
head -c 3000 /dev/zero | tr '\0' 'b' > tree/b.bin
tar --format=ustar --owner=0 --group=0 --mtime=2020-01-01 --no-recursion -C tree -cf dir-first.tar d d/a.txt b.bin
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +bitexact "$@"; }
ff -f lavfi -i "sine=frequency=440:duration=2" -c:a libvorbis tone.ogg
ff -f lavfi -i "testsrc=duration=3:size=160x120:rate=25" -f lavfi -i "sine=frequency=440:duration=3" \
  -c:v mpeg1video -c:a mp2 -f mpeg clip.mpg
ff -f lavfi -i "testsrc=duration=2:size=160x120:rate=10" -c:v flv -an -f flv clip.flv
ff -f lavfi -i "testsrc=duration=1:size=160x120:rate=25" -c:v mpeg2video -f mxf clip.mxf
convert -size 256x128 gradient:'#ff8040-#4080ff' -strip gradient.png
convert gradient.png gradient.psd
