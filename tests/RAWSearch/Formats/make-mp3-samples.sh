#!/bin/bash
# MPEG audio samples made with the real encoder and taggers, into the folder given:
#   bare.mp3     128 kbit/s frames only (no Info frame)
#   info.mp3     the same with the encoder's Info frame
#   vbr.mp3      variable bit rate with a Xing frame
#   short.mp3    frames only, under 10240 bytes
#   id3v23.mp3   bare.mp3 with an ID3v2.3 tag (Latin-1) and an ID3v1 tag
#   utf16.mp3    bare.mp3 with an ID3v2.4 tag in UTF-16
#   v1.mp3       bare.mp3 with an ID3v1 tag only
#   titled.mp3   bare.mp3 with an ID3v2.3 tag holding a title only
#   gbk.mp3      bare.mp3 with an ID3v2.3 tag whose texts are GBK bytes
#   xingtag.mp3  vbr.mp3 with an ID3v1 tag, its first header patched to 192 kbit/s (the bit rate a
#                Xing frame is recognised by)
set -euo pipefail
out=$1
for tool in ffmpeg lame id3v2 eyeD3; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cd "$out"
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "sine=frequency=440:duration=3" -ac 2 -ar 44100 tone.wav
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "sine=frequency=440:duration=0.1" -ac 2 -ar 44100 short.wav
lame --quiet -t -b 128 tone.wav bare.mp3
lame --quiet -b 128 tone.wav info.mp3
lame --quiet -V 2 tone.wav vbr.mp3
lame --quiet -t -b 128 short.wav short.mp3
cp bare.mp3 id3v23.mp3
id3v2 -a "Some Band" -t "First Song" -y 2001 id3v23.mp3
cp bare.mp3 utf16.mp3
eyeD3 --quiet --no-color --to-v2.4 --encoding utf16 -a "Bänd Ünï" -t "Sông" utf16.mp3 >/dev/null
cp bare.mp3 v1.mp3
id3v2 --id3v1-only -a "Tail Band" -t "Tail Song" v1.mp3
cp bare.mp3 titled.mp3
id3v2 --id3v2-only -t "Only Title" titled.mp3
cp bare.mp3 gbk.mp3
id3v2 --id3v2-only -a "$(printf '\xd6\xdc\xbd\xdc\xc2\xd7')" -t "$(printf '\xc7\xe0\xbb\xa8\xb4\xc9\xb5\xc4\xb8\xe8')" gbk.mp3
cp vbr.mp3 xingtag.mp3
id3v2 --id3v1-only -a "Xing Band" -t "Xing Song" xingtag.mp3
printf '\xb0' | dd of=xingtag.mp3 bs=1 seek=2 count=1 conv=notrunc status=none
rm tone.wav short.wav
