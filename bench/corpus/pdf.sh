#!/usr/bin/env bash
# weight: 6
# One PDF for the complete-scan corpus, made with ghostscript from a page count, font size and texts
# picked by the seed, with Title, Author and Creator in its information dictionary; uncompressed
# pages for some seeds, so that sizes range from a few KiB to a few dozen. Every other one is then given keywords
# by exiftool, which appends them as an incremental update (a second body, cross-reference table and "%%EOF").
# The scan files a PDF under its author and names it after its title: the sidecar says so.
#
# usage: bench/corpus/pdf.sh OUT_FILE_STEM INDEX   (writes OUT_FILE_STEM.pdf)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need gs exiftool
scratch
pages=$((1 + index % 9))
size=$((8 + index % 7))
compress=$([ $((index % 3)) -eq 0 ] && echo false || echo true)
authors=("Jane Doe" "Max Muster" "Ana Silva" "Li Wei" "Ola Nordmann")
author=${authors[$((index % ${#authors[@]}))]}
# A title with a digit in it is not used as a name: the titles are words only.
titles=("Annual Report" "Meeting Notes" "Field Guide" "User Manual" "Project Plan" "Travel Journal" "Price List")
title=${titles[$((index % ${#titles[@]}))]}
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
  -c "[ /Title ($title) /Author ($author) /Creator (Writer) /CreationDate (D:20210304050607Z)
       /ModDate (D:20220102030405Z) /DOCINFO pdfmark" \
  -f "$work/pages.ps"
((turn % 2)) && exiftool -q -overwrite_original "-Keywords=seed $index" "$stem.pdf"
printf 'name=%s\nname=%s\n' "$author" "$title" >"$stem.meta"
