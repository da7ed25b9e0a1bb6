#!/usr/bin/env bash
# weight: 8
# Complete-scan corpus maker for movies: one file OUT_FILE_STEM.<ext> made by ffmpeg from seed INDEX, in turn
# a QuickTime movie (.mov), the same with its mdat header rewritten to a 64-bit size (.mov), an MP4 (.mp4),
# an MP4 with moov ahead of mdat (.mp4), AAC audio in the iPod muxer (.m4a) and a 3GP movie (.3gp); the
# picture is noise seeded by INDEX, its length and frame size vary with it.
#
# usage: bench/corpus/mov.sh OUT_FILE_STEM INDEX
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need ffmpeg perl
sizes=(176x144 320x240 352x288 640x360)
size=${sizes[$((index % ${#sizes[@]}))]}
seconds=$((1 + index % 4))
video=(-f lavfi -i "testsrc2=size=$size:rate=15:duration=$seconds,noise=alls=30:allf=t:all_seed=$index"
       -f lavfi -i "sine=frequency=$((200 + index % 800)):duration=$seconds")
codecs=(-c:v mpeg4 -q:v $((2 + index % 8)) -c:a aac -ar 22050)
case $((turn % 6)) in
  0) ff "${video[@]}" "${codecs[@]}" -f mov "$stem.mov" ;;
  1)
    ff "${video[@]}" "${codecs[@]}" -f mov "$stem.mov"
    # The wide box and the mdat header after it become one mdat header with a 64-bit size.
    perl -e '
      local $/; open my $in, "+<:raw", $ARGV[0] or die; my $m = <$in>;
      my $wide = unpack("N", substr($m, 0, 4));
      substr($m, $wide + 4, 4) eq "wide" or die "no wide box";
      my $mdat = unpack("N", substr($m, $wide + 8, 4));
      seek $in, $wide, 0; print $in pack("N", 1) . "mdat" . pack("NN", 0, $mdat + 8);' "$stem.mov" ;;
  2) ff "${video[@]}" "${codecs[@]}" -f mp4 "$stem.mp4" ;;
  3) ff "${video[@]}" "${codecs[@]}" -movflags +faststart -f mp4 "$stem.mp4" ;;
  4) ff -f lavfi -i "sine=frequency=$((200 + index % 800)):duration=$((5 + index % 20))" -c:a aac -f ipod "$stem.m4a" ;;
  5) ff "${video[@]}" "${codecs[@]}" -ac 1 -f 3gp "$stem.3gp" ;;
esac
