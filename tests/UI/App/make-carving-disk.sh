#!/usr/bin/env bash
# Makes a disk of random bytes without a partition table, with a picture (JPEG, PNG), a PDF and an MP3 placed in
# it, each at the start of its own MiB, for the complete scan's signature search:
#   make-carving-disk.sh OUTDIR
# Writes OUTDIR/carving.img and OUTDIR/carving.img.manifest: one line per placed file:
#   name<TAB>size<TAB>sha256<TAB>byte offset
# A missing tool fails it.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin" LC_ALL=C.UTF-8

out=${1:?usage: make-carving-disk.sh OUTDIR}
# ImageMagick's own convert: some machines put a stand-in first on PATH.
for tool in /usr/bin/convert gs ffmpeg python3 sha256sum; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (./quellsy.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/convert -seed 7 -size 320x240 plasma: "$work/photo.jpg"
/usr/bin/convert -size 200x100 gradient:red-blue "$work/chart.png"
gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -o "$work/note.pdf" \
  -c "/Helvetica findfont 20 scalefont setfont 72 720 moveto (a placed page) show showpage"
ffmpeg -loglevel error -f lavfi -i sine=frequency=440:duration=2 -codec:a libmp3lame -b:a 64k -y "$work/tone.mp3"

python3 - "$work" "$out/carving.img" "$out/carving.img.manifest" <<'PY'
import hashlib, os, random, sys
work, image, manifest = sys.argv[1:4]
mib = 1 << 20
rng = random.Random(68)
disk = bytearray(rng.getrandbits(8) for _ in range(8 * mib))
lines = []
for index, name in enumerate(["photo.jpg", "chart.png", "note.pdf", "tone.mp3"]):
    data = open(os.path.join(work, name), "rb").read()
    offset = (2 + index) * mib
    disk[offset:offset + len(data)] = data
    lines.append(f"{name}\t{len(data)}\t{hashlib.sha256(data).hexdigest()}\t{offset}\n")
open(image, "wb").write(disk)
open(manifest, "w").write("".join(lines))
PY
