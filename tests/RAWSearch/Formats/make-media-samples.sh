#!/bin/bash
# Archive, media and image samples made with the real tools, into the folder given:
#   tree.tar      `tar cf` of a folder holding a sub-folder, an empty file and two files
#   tone.wav tone.avi tone.aiff tone.flv tone.mkv tone.mpg tone.ogg tone.swf tone.rm tone.rmvb
#                 a short test picture and tone through ffmpeg's muxers
#   picture.png picture.psd
#                 a gradient through ImageMagick
set -euo pipefail
out=$1
for tool in ffmpeg convert tar; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cd "$out"
mkdir -p tree/sub
printf 'first file\n' > tree/a.txt
head -c 3000 /dev/urandom > tree/sub/b.bin
: > tree/empty
tar cf tree.tar tree
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
tone=(-f lavfi -i "sine=frequency=440:duration=1" -ar 22050)
picture=(-f lavfi -i "testsrc=size=64x48:rate=25:duration=1")
ff "${tone[@]}" tone.wav
ff "${tone[@]}" tone.aiff
ff "${tone[@]}" -c:a libvorbis tone.ogg
ff "${picture[@]}" "${tone[@]}" -c:v mjpeg -c:a pcm_s16le tone.avi
ff "${picture[@]}" "${tone[@]}" -c:v flv1 -c:a adpcm_swf tone.flv
ff "${picture[@]}" "${tone[@]}" -c:v mpeg4 -c:a pcm_s16le tone.mkv
ff "${picture[@]}" "${tone[@]}" -c:v mpeg1video -c:a mp2 -f mpeg tone.mpg
ff "${picture[@]}" -c:v flv1 -f swf tone.swf
ff "${picture[@]}" "${tone[@]}" -c:v rv10 -c:a ac3 -ar 44100 -f rm tone.rmvb
ff "${tone[@]}" -c:a ac3 -ar 44100 -f rm tone.rm
convert -size 64x48 gradient:red-blue picture.png
convert -size 64x48 gradient:red-blue picture.psd
rm -r tree
