#!/bin/bash
# Movie samples made with the real encoder and tagger, into the folder given:
#   qt.mov         QuickTime: ftyp "qt  ", wide, mdat, moov
#   large.mov      qt.mov with its wide and mdat headers joined into one mdat header with a 64-bit size
#   isom.mp4       MP4: ftyp "isom" (compatible isom iso2 avc1 mp41), free, mdat, moov
#   faststart.mp4  the same with moov ahead of mdat
#   frag.mp4       fragmented MP4: ftyp, moov (with trex), moof/mdat pairs, mfra
#   ipod.m4a       AAC audio in the iPod muxer: ftyp "M4A "
#   ipod.m4v       video in the iPod muxer: ftyp "M4V "
#   phone.3gp      ftyp "3gp4";  phone.3g2  ftyp "3g2a"
#   upper.mp4      isom.mp4 with its major brand written "ISOM"
#   upper.3gp      phone.3gp with its major brand written "3GP4"
#   camera.mov     qt.mov with a udta box after mvhd holding the Exif block exiftool wrote into a JPEG
#                  (big-endian; Make "Canon", Model "Canon EOS 80D", ModifyDate "2024:05:06 07:08:09")
#   model.mov      the same with a little-endian Exif block holding Model "DMC-FZ1000" only
set -euo pipefail
out=$1
for tool in ffmpeg exiftool perl; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
video=(-f lavfi -i "testsrc=size=176x144:rate=10:duration=2" -f lavfi -i "sine=frequency=440:duration=2")
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -f mov qt.mov
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -f mp4 isom.mp4
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -movflags +faststart -f mp4 faststart.mp4
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -g 5 -movflags frag_keyframe+empty_moov -f mp4 frag.mp4
ff -f lavfi -i "sine=frequency=440:duration=2" -c:a aac -f ipod ipod.m4a
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -f ipod ipod.m4v
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -ac 1 -f 3gp phone.3gp
ff "${video[@]}" -c:v mpeg4 -c:a aac -ar 22050 -ac 1 -f 3g2 phone.3g2

cp isom.mp4 upper.mp4
printf 'ISOM' | dd of=upper.mp4 bs=1 seek=8 count=4 conv=notrunc status=none
cp phone.3gp upper.3gp
printf '3GP4' | dd of=upper.3gp bs=1 seek=8 count=4 conv=notrunc status=none

# The wide box (8 bytes) and the mdat header after it become one 16-byte mdat header.
perl -e '
  local $/; open my $in, "<:raw", $ARGV[0] or die; my $m = <$in>;
  my $wide = unpack("N", substr($m, 0, 4));
  substr($m, $wide + 4, 4) eq "wide" or die "no wide box";
  my $mdat = unpack("N", substr($m, $wide + 8, 4));
  substr($m, $wide, 16) = pack("N", 1) . "mdat" . pack("NN", 0, $mdat + 8);
  open my $o, ">:raw", $ARGV[1] or die; print $o $m;' qt.mov large.mov

# Puts the Exif block of a JPEG into the last top-level box (moov) of a movie, after its mvhd.
with_exif() {
  perl -e '
    local $/;
    open my $in, "<:raw", $ARGV[0] or die; my $m = <$in>;
    open my $j, "<:raw", $ARGV[1] or die; my $jpeg = <$j>;
    my $at = index($jpeg, "Exif\0\0"); $at > 0 or die "no Exif block";
    my $exif = substr($jpeg, $at, unpack("n", substr($jpeg, $at - 2, 2)) - 2);
    my $child = pack("N", 8 + length $exif) . "EXIF" . $exif;
    my $udta = pack("N", 8 + length $child) . "udta" . $child;
    my ($p, $moov) = (0, -1);
    while ($p + 8 <= length $m) {
      my $size = unpack("N", substr($m, $p, 4));
      $moov = $p if substr($m, $p + 4, 4) eq "moov";
      $size >= 8 or die "bad box"; $p += $size;
    }
    $moov >= 0 or die "no moov";
    substr($m, $moov + 12, 4) eq "mvhd" or die "moov does not start with mvhd";
    my $after = $moov + 8 + unpack("N", substr($m, $moov + 8, 4));
    substr($m, $after, 0) = $udta;
    substr($m, $moov, 4) = pack("N", unpack("N", substr($m, $moov, 4)) + length $udta);
    open my $o, ">:raw", $ARGV[2] or die; print $o $m;' "$1" "$2" "$3"
}
ff -f lavfi -i "color=c=red:size=16x16" -frames:v 1 cam.jpg
cp cam.jpg model.jpg
exiftool -q -overwrite_original -Make=Canon -Model="Canon EOS 80D" -ModifyDate="2024:05:06 07:08:09" cam.jpg
exiftool -q -overwrite_original -ExifByteOrder=Little-endian -Model="DMC-FZ1000" model.jpg
with_exif qt.mov cam.jpg camera.mov
with_exif qt.mov model.jpg model.mov
rm cam.jpg model.jpg
