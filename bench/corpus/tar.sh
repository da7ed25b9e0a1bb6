#!/usr/bin/env bash
# weight: 1
# One ustar archive made with tar from seed INDEX: a folder, then a few text and binary files of sizes that
# vary with the seed (some empty), written to OUT_FILE_STEM.tar in 512-byte records, so that the archive ends
# with its two zero blocks (the end the scan finds) rather than with a 10 KiB record's padding.
# usage: bench/corpus/tar.sh OUT_FILE_STEM INDEX
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need tar python3
scratch
python3 - "$work/tree" "$index" <<'PY'
import os, random, sys
root, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
os.makedirs(os.path.join(root, "notes"))
for n in range(rng.randrange(1, 8)):
    size = 0 if rng.random() < 0.2 else rng.randrange(1, 200000)
    data = rng.randbytes(size) if n % 2 else (b"sector cluster volume " * (size // 22 + 1))[:size]
    open(os.path.join(root, "notes", f"file-{n}.dat"), "wb").write(data)
PY
tar --format=ustar --blocking-factor=1 --owner=0 --group=0 --mtime=2020-01-01 --sort=name -C "$work/tree" \
  -cf "$stem.tar" notes
