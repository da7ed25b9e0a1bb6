#!/usr/bin/env bash
# The thumbnail grid alone (ui_grid_bench, offscreen, on the scripted backend's files; 10,000 unless ITEMS says
# otherwise): the first screen until every visible tile shows its picture, against the 1 s it may take; the
# longest scroll step while the view is dragged through the whole listing, against the 50 ms that would be a
# visible stall; the tiles ever made, against the tiles one screen needs (the rest of memory is a fixed cache).
# Figures are recorded as rates so that higher is better, like every other row of the table.
#
# usage: bench/ui_grid.sh [WORK_DIR] [ITEMS=10000]
# Needs the release build (build/release, or QUELLSY_BENCH_BUILD).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
items=${2:-10000}
build=${QUELLSY_BENCH_BUILD:-$bench_root/build/release}
bench=$build/bench/ui_grid_bench
need python3 "$bench"
mkdir -p "$work"

QT_QPA_PLATFORM=offscreen "$bench" "$items" >"$work/ui_grid.tsv"
value() { tsv_value "$work/ui_grid.tsv" "$1"; }
first=$(value first_screen_ms)
worst=$(value worst_step_ms)
made=$(value tiles_made)
visible=$(value tiles_visible)
echo "first screen ${first} ms; scroll steps: worst ${worst} ms, median $(value median_step_ms) ms, 99th" \
  "percentile $(value p99_step_ms) ms over $(value steps) steps (the grid's own layout: median" \
  "$(value median_layout_ms) ms, the rest is painting); ${made} tiles made for ${visible} visible; resident" \
  "memory grew $(value rss_growth_mb) MB"

record "UI grid ($items tiles)" "first screens per second" "$(per_second "$first")" "1/s" "the 1 s limit" 1 \
  "$items items" "-"
record "UI grid ($items tiles)" "scroll steps per second (worst)" "$(per_second "$worst")" "1/s" "the 50 ms limit" 20 \
  "$(value steps) steps" "-"
record "UI grid ($items tiles)" "visible tiles per tile made" "$(python3 -c "print(f'{$visible / $made:.2f}')")" \
  "ratio" "one screen of tiles" 1 "$made tiles" "$visible tiles"
