#!/usr/bin/env bash
# weight: 2
# Archives of a few files of text and random bytes (sizes by seed INDEX), in turn: a ZIP written by Info-ZIP to
# a file, the same written to a pipe (every member's sizes in a data descriptor), and a cabinet written by gcab,
# with or without MSZIP compression.
# usage: bench/corpus/archive.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.zip or OUT_FILE_STEM.cab)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need zip gcab python3
scratch
mkdir "$work/tree"
python3 - "$work/tree" "$index" <<'PY'
import os, random, sys
root, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
for n in range(rng.randrange(1, 9)):
    size = rng.randrange(1, 300000)
    data = rng.randbytes(size) if n % 2 else (b"sector cluster volume backup " * (size // 29 + 1))[:size]
    open(os.path.join(root, f"part-{n}.dat"), "wb").write(data)
PY
touch -d @1600000000 "$work/tree"/*
cd "$work/tree"
case $((turn % 4)) in
  0) zip -q -X -"$((index % 10))" "$stem.zip" ./* ;;
  1) zip -q -X - ./* >"$stem.zip" ;;
  2) gcab --create --nopath "$stem.cab" ./* ;;
  3) gcab --create --nopath --zip "$stem.cab" ./* ;;
esac
