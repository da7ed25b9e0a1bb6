#!/usr/bin/env bash
# Complete-scan benchmark: an image of random data (2 GiB unless IMAGE_MIB says otherwise) holding about 600 files
# made by the maker scripts in bench/corpus/ (one per format family: `bench/corpus/<family>.sh OUT_FILE_STEM INDEX`
# writes OUT_FILE_STEM.<ext> from seed INDEX with real tools; its first comment line `# weight: N` says how
# many of every 100 files it makes), each at a sector-aligned offset, zeros from its end to the end of its last
# sector, random bytes between files, with a manifest. QUELLSY_BENCH_MAKERS="jpeg bmp ..." limits the makers used.
# In one run, page cache warm, every command timed whole the same way (bench/lib.sh):
#   the complete scan with every searcher, the signature search alone and the block loop with no searcher, each
#   against `dd iflag=direct` and `cat` of the image; the complete scan with copy-out against PhotoRec with every
#   format enabled, with the byte-exact recall of both against the manifest. Peak memory (max RSS) of the complete
#   scan and the threads it ran are printed too.
#
# usage: bench/complete_scan.sh [WORK_DIR] [IMAGE_MIB=2048] [FILES=600]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), photorec (package testdisk),
# hyperfine, GNU time and the tools of the makers (ImageMagick as /usr/bin/convert, exiftool, lame, id3v2).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
mib=${2:-2048}
count=${3:-600}
need /usr/bin/convert /usr/bin/time exiftool lame id3v2 photorec python3 hyperfine dd "$cli"
/usr/bin/convert -version | grep -q ImageMagick || { echo "/usr/bin/convert is not ImageMagick" >&2; exit 2; }

# The corpus: every maker in bench/corpus/ (or those QUELLSY_BENCH_MAKERS names) takes turns by its weight, in a
# smooth weighted round robin over the makers sorted by name, so the same makers always give the same files.
makers=()
for maker in "$bench_root"/bench/corpus/*.sh; do
  family=$(basename "$maker" .sh)
  [ -z "${QUELLSY_BENCH_MAKERS:-}" ] || [[ " $QUELLSY_BENCH_MAKERS " == *" $family "* ]] || continue
  weight=$(sed -n '1,5{s/^# weight: *\([0-9][0-9]*\) *$/\1/p}' "$maker" | head -n 1)
  [ -n "$weight" ] || { echo "$maker: no '# weight: N' line at its head" >&2; exit 2; }
  makers+=("$family:$weight")
done
((${#makers[@]} > 0)) || { echo "no corpus maker selected" >&2; exit 2; }
files=$work/files
mkdir -p "$files"
python3 - "$count" "${makers[@]}" >"$work/corpus.list" <<'PY'
import sys
count, makers = int(sys.argv[1]), [(m.rsplit(":", 1)[0], int(m.rsplit(":", 1)[1])) for m in sys.argv[2:]]
total = sum(weight for _, weight in makers)
current = [0] * len(makers)
for index in range(count):
    current = [c + weight for c, (_, weight) in zip(current, makers)]
    best = max(range(len(makers)), key=lambda k: current[k])
    current[best] -= total
    print(f"{makers[best][0]}\tf{index:04d}-{makers[best][0]}")
PY
echo "making $count files in $files from: ${makers[*]}"
index=0
while IFS=$'\t' read -r family stem; do
  if ! compgen -G "$files/$stem.*" >/dev/null; then
    bash "$bench_root/bench/corpus/$family.sh" "$files/$stem" "$index" ||
      { echo "$family.sh failed on seed $index" >&2; exit 2; }
  fi
  index=$((index + 1))
done <"$work/corpus.list"

image=$work/complete-${mib}m-$(cut -f2 "$work/corpus.list" | md5sum | cut -c1-8).img
if [ ! -s "$image.manifest" ] || [ "$(stat -c %s "$image" 2>/dev/null || echo 0)" -ne $((mib << 20)) ]; then
  echo "assembling $image ($mib MiB)"
  python3 - "$files" "$image" "$mib" "$work/corpus.list" <<'PY'
import hashlib, os, random, sys
files, image, mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
stems = {line.split("\t")[1].strip() for line in open(sys.argv[4])}
sector = 512
total = mib * 1024 * 1024 // sector
rng = random.Random(22)
names = sorted(name for name in os.listdir(files) if name.rsplit(".", 1)[0] in stems)
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
copy_seconds=$(wall_seconds "$runs" "rm -rf '$work/quellsy'; mkdir -p '$work/quellsy'" \
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
