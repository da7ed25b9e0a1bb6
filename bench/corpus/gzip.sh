#!/usr/bin/env bash
# weight: 1
# One gzip file made with gzip from seed INDEX: text of a few kilobytes to a few hundred kilobytes, half
# of the files with incompressible bytes mixed in, and the original name stored in the header, written to
# OUT_FILE_STEM.gz.
#
# usage: bench/corpus/gzip.sh OUT_FILE_STEM INDEX
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need gzip python3
scratch
python3 - "$work/notes-$index.txt" "$index" <<'PY'
import random, sys

path, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
words = ['alpha', 'beta', 'gamma', 'delta', 'omega', 'sector', 'cluster', 'volume']
text = ' '.join(rng.choice(words) for _ in range(rng.randrange(500, 60000))).encode()
if index % 2:
    text += rng.randbytes(rng.randrange(1000, 200000))
open(path, 'wb').write(text)
PY
touch -d @1600000000 "$work/notes-$index.txt"
gzip -"$((1 + index % 9))" -c "$work/notes-$index.txt" > "$stem.gz"
