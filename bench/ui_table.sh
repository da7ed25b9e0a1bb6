#!/usr/bin/env bash
# The results window's file table and path tree (ui_table_bench, offscreen, on the scripted backend; 100,000
# files unless FILES says otherwise): a folder of FILES files opened in the table until drawn, against the
# 200 ms it may take; each sort by a column header until drawn again, the slowest against 300 ms; the path
# tree's root expanded with FILES / 100 folders and scrolled to its end, against the 50 ms of a visible stall.
# Figures are recorded as rates so that higher is better, like every other row of the table.
#
# usage: bench/ui_table.sh [WORK_DIR] [FILES=100000]
# Needs the release build (build/release, or QUELLSY_BENCH_BUILD).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
files=${2:-100000}
build=${QUELLSY_BENCH_BUILD:-$bench_root/build/release}
bench=$build/bench/ui_table_bench
need python3 "$bench"
mkdir -p "$work"

QT_QPA_PLATFORM=offscreen "$bench" "$files" >"$work/ui_table.tsv"
value() { tsv_value "$work/ui_table.tsv" "$1"; }
echo "open $(value open_ms) ms ($(value listed) rows); sorts: name $(value sort_name_ms) ms, size" \
  "$(value sort_size_ms) ms, path $(value sort_path_ms) ms, created $(value sort_created_ms) ms; expanding" \
  "$(value folders) folders $(value expand_ms) ms, scrolling to their end $(value scroll_ms) ms"

record "UI table ($files files)" "opens per second" "$(per_second "$(value open_ms)")" "1/s" "the 200 ms limit" 5 \
  "$(value listed) rows" "-"
record "UI table ($files files)" "sorts per second (slowest column)" "$(per_second "$(value sort_worst_ms)")" "1/s" \
  "the 300 ms limit" 3.3 "$(value listed) rows" "-"
record "UI tree ($(value folders) folders)" "expansions per second" "$(per_second "$(value expand_ms)")" "1/s" \
  "the 50 ms limit" 20 "$(value folders) rows" "-"
