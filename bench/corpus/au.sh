#!/usr/bin/env bash
# weight: 1
# AU: 16-bit linear samples behind the 24-byte header that states their length.
# usage: bench/corpus/au.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.au)
set -euo pipefail
python3 - "$1.au" "$2" <<'PY'
import random, struct, sys
rng = random.Random(int(sys.argv[2]))
data = rng.randbytes(2 * rng.randrange(20000, 200000))
open(sys.argv[1], "wb").write(b".snd" + struct.pack(">IIIII", 24, len(data), 3, 8000, 1) + data)
PY
