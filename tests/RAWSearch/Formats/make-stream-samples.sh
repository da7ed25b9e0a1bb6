#!/bin/bash
# Media samples made with ffmpeg, into the folder given:
#   clip.ts         MPEG-2 video and MP2 audio in a transport stream of 188-byte packets
#   clip.m2ts       the same in 192-byte packets (a time code before each)
#   tiny.ts         a transport stream under 20480 bytes
#   tone.aac        AAC in ADTS frames
#   clip.wmv        WMV2 video with WMA audio
#   tone.wma        WMA audio alone
#   twotone.wma     two WMA audio streams
set -euo pipefail
out=$1
command -v ffmpeg >/dev/null || { echo "missing tool: ffmpeg" >&2; exit 1; }
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +bitexact "$@"; }
video=(-f lavfi -i "testsrc=duration=2:size=160x120:rate=10")
audio=(-f lavfi -i "sine=frequency=440:duration=2")
ff "${video[@]}" "${audio[@]}" -c:v mpeg2video -c:a mp2 -f mpegts clip.ts
ff "${video[@]}" "${audio[@]}" -c:v mpeg2video -c:a mp2 -f mpegts -mpegts_m2ts_mode 1 clip.m2ts
ff -f lavfi -i "testsrc=duration=0.1:size=32x32:rate=10" -c:v mpeg2video -f mpegts tiny.ts
ff "${audio[@]}" -c:a aac -f adts tone.aac
ff "${video[@]}" "${audio[@]}" -c:v wmv2 -c:a wmav2 -f asf clip.wmv
ff "${audio[@]}" -c:a wmav2 -f asf tone.wma
ff "${audio[@]}" -f lavfi -i "sine=frequency=660:duration=2" -map 0 -map 1 -c:a wmav2 -f asf twotone.wma
