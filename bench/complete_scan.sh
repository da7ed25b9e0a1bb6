#!/usr/bin/env bash
# Complete-scan benchmark: an image of random data (2 GiB unless IMAGE_MIB says otherwise) holding about 600 files
# of the formats the signature search finds (JPEG with Exif camera tags made with ImageMagick and exiftool, BMP and
# ICO made with ImageMagick, AU written here, and the repository's CAB and ICNS samples), each at a sector-aligned
# offset, zeros from its end to the end of its last sector, random bytes between files, with a manifest.
# In one run, page cache warm, every command timed whole the same way (bench/lib.sh):
#   the complete scan with every searcher, the signature search alone and the block loop with no searcher, each
#   against `dd iflag=direct` and `cat` of the image; the complete scan with copy-out against PhotoRec with every
#   format enabled, with the byte-exact recall of both against the manifest. Peak memory (max RSS) of the complete
#   scan and the threads it ran are printed too.
#
# usage: bench/complete_scan.sh [WORK_DIR] [IMAGE_MIB=2048] [FILES=600]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), ImageMagick (/usr/bin/convert),
# exiftool, photorec (package testdisk), hyperfine and GNU time.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
mib=${2:-2048}
count=${3:-600}
samples=$bench_root/tests/fixtures/public/mimetype-testdata
need /usr/bin/convert /usr/bin/time exiftool photorec python3 hyperfine dd "$cli"
/usr/bin/convert -version | grep -q ImageMagick || { echo "/usr/bin/convert is not ImageMagick" >&2; exit 2; }
for sample in cab.cab icns.icns; do
  [ -s "$samples/$sample" ] || { echo "missing sample $samples/$sample" >&2; exit 2; }
done

files=$work/files
mkdir -p "$files"
cameras=("Canon|Canon EOS 5D" "NIKON CORPORATION|NIKON D90" "FUJIFILM|X-T2" "SONY|ILCE-7M3" "Apple|iPhone 8")
sizes=("640x480" "800x600" "1024x768" "480x640")
echo "making $count files in $files"
for ((i = 0; i < count; i++)); do
  size=${sizes[$((i % ${#sizes[@]}))]}
  case $((i % 10)) in
    0 | 1 | 2 | 3 | 4 | 5)  # JPEG with the camera's Exif tags
      file=$files/f$(printf %04d "$i").jpg
      [ -s "$file" ] && continue
      /usr/bin/convert -seed "$i" -size "$size" plasma:fractal -attenuate 0.4 +noise Gaussian \
        -quality $((80 + i % 11)) "$file"
      IFS='|' read -r make model <<<"${cameras[$((i % ${#cameras[@]}))]}"
      args=(-q -overwrite_original "-Make=$make" "-Model=$model"
            "-DateTimeOriginal=2021:03:$(printf %02d $((1 + i % 28))) 09:10:11")
      ((i % 2 == 0)) && args+=("-JFIF:all=")
      exiftool "${args[@]}" "$file" ;;
    6)
      file=$files/f$(printf %04d "$i").bmp
      [ -s "$file" ] || /usr/bin/convert -seed "$i" -size "$((64 + i % 200))x$((48 + i % 150))" plasma:fractal "BMP3:$file" ;;
    7)
      file=$files/f$(printf %04d "$i").ico
      [ -s "$file" ] || /usr/bin/convert -seed "$i" -size 48x48 plasma:fractal -define icon:auto-resize=48,32,16 "$file" ;;
    8)  # AU: 16-bit linear samples behind the 24-byte header that states their length
      file=$files/f$(printf %04d "$i").au
      [ -s "$file" ] || python3 - "$file" "$i" <<'PY'
import random, struct, sys
rng = random.Random(int(sys.argv[2]))
data = rng.randbytes(2 * rng.randrange(20000, 200000))
open(sys.argv[1], "wb").write(b".snd" + struct.pack(">IIIII", 24, len(data), 3, 8000, 1) + data)
PY
      ;;
    9)  # the CAB and ICNS samples, alternately
      if ((i % 20 == 9)); then cp -n "$samples/cab.cab" "$files/f$(printf %04d "$i").cab"
      else cp -n "$samples/icns.icns" "$files/f$(printf %04d "$i").icns"; fi ;;
  esac
done

image=$work/complete-${mib}m.img
if [ ! -s "$image.manifest" ] || [ "$(stat -c %s "$image" 2>/dev/null || echo 0)" -ne $((mib << 20)) ]; then
  echo "assembling $image ($mib MiB)"
  python3 - "$files" "$image" "$mib" <<'PY'
