#!/usr/bin/env bash
# weight: 3
# formats: 11
# Video files made with ffmpeg from seed INDEX, in turn: AVI (Motion JPEG and PCM), MPEG-1 program stream,
# Flash video, MXF (MPEG-2), RealMedia, an MPEG-2 transport stream of 188-byte packets, the same of 192-byte
# packets (M2TS), ASF (WMV2 and WMA), a fragmented MP4, an iPod M4V and a 3GPP2 movie; picture noise, tone,
# length and frame size vary with the seed.
# The MPEG-1 program stream ends without an end code, and the RealMedia data chunk states 10 bytes more than
# ffmpeg writes: neither has an end the scan can find exactly, so their sidecars say end=prefix.
# usage: bench/corpus/video.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<ext>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need ffmpeg
sizes=(128x96 176x144 320x240 352x288)
size=${sizes[$((index % ${#sizes[@]}))]}
seconds=$((1 + index % 3))
picture=(-f lavfi -i "testsrc2=size=$size:rate=25:duration=$seconds,noise=alls=20:allf=t:all_seed=$index")
tone=(-f lavfi -i "sine=frequency=$((200 + 37 * (index % 23))):duration=$seconds")
case $((turn % 11)) in
  0) ff "${picture[@]}" "${tone[@]}" -c:v mjpeg -q:v $((2 + index % 10)) -c:a pcm_s16le -ar 22050 "$stem.avi" ;;
  1) ff "${picture[@]}" "${tone[@]}" -c:v mpeg1video -c:a mp2 -ar 44100 -f mpeg "$stem.mpg"
     echo "end=prefix" >"$stem.meta" ;;
  2) ff "${picture[@]}" "${tone[@]}" -c:v flv1 -c:a adpcm_swf -ar 22050 -f flv "$stem.flv" ;;
  3) ff "${picture[@]}" -c:v mpeg2video -r 25 -f mxf "$stem.mxf" ;;
  4)
     # The RealMedia muxer takes no packet over 64 KiB: a small picture keeps the key frames under it.
     ff -f lavfi -i "testsrc2=size=176x144:rate=25:duration=$seconds,noise=alls=20:allf=t:all_seed=$index" \
       "${tone[@]}" -c:v rv10 -c:a ac3 -ar 44100 -f rm "$stem.rm"
     echo "end=prefix" >"$stem.meta" ;;
  5) ff "${picture[@]}" "${tone[@]}" -c:v mpeg2video -c:a mp2 -f mpegts "$stem.ts" ;;
  6) ff "${picture[@]}" "${tone[@]}" -c:v mpeg2video -c:a mp2 -f mpegts -mpegts_m2ts_mode 1 "$stem.m2ts" ;;
  7) ff "${picture[@]}" "${tone[@]}" -c:v wmv2 -c:a wmav2 -f asf "$stem.wmv" ;;
  8) ff "${picture[@]}" "${tone[@]}" -c:v mpeg4 -c:a aac -g 5 -movflags frag_keyframe+empty_moov -f mp4 "$stem.mp4" ;;
  9) ff "${picture[@]}" "${tone[@]}" -c:v mpeg4 -c:a aac -f ipod "$stem.m4v" ;;
  10) ff "${picture[@]}" "${tone[@]}" -c:v mpeg4 -c:a aac -ac 1 -ar 22050 -f 3g2 "$stem.3g2" ;;
esac
