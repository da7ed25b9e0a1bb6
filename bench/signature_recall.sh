#!/usr/bin/env bash
# Signature-search recall per format, ours against PhotoRec's on the same images: a corpus of FILES files made by
# every maker in bench/corpus/ (taking turns by weight), placed by bench/corpus/assemble.py in an image of
# IMAGE_MIB MiB between random and zero gaps, in three variants: 512-byte sectors, 4096-byte sectors, and
# 512-byte sectors with every file over QUELLSY_RECALL_FRAGMENT_OVER sectors (16) split in two fragments; each
# variant with zero slack (zeros from a file's end to the end of its last sector) and with random slack (random
# bytes there and in the whole gap behind the file, as on a reused disk). Each image is scanned by engine-cli's
# complete scan with --recover and by PhotoRec with every format enabled, and bench/corpus/recall.py prints per
# format found / exact / named for both (exact: byte for byte where the format's end is structural, the placed
# bytes as a prefix otherwise; named: the maker's expected name in the copy's path) and the bytes each wrote.
# QUELLSY_BENCH_MAKERS="jpeg png ..." limits the makers, QUELLSY_RECALL_VARIANTS="512 4096 fragmented" the images,
# QUELLSY_RECALL_SLACK="zero random" the slack modes.
#
# usage: bench/signature_recall.sh [WORK_DIR] [IMAGE_MIB=2048] [FILES=1000]
# Needs the release build of engine-cli (build/release, or QUELLSY_ENGINE_CLI), photorec (package testdisk) and
# the tools of the makers.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
mib=${2:-2048}
count=${3:-1000}
need photorec python3 "$cli"
mkdir -p "$work"
work=$(realpath "$work")

corpus=$( (echo "${QUELLSY_BENCH_MAKERS:-all}"; cat "$bench_root"/bench/corpus/*.sh "$bench_root"/bench/corpus/maker.bash) | md5sum | cut -c1-8)
files=$work/files-$corpus
for slack in ${QUELLSY_RECALL_SLACK:-zero random}; do
  case $slack in
    zero | random) ;;
    *) echo "unknown slack mode: $slack (zero or random)" >&2; exit 2 ;;
  esac
  for variant in ${QUELLSY_RECALL_VARIANTS:-512 4096 fragmented}; do
    case $variant in
      512) layout=(--sector 512) sector_size=512 ;;
      4096) layout=(--sector 4096) sector_size=4096 ;;
      fragmented) layout=(--sector 512 --fragment-over "${QUELLSY_RECALL_FRAGMENT_OVER:-16}") sector_size=512 ;;
      *) echo "unknown variant: $variant (512, 4096 or fragmented)" >&2; exit 2 ;;
    esac
    image=$work/recall-$variant-$slack-${mib}m-$count-$corpus.img
    if [ ! -s "$image.manifest" ] || [ "$(stat -c %s "$image" 2>/dev/null || echo 0)" -ne $((mib << 20)) ]; then
      echo "assembling $image"
      python3 "$bench_root/bench/corpus/assemble.py" "$image" --files "$files" --count "$count" \
        --makers "${QUELLSY_BENCH_MAKERS:-}" --mib "$mib" "${layout[@]}" --slack "$slack" ||
        { rm -f "$image.manifest"; exit 2; }
    fi

    run=$variant-$slack
    ours=$work/quellsy-$run
    theirs=$work/photorec-$run
    rm -rf "$ours" "$theirs" "$work/photorec.ses"
    mkdir -p "$ours" "$theirs"
    # A non-zero exit reports files that could not be copied; the scores below tell what was.
    "$cli" complete "$image" --sector-size "$sector_size" --json --recover "$ours" >"$work/quellsy-$run.json" \
      2>"$work/quellsy-$run.log" || true
    (cd "$work" && photorec /d "$theirs/out" /cmd "$image" \
      partition_none,options,paranoid,keep_corrupted_file_no,fileopt,everything,enable,search >/dev/null 2>&1) || true

    echo
    python3 "$bench_root/bench/corpus/recall.py" "$image" "$ours" --label ours --peer "photorec=$theirs" \
      --title "== signature recall, $variant, $slack slack ($mib MiB, $(grep -vc '^#' "$image.manifest") files placed)"
    exact=$(python3 "$bench_root/bench/corpus/recall.py" "$image" "$ours" --summary)
    peer_exact=$(python3 "$bench_root/bench/corpus/recall.py" "$image" "$theirs" --summary)
    record "signature recall ($variant, $slack slack, $mib MiB)" "files recovered exact" "${exact%/*}" files \
      "photorec (everything)" "${peer_exact%/*}" "$exact exact" "$peer_exact exact"
  done
done