import hashlib, os, random, sys
files, image, mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
sector = 512
total = mib * 1024 * 1024 // sector
rng = random.Random(22)
names = sorted(os.listdir(files))
slot_sectors = total // len(names)
manifest = []
with open(image, "wb") as out:
    for _ in range(mib // 4):
        out.write(rng.randbytes(4 << 20))
    for slot, name in enumerate(names):
        data = open(os.path.join(files, name), "rb").read()
        spare = slot_sectors - (len(data) + sector - 1) // sector
        if spare <= 0:
            continue
        start = slot * slot_sectors + rng.randrange(0, spare)
        out.seek(start * sector)
        out.write(data + bytes((-len(data)) % sector))
        manifest.append((name, len(data), hashlib.sha256(data).hexdigest(), start))
with open(image + ".manifest", "w") as m:
    for name, size, digest, start in manifest:
        m.write(f"{name}\t{size}\t{digest}\tfalse\t{start}\n")
print(f"{len(manifest)} files placed")
PY
fi

exact() {  # distinct files of the manifest found byte for byte among the files under $1
  find "$1" -type f -print0 | xargs -0 -r sha256sum | awk '{print $1}' | sort -u >"$work/found.sha"
  cut -f3 "$image.manifest" | sort -u | comm -12 - "$work/found.sha" | wc -l
}

runs=${QUELLSY_BENCH_RUNS:-3}
scan() { echo "'$cli' complete '$image' --searchers $1 --json > /dev/null"; }
dd_seconds=$(wall_seconds "$runs" "" "dd if='$image' of=/dev/null bs=4M iflag=direct status=none")
cat_seconds=$(wall_seconds "$runs" "" "cat '$image' > /dev/null")
all_seconds=$(wall_seconds "$runs" "" "$(scan hfs,exfat,fat,raw,ntfs,apfs)")
raw_seconds=$(wall_seconds "$runs" "" "$(scan raw)")
none_seconds=$(wall_seconds "$runs" "" "$(scan none)")
# A non-zero exit reports files engine-cli could not copy, and PhotoRec's status says nothing of what it found:
# the byte-exact counts below tell.
copy_seconds=$(wall_seconds "$runs" "rm -rf '$work/quellsy'" \
  "'$cli' complete '$image' --json --recover '$work/quellsy' > '$work/quellsy.json' 2>/dev/null || true")
photorec_seconds=$(wall_seconds "$runs" "rm -rf '$work/photorec' '$work/photorec.ses'; mkdir -p '$work/photorec'" \
  "cd '$work' && photorec /d '$work/photorec/out' /cmd '$image' partition_none,options,paranoid,keep_corrupted_file_no,fileopt,everything,enable,search > /dev/null 2>&1 || true")

placed=$(wc -l <"$image.manifest")
distinct=$(cut -f3 "$image.manifest" | sort -u | wc -l)
megabytes=$(mb "$(stat -c %s "$image")")
name="complete scan ($mib MiB, $placed files, $distinct distinct)"
read_mb=$megabytes/$megabytes
record "$name" "every searcher" "$(rate "$megabytes" "$all_seconds")" MB/s "dd iflag=direct" \
  "$(rate "$megabytes" "$dd_seconds")" "$read_mb MB read" "$read_mb MB read"
record "$name" "every searcher" "$(rate "$megabytes" "$all_seconds")" MB/s "cat (page cache)" \
  "$(rate "$megabytes" "$cat_seconds")" "$read_mb MB read" "$read_mb MB read"
record "$name" "signature search alone" "$(rate "$megabytes" "$raw_seconds")" MB/s "dd iflag=direct" \
  "$(rate "$megabytes" "$dd_seconds")" "$read_mb MB read" "$read_mb MB read"
record "$name" "block loop, no searcher" "$(rate "$megabytes" "$none_seconds")" MB/s "dd iflag=direct" \
  "$(rate "$megabytes" "$dd_seconds")" "$read_mb MB read" "$read_mb MB read"
record "$name" "every searcher, copy-out" "$(rate "$megabytes" "$copy_seconds")" MB/s "photorec (everything)" \
  "$(rate "$megabytes" "$photorec_seconds")" "$(exact "$work/quellsy")/$distinct exact" \
  "$(exact "$work/photorec")/$distinct exact"

# Peak memory and threads of one complete scan with every searcher.
/usr/bin/time -v -o "$work/time.txt" "$cli" complete "$image" --searchers hfs,exfat,fat,raw,ntfs,apfs --json \
  >/dev/null &
timed=$!
threads=0
while kill -0 "$timed" 2>/dev/null; do
  for child in $(cat "/proc/$timed/task/$timed/children" 2>/dev/null); do
    # The scan may end between the two looks: a task folder that is gone counts no thread.
    now=$({ ls "/proc/$child/task" 2>/dev/null || true; } | wc -l)
    ((now > threads)) && threads=$now
  done
  sleep 0.1
done
wait "$timed"
echo "complete scan, every searcher: max RSS $(awk -F': ' '/Maximum resident/ {print $2}' "$work/time.txt") KiB," \
  "at most $threads threads seen, $(nproc) cores"
