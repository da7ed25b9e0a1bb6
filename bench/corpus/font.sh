#!/usr/bin/env bash
# weight: 1
# One TrueType font built with fontTools from seed INDEX: a family name and a set of square glyphs whose number
# and outlines vary with the seed.
# usage: bench/corpus/font.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.ttf)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
# fontTools is Debian's python3-fonttools: the system interpreter, whatever python3 is first on the path.
/usr/bin/python3 -c 'import fontTools' 2>/dev/null || { echo "missing tool: python3-fonttools" >&2; exit 2; }
/usr/bin/python3 - "$stem.ttf" "$index" <<'PY'
import random, sys
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

path, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
letters = [chr(c) for c in range(0x41, 0x41 + 4 + index % 52) if chr(c).isalpha()]
names = [".notdef", "space"] + letters
fb = FontBuilder(1000, isTTF=True)
# Fixed times, so that one seed always gives the same bytes.
fb.font.recalcTimestamp = False
fb.setupGlyphOrder(names)
fb.setupCharacterMap({0x20: "space", **{ord(c): c for c in letters}})
glyphs = {}
for name in names:
    pen = TTGlyphPen(None)
    if name != "space":
        for _ in range(1 + rng.randrange(4)):
            x, y, w = rng.randrange(0, 500), rng.randrange(0, 500), rng.randrange(50, 400)
            pen.moveTo((x, y)); pen.lineTo((x, y + w)); pen.lineTo((x + w, y + w)); pen.lineTo((x + w, y))
            pen.closePath()
    glyphs[name] = pen.glyph()
fb.setupGlyf(glyphs)
fb.setupHorizontalMetrics({name: (600, 0) for name in names})
fb.setupHorizontalHeader(ascent=800, descent=-200)
fb.setupNameTable({"familyName": f"Corpus Sans {index}", "styleName": "Regular"})
fb.setupOS2()
fb.setupPost()
fb.font["head"].created = fb.font["head"].modified = 3600000000
fb.save(path)
PY
