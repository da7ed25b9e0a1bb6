#!/usr/bin/env bash
# weight: 4
# One PDF for the complete-scan corpus, made with ghostscript from a page count, font size and texts
# picked by the seed, with Title, Author and Creator in its information dictionary; uncompressed
# pages for some seeds, so that sizes range from a few KiB to a few dozen.
#
# usage: bench/corpus/pdf.sh OUT_FILE_STEM INDEX   (writes OUT_FILE_STEM.pdf)
set -euo pipefail
stem=$1
index=$2
command -v gs >/dev/null || { echo "missing tool: gs" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pages=$((1 + index % 9))
size=$((8 + index % 7))
compress=$([ $((index % 3)) -eq 0 ] && echo false || echo true)
authors=("Jane Doe" "Max Muster" "Ana Silva" "Li Wei" "Ola Nordmann")
cat >"$work/pages.ps" <<PS
%!PS
/Helvetica findfont $size scalefont setfont
1 1 $pages { /p exch def
  1 1 50 { /l exch def 40 800 l 14 mul sub moveto
    (Seed $index line ) show l 20 string cvs show ( page ) show p 20 string cvs show
    ( the quick brown fox jumps over the lazy dog) show } for
  showpage } for
PS
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dCompressPages="$compress" -sOutputFile="$stem.pdf" \
  -c "[ /Title (Corpus Document) /Author (${authors[$((index % ${#authors[@]}))]}) /Creator (Writer) /DOCINFO pdfmark" \
  -f "$work/pages.ps"
