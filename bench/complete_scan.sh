#!/usr/bin/env bash
# Complete-scan benchmark: an image of random data (2 GiB unless IMAGE_MIB says otherwise) holding about 1,000 files
# made by the maker scripts in bench/corpus/ (one per format family: `bench/corpus/<family>.sh OUT_FILE_STEM INDEX`
# writes OUT_FILE_STEM.<ext> from seed INDEX with real tools; its first comment line `# weight: N` says how
# many of every 100 files it makes), placed by bench/corpus/assemble.py each at a sector-aligned offset, zeros from
# its end to the end of its last sector, random bytes between files, with a manifest. QUELLSY_BENCH_MAKERS="jpeg
# bmp ..." limits the makers used.
# In one run, every command timed whole the same way (bench/lib.sh):
#   the complete scan with every searcher against `cat` of the same warm image, both pinned to two cores and
#   interleaved, in wall time and in processor time; the same scan against `dd iflag=direct` with the image's
#   cached pages dropped before each run of either; the signature search alone and the block loop with no
#   searcher against `dd iflag=direct`; the complete scan with copy-out against PhotoRec with every format
#   enabled, with the byte-exact recall of both against the manifest. Peak memory (max RSS) of the complete
#   scan and the threads it ran are printed too.
#
# usage: bench/complete_scan.sh [WORK_DIR] [IMAGE_MIB=2048] [FILES=1000]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), photorec (package testdisk),
# hyperfine, GNU time and the tools of the makers (ImageMagick as /usr/bin/convert, exiftool, lame, id3v2).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
mib=${2:-2048}
count=${3:-1000}
need /usr/bin/convert /usr/bin/time exiftool lame id3v2 photorec python3 hyperfine dd "$cli"
/usr/bin/convert -version | grep -q ImageMagick || { echo "/usr/bin/convert is not ImageMagick" >&2; exit 2; }

image=$(complete_image "$work" "$mib" "$count")

exact() {  # distinct files of the manifest found as their end kind asks among the files under $1
  python3 "$bench_root/bench/corpus/recall.py" "$image" "$1" --summary | cut -d/ -f1
}

runs=${QUELLSY_BENCH_RUNS:-3}
scan() { echo "'$cli' complete '$image' --searchers $1 --json > /dev/null"; }
every=hfs,exfat,fat,raw,ntfs,apfs
# Warm: the scan with every searcher against cat of the same image from the page cache, both pinned to two cores,
# interleaved; their processor time (user + system) is compared too.
warm=$(QUELLSY_BENCH_CPUS=0,1 QUELLSY_BENCH_RUNS=$runs pairs \
  "scan='$cli' complete '$image' --searchers $every --json > '$work/every.json'" "cat=cat '$image' > /dev/null")
# Cold: the scan and dd iflag=direct (which passes the page cache by), the image's cached pages dropped before
# each run of either.
cold=$(QUELLSY_BENCH_CPUS='' QUELLSY_BENCH_RUNS=$runs pairs --prepare "dd if='$image' iflag=nocache count=0 status=none" \
  "scan=$(scan $every)" "dd=dd if='$image' of=/dev/null bs=4M iflag=direct status=none")
dd_seconds=$(field "$cold" dd wall)
raw_seconds=$(wall_seconds "$runs" "" "$(scan raw)")
none_seconds=$(wall_seconds "$runs" "" "$(scan none)")
# A non-zero exit reports files engine-cli could not copy, and PhotoRec's status says nothing of what it found:
# the byte-exact counts below tell.
copy_seconds=$(wall_seconds "$runs" "rm -rf '$work/quellsy'; mkdir -p '$work/quellsy'" \
  "'$cli' complete '$image' --json --recover '$work/quellsy' > '$work/quellsy.json' 2>/dev/null || true")
photorec_seconds=$(wall_seconds "$runs" "rm -rf '$work/photorec' '$work/photorec.ses'; mkdir -p '$work/photorec'" \
  "cd '$work' && photorec /d '$work/photorec/out' /cmd '$image' partition_none,options,paranoid,keep_corrupted_file_no,fileopt,everything,enable,search > /dev/null 2>&1 || true")

placed=$(grep -vc '^#' "$image.manifest")
distinct=$(grep -v '^#' "$image.manifest" | cut -f3 | sort -u | wc -l)
megabytes=$(mb "$(stat -c %s "$image")")
name="complete scan ($mib MiB, $placed files, $distinct distinct)"
read_mb=$megabytes/$megabytes
listed="$(tail -n 1 "$work/every.json" | python3 -c 'import json, sys; print(json.load(sys.stdin)["files"])') files"
record "$name" "every searcher, cold cache" "$(rate "$megabytes" "$(field "$cold" scan wall)")" MB/s \
  "dd iflag=direct" "$(rate "$megabytes" "$dd_seconds")" "$listed" "$read_mb MB read"
record "$name" "every searcher, two cores" "$(rate "$megabytes" "$(field "$warm" scan wall)")" MB/s \
  "cat (page cache, two cores)" "$(rate "$megabytes" "$(field "$warm" cat wall)")" "$listed" "$read_mb MB read"
record "$name" "every searcher, per processor second" "$(rate "$megabytes" "$(field "$warm" scan cpu)")" MB/s \
  "cat (page cache)" "$(rate "$megabytes" "$(field "$warm" cat cpu)")" "$listed" "$read_mb MB read"
echo "every searcher: $(field "$warm" scan cpu) s of processor time and $(field "$warm" scan wall) s on two cores," \
  "cat $(field "$warm" cat cpu) s and $(field "$warm" cat wall) s; load $(field "$warm" load)"
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
huge=0
while kill -0 "$timed" 2>/dev/null; do
  for child in $(cat "/proc/$timed/task/$timed/children" 2>/dev/null); do
    # The scan may end between the two looks: a task folder that is gone counts no thread.
    now=$({ ls "/proc/$child/task" 2>/dev/null || true; } | wc -l)
    ((now > threads)) && threads=$now
    # The read buffers' memory on transparent huge pages, as the kernel counts it.
    now=$({ awk '/^AnonHugePages:/ {print $2}' "/proc/$child/smaps_rollup" 2>/dev/null || true; } | head -n 1)
    ((${now:-0} > huge)) && huge=$now
  done
  sleep 0.1
done
wait "$timed"
echo "complete scan, every searcher: max RSS $(awk -F': ' '/Maximum resident/ {print $2}' "$work/time.txt") KiB," \
  "at most $threads threads seen, $(nproc) cores, at most $huge KiB on huge pages (AnonHugePages)"
