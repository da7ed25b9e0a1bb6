#!/usr/bin/env bash
# Files whose thumbnails the decoders make: OUT_DIR/photo.jpg, photo.png, photo.tiff (one test picture, 320x240,
# by ffmpeg, with photo.rgb: the PNG's pixels as ffmpeg reads them), preview.jpg (160x120) with preview.rgb,
# camera.dng (a raw of 64x64 sensor values with preview.jpg as its embedded preview; exiftool writes its camera
# tags), clip.mp4 (2 s by ffmpeg), truncated.jpg (the first half of photo.jpg) and hostile.png (a PNG header that
# claims 100000 x 100000 pixels).
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -v error -nostdin -y "$@"; }
ff -f lavfi -i testsrc=size=320x240 -frames:v 1 -q:v 2 photo.jpg
ff -f lavfi -i testsrc=size=320x240 -frames:v 1 photo.png
ff -f lavfi -i testsrc=size=320x240 -frames:v 1 photo.tiff
ff -i photo.png -f rawvideo -pix_fmt rgb24 photo.rgb
ff -f lavfi -i smptebars=size=160x120 -frames:v 1 -q:v 2 preview.jpg
ff -i preview.jpg -f rawvideo -pix_fmt rgb24 preview.rgb
ff -f lavfi -i testsrc=duration=2:size=160x120:rate=10 -c:v mpeg4 -pix_fmt yuv420p clip.mp4
head -c "$(( $(stat -c %s photo.jpg) / 2 ))" photo.jpg > truncated.jpg

python3 - <<'PY'
import struct, zlib
# A DNG: IFD0 holds the JPEG preview (new-subfile type 1), its sub-IFD the 16-bit colour-filter-array data.
jpeg = open('preview.jpg', 'rb').read()
side = 64
raw = bytes((i * 37) & 0xFF for i in range(side * side * 2))
S = lambda v: struct.pack('<H', v)
L = lambda v: struct.pack('<I', v)
def ifd(entries, at):
    body, extra, base = S(len(entries)), b'', at + 2 + 12 * len(entries) + 4
    for tag, kind, count, value in sorted(entries):
        if len(value) <= 4:
            body += struct.pack('<HHI', tag, kind, count) + value.ljust(4, b'\0')
        else:
            body += struct.pack('<HHI', tag, kind, count) + L(base + len(extra))
            extra += value + (b'\0' if len(value) % 2 else b'')
    return body + L(0) + extra
def first(jpeg_at, sub_at):
    return ifd([(254, 4, 1, L(1)), (256, 4, 1, L(160)), (257, 4, 1, L(120)), (258, 3, 3, S(8) * 3),
                (259, 3, 1, S(7)), (262, 3, 1, S(6)), (273, 4, 1, L(jpeg_at)), (277, 3, 1, S(3)),
                (279, 4, 1, L(len(jpeg))), (330, 4, 1, L(sub_at)), (50706, 1, 4, bytes([1, 4, 0, 0]))], 8)
size0 = len(first(0, 0))
jpeg_at = 8 + size0
raw_at = jpeg_at + len(jpeg) + (jpeg_at + len(jpeg)) % 2
sub_at = raw_at + len(raw)
data = b'II*\0' + L(8) + first(jpeg_at, sub_at) + jpeg
data += b'\0' * (raw_at - len(data)) + raw
data += ifd([(254, 4, 1, L(0)), (256, 4, 1, L(side)), (257, 4, 1, L(side)), (258, 3, 1, S(16)), (259, 3, 1, S(1)),
             (262, 3, 1, S(32803)), (273, 4, 1, L(raw_at)), (277, 3, 1, S(1)), (278, 4, 1, L(side)),
             (279, 4, 1, L(len(raw))), (33421, 3, 2, S(2) + S(2)), (33422, 1, 4, bytes([0, 1, 1, 2]))], sub_at)
open('camera.dng', 'wb').write(data)

def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)
ihdr = struct.pack('>IIBBBBB', 100000, 100000, 8, 2, 0, 0, 0)
idat = zlib.compress(b'\0' * 4096)
open('hostile.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', idat) + chunk(b'IEND', b''))
PY
exiftool -q -overwrite_original '-Make=Canon' '-Model=Canon EOS 5D Mark II' camera.dng
[ "$(exiftool -s3 -FileType camera.dng)" = DNG ]
