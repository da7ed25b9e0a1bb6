#!/usr/bin/env bash
# Runs every benchmark on its data and ends with one table: each figure, its peer's figure on the same data
# timed the same way, and their ratio (above 1: ours is faster), with what each side actually found or read.
# Images are made once in WORK_DIR and kept for the next run.
#
# usage: bench/run-benchmarks.sh [BUILD_DIR=build/release] [WORK_DIR=BUILD_DIR/bench-work]
# Sizes: QUELLSY_BENCH_QUICK_FILES ("10000 100000 400000": the quick scans' volumes, the largest of which take the
# better part of an hour to make the first time, through FUSE), QUELLSY_BENCH_COMPLETE_FILES (1000 a partition), QUELLSY_BENCH_PICTURES (300),
# QUELLSY_BENCH_CARVING_MIB (1024), QUELLSY_BENCH_BLOCK_MIB (512), QUELLSY_BENCH_COMPLETE_MIB (2048) and
# QUELLSY_BENCH_COMPLETE_FORMATS_FILES (1000) for the complete scan over every format, QUELLSY_BENCH_COPY_MIB (1024)
# for the copy-out, QUELLSY_BENCH_RECALL_MIB (2048) and QUELLSY_BENCH_RECALL_FILES (1000) for the signature
# recall per format against PhotoRec, QUELLSY_BENCH_GRID_ITEMS (10000) for the thumbnail grid,
# QUELLSY_BENCH_UI_FILES (100000) for the results window's table and tree, QUELLSY_BENCH_UI_SCAN_FILES (100000)
# for the FAT32 volume the results window scans quickly (the complete scan's image is the complete scan's),
# QUELLSY_BENCH_RUNS (3).
# The run's figures replace those of bench/baseline.tsv, against which each script prints the change
# (QUELLSY_BENCH_KEEP_BASELINE=1 leaves it as it is).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build/release}")
work=$(realpath -m "${2:-$build/bench-work}")
mkdir -p "$work"

export QUELLSY_BENCH_BUILD=$build QUELLSY_ENGINE_CLI=$build/tools/engine-cli/engine-cli
export QUELLSY_BENCH_RESULTS=$work/results.tsv
: >"$QUELLSY_BENCH_RESULTS"

echo "== block loop"
"$here/block_loop.sh" "$work/block-loop" "${QUELLSY_BENCH_BLOCK_MIB:-512}"
for fs in fat32 exfat ntfs hfsplus; do
  echo "== $fs quick scan"
  # shellcheck disable=SC2086
  "$here/quick_scan.sh" "$fs" "$work/quick" ${QUELLSY_BENCH_QUICK_FILES:-10000 100000 400000}
done
echo "== FAT complete scan"
"$here/fat_complete_scan.sh" "$work/fat-complete" "${QUELLSY_BENCH_COMPLETE_FILES:-1000}"
echo "== JPEG carving"
"$here/jpeg_carving.sh" "$work/jpeg-carving" "${QUELLSY_BENCH_PICTURES:-300}" "${QUELLSY_BENCH_CARVING_MIB:-1024}"
echo "== copy-out"
"$here/copy_out.sh" "$work/copy-out" "${QUELLSY_BENCH_COPY_MIB:-1024}"
echo "== complete scan"
"$here/complete_scan.sh" "$work/complete" "${QUELLSY_BENCH_COMPLETE_MIB:-2048}" \
  "${QUELLSY_BENCH_COMPLETE_FORMATS_FILES:-1000}"
echo "== signature recall"
"$here/signature_recall.sh" "$work/complete" "${QUELLSY_BENCH_RECALL_MIB:-2048}" "${QUELLSY_BENCH_RECALL_FILES:-1000}"
echo "== thumbnail grid"
"$here/ui_grid.sh" "$work/ui-grid" "${QUELLSY_BENCH_GRID_ITEMS:-10000}"
echo "== results window: file table and path tree"
"$here/ui_table.sh" "$work/ui-table" "${QUELLSY_BENCH_UI_FILES:-100000}"
echo "== results window during a scan"
"$here/ui_scan.sh" "$work" "${QUELLSY_BENCH_UI_SCAN_FILES:-100000}" "${QUELLSY_BENCH_COMPLETE_MIB:-2048}" \
  "${QUELLSY_BENCH_COMPLETE_FORMATS_FILES:-1000}"

if [ -z "${QUELLSY_BENCH_KEEP_BASELINE:-}" ]; then
  { echo "# benchmark, figure, value, unit, peer, peer value, found, peer found: the last run's (bench/run-benchmarks.sh)"
    cat "$QUELLSY_BENCH_RESULTS"; } >"$here/baseline.tsv"
fi

python3 - "$QUELLSY_BENCH_RESULTS" <<'PY'
import sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
header = ("benchmark", "figure", "value", "unit", "peer", "peer value", "ratio", "found (ours / peer)")
table = [header]
for bench, figure, value, unit, peer, peer_value, found, peer_found in rows:
    ratio = float(value) / float(peer_value) if float(peer_value) else float("inf")
    table.append((bench, figure, value, unit, peer, peer_value, f"{ratio:.2f}", f"{found} / {peer_found}"))
widths = [max(len(row[i]) for row in table) for i in range(len(header))]
right = {2, 5, 6}
print()
for n, row in enumerate(table):
    print("  ".join(cell.rjust(w) if i in right else cell.ljust(w) for i, (cell, w) in enumerate(zip(row, widths))).rstrip())
    if n == 0:
        print("  ".join("-" * w for w in widths))
PY
