#!/usr/bin/env bash
# Carving benchmark: a complete scan with the signature search over an image of random data holding
# a few hundred JPEG pictures (ImageMagick, Exif set with exiftool), against PhotoRec on the same image, each
# timed as a whole command, copy-out included, the same way (bench/lib.sh). Reports each tool's throughput and
# how many of the placed pictures it recovered byte for byte.
#
# usage: bench/jpeg_carving.sh [WORK_DIR] [PICTURES=300] [IMAGE_MIB=1024]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), ImageMagick
# (/usr/bin/convert), exiftool, photorec (package testdisk) and hyperfine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
count=${2:-300}
mib=${3:-1024}
need /usr/bin/convert exiftool photorec python3 hyperfine "$cli"
/usr/bin/convert -version | grep -q ImageMagick || { echo "/usr/bin/convert is not ImageMagick" >&2; exit 2; }

mkdir -p "$work/pictures"
cameras=("Canon|Canon EOS 5D" "NIKON CORPORATION|NIKON D90" "FUJIFILM|X-T2" "SONY|ILCE-7M3" "Apple|iPhone 8")
sizes=("640x480" "800x600" "1024x768" "1280x960" "480x640")
echo "making $count pictures in $work/pictures"
for ((i = 0; i < count; i++)); do
  file="$work/pictures/p$(printf %04d "$i").jpg"
  [ -s "$file" ] && continue
  size=${sizes[$((i % ${#sizes[@]}))]}
  extra=""
  ((i % 7 == 3)) && extra="-interlace Plane"
  # Noise makes them weigh what camera pictures do, about two to four bits a pixel.
  /usr/bin/convert -seed "$i" -size "$size" plasma:fractal -attenuate 0.4 +noise Gaussian \
    -quality $((80 + i % 11)) $extra "$file"
  IFS='|' read -r make model <<<"${cameras[$((i % ${#cameras[@]}))]}"
  width=${size%x*}
  height=${size#*x}
  args=(-q -overwrite_original "-Make=$make" "-Model=$model" "-DateTimeOriginal=2019:05:$(printf %02d $((1 + i % 28))) 10:11:12"
        "-ExifImageWidth=$width" "-ExifImageHeight=$height")
  # Every other camera picture starts with its Exif segment, as camera files do.
  ((i % 2 == 0)) && args+=("-JFIF:all=")
  ((i % 5 == 4)) || exiftool "${args[@]}" "$file"
done

image="$work/carving.img"
echo "assembling $image ($mib MiB)"
python3 - "$work/pictures" "$image" "$mib" <<'PY'
import hashlib, os, random, sys
pictures, image, mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
sector = 512
total = mib * 1024 * 1024 // sector
rng = random.Random(1)
files = sorted(os.listdir(pictures))
slot_sectors = 4096  # 2 MiB a picture at most
slots = sorted(rng.sample(range(total // slot_sectors), len(files)))
manifest = []
with open(image, 'wb') as out:
    chunk = 4 << 20
    for _ in range(mib // 4):
        out.write(rng.randbytes(chunk))
    for name, slot in zip(files, slots):
        data = open(os.path.join(pictures, name), 'rb').read()
        spare = slot_sectors - (len(data) + sector - 1) // sector
        if spare <= 0:
            continue
        start = slot * slot_sectors + rng.randrange(0, spare)
        slack = (-len(data)) % sector
        out.seek(start * sector)
        out.write(data + bytes(slack))
        manifest.append((name, len(data), hashlib.sha256(data).hexdigest(), start))
with open(image + '.manifest', 'w') as m:
    for name, size, digest, start in manifest:
        m.write(f"{name}\t{size}\t{digest}\tfalse\t{start}\n")
print(f"{len(manifest)} pictures placed")
PY
exact() {  # pictures of the manifest found byte for byte among the files under $1
  find "$1" -type f -print0 | xargs -0 -r sha256sum | awk '{print $1}' | sort -u >"$work/found.sha"
  cut -f3 "$image.manifest" | sort -u | comm -12 - "$work/found.sha" | wc -l
}

# A non-zero exit reports files engine-cli could not copy, and PhotoRec's status says nothing of what it found:
# the byte-exact counts below tell.
quellsy_seconds=$(wall_seconds 2 "rm -rf '$work/quellsy'; mkdir -p '$work/quellsy'" \
  "'$cli' complete '$image' --searchers raw --json --recover '$work/quellsy' > '$work/quellsy.json' 2>/dev/null || true")
photorec_seconds=$(wall_seconds 2 "rm -rf '$work/photorec' '$work/photorec.ses'; mkdir -p '$work/photorec'" \
  "cd '$work' && photorec /d '$work/photorec/out' /cmd '$image' partition_none,fileopt,everything,disable,jpg,enable,search > /dev/null 2>&1 || true")

placed=$(wc -l <"$image.manifest")
megabytes=$(mb "$(stat -c %s "$image")")
record "JPEG carving ($mib MiB, $placed pictures)" "complete scan, signature search" \
  "$(rate "$megabytes" "$quellsy_seconds")" MB/s "photorec (jpg)" "$(rate "$megabytes" "$photorec_seconds")" \
  "$(exact "$work/quellsy")/$placed exact" "$(exact "$work/photorec")/$placed exact"
