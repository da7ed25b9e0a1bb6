#!/usr/bin/env bash
# weight: 2
# Vector drawings converted by fig2dev from a figure of lines, ellipses and texts drawn by seed INDEX, in turn:
# an enhanced metafile (.emf), an SVG picture (redrawn by rsvg-convert, as cairo writes it), a text EPS, a DOS
# EPS with a TIFF preview added by epstool, and a DXF drawing written by ezdxf with CR LF line ends, as Windows
# programs save it.
# usage: bench/corpus/drawing.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.<ext>)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need fig2dev epstool gs rsvg-convert
scratch
if ((turn % 5 == 4)); then
  # ezdxf is Debian's python3-ezdxf: the system interpreter, whatever python3 is first on the path.
  /usr/bin/python3 -c 'import ezdxf' 2>/dev/null || { echo "missing tool: python3-ezdxf" >&2; exit 2; }
  /usr/bin/python3 - "$work/drawing.dxf" "$index" <<'PY'
import random, sys
import ezdxf

path, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
doc = ezdxf.new()
space = doc.modelspace()
for n in range(rng.randrange(5, 400)):
    space.add_line((rng.uniform(0, 100), rng.uniform(0, 100)), (rng.uniform(0, 100), rng.uniform(0, 100)))
    if n % 7 == 0:
        space.add_circle((rng.uniform(0, 100), rng.uniform(0, 100)), rng.uniform(1, 20))
        space.add_text(f"Part {n} of seed {index}").set_placement((rng.uniform(0, 100), rng.uniform(0, 100)))
doc.saveas(path)
PY
  sed 's/$/\r/' "$work/drawing.dxf" >"$stem.dxf"
  exit 0
fi
python3 - "$work/drawing.fig" "$index" <<'PY'
import random, sys
path, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
lines = ["#FIG 3.2", "Landscape", "Center", "Metric", "A4", "100.00", "Single", "-2", "1200 2"]
for n in range(rng.randrange(3, 300)):
    kind = n % 3
    x, y = rng.randrange(0, 9000), rng.randrange(0, 6000)
    colour = rng.randrange(0, 8)
    if kind == 0:
        points = [(x + rng.randrange(-900, 900), y + rng.randrange(-900, 900)) for _ in range(rng.randrange(2, 6))]
        lines.append(f"2 1 0 {1 + n % 3} {colour} 7 50 -1 -1 0.000 0 0 -1 0 0 {len(points)}")
        lines.append("\t " + " ".join(f"{px} {py}" for px, py in points))
    elif kind == 1:
        rx, ry = rng.randrange(50, 900), rng.randrange(50, 900)
        lines.append(f"1 1 0 1 {colour} 7 50 -1 -1 0.000 1 0.0000 {x} {y} {rx} {ry} {x} {y} {x + rx} {y}")
    else:
        lines.append(f"4 0 {colour} 50 -1 0 12 0.0000 4 135 540 {x} {y} Seed {index} item {n}\\001")
open(path, "w").write("\n".join(lines) + "\n")
PY
case $((turn % 5)) in
  0) fig2dev -L emf "$work/drawing.fig" "$stem.emf" ;;
  1)
    fig2dev -L svg "$work/drawing.fig" "$work/drawing.svg"
    rsvg-convert -f svg -o "$stem.svg" "$work/drawing.svg" ;;
  2) fig2dev -L eps "$work/drawing.fig" "$stem.eps" ;;
  3)
    fig2dev -L eps "$work/drawing.fig" "$work/drawing.eps"
    epstool --quiet --add-tiff-preview --device tiffg3 "$work/drawing.eps" "$stem.eps" >/dev/null ;;
esac
