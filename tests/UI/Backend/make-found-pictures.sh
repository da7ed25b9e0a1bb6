#!/usr/bin/env bash
# A device of found pictures for a complete scan: OUT_DIR/device.img holds, 64 KiB apart on zeros, the JPEG,
# PNG and TIFF pictures, the camera raw (exiftool's tags on a DNG with an embedded JPEG preview) and the movie
# that make-thumbnail-files.sh writes (ffmpeg, exiftool), or the files of theirs named after OUT_DIR, in that
# order; the originals stay beside it, and device.layout lists "offset name" for each.
# usage: make-found-pictures.sh OUT_DIR [NAME...]
set -euo pipefail
out=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/../Kit/Thumbnails/make-thumbnail-files.sh" "$out"
cd "$out"
NAMES="${*:-photo.jpg photo.png photo.tiff camera.dng clip.mp4}" python3 - <<'PY'
import os
names = os.environ['NAMES'].split()
step = 64 * 1024
image = bytearray(step)  # nothing in the first block
layout = []
for name in names:
    data = open(name, 'rb').read()
    layout.append((len(image), name))
    image += data
    image += bytes((-len(image)) % step + step)
open('device.img', 'wb').write(image)
open('device.layout', 'w').write(''.join(f'{offset} {name}\n' for offset, name in layout))
PY
