#!/usr/bin/env bash
# weight: 8
# formats: 32
# Files of the formats no Debian tool writes and no public sample holds (camera raws, e-mail stores, StuffIt,
# RAR, disk images, e-books, ...), one format after another by seed INDEX, written by corpus-sample from the
# hand-built samples the format tests carve; the lengths of most vary with the seed. corpus-sample is built with
# the release preset (the benchmarks) and the dev preset (the tests); QUELLSY_CORPUS_SAMPLE names another.
# usage: bench/corpus/handmade.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<format>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
root=$(cd "$(dirname "$0")/../.." && pwd)
writer=${QUELLSY_CORPUS_SAMPLE:-}
if [ -z "$writer" ]; then
  for preset in release dev; do
    candidate=$root/build/$preset/tests/support/samples/corpus-sample
    [ -x "$candidate" ] && { writer=$candidate; break; }
  done
fi
[ -n "$writer" ] && [ -x "$writer" ] ||
  { echo "missing tool: corpus-sample (build the release or dev preset, or set QUELLSY_CORPUS_SAMPLE)" >&2; exit 2; }
mapfile -t formats < <("$writer" --list)
format=${formats[$((turn % ${#formats[@]}))]}
"$writer" "$format" "$index" "$stem.$format"
# A score, a WordPerfect graphic and a FreeHand document have no structural end the scan follows: it ends them in
# the zeros behind them, or where the next file begins.
case $format in
  sib | wpg | fh11) echo "end=prefix" >"$stem.meta" ;;
esac
