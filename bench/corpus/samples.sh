#!/usr/bin/env bash
# weight: 3
# formats: 13
# Public sample files of the formats no Debian tool writes (tests/fixtures/public/mimetype-testdata, MIT
# licence there), one after another by seed: AutoCAD drawings of two versions, Monkey's Audio, Access databases
# of both kinds, Word, Excel, PowerPoint and Publisher compound files, a xar archive, a GPS track, an
# audiobook and an icon family. These do not vary with the seed: copies of one file count once.
# usage: bench/corpus/samples.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<ext>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
samples=$(cd "$(dirname "$0")/../.." && pwd)/tests/fixtures/public/mimetype-testdata
files=(dwg.dwg dwg.1.dwg ape.ape mdb.mdb accdb.accdb doc.doc xls.xls ppt.ppt pub.pub xar.xar gpx.gpx audio.mp4
       icns.icns)
file=${files[$((turn % ${#files[@]}))]}
[ -f "$samples/$file" ] || { echo "missing sample: $samples/$file" >&2; exit 2; }
cp "$samples/$file" "$stem.${file##*.}"
# Access databases end where their pages give way to empty ones: no structural end. The Office files carry
# the author the scan names them after.
case $file in
  mdb.mdb | accdb.accdb) echo "end=prefix" >"$stem.meta" ;;
  xls.xls | ppt.ppt) echo "name=Microsoft Office User" >"$stem.meta" ;;
  pub.pub) echo "name=Rupesh.S" >"$stem.meta" ;;
esac
