#!/usr/bin/env bash
# weight: 8
# MP3 encoded with lame (constant or variable bit rate by seed) from a few seconds of tones and noise, with ID3v2
# tags written by id3v2; the scan names the file "<artist>_<title>", as its sidecar says. Every fourth one is
# frames only, no tag: it opens with an MPEG-2 frame header (22.05 kHz).
# usage: bench/corpus/mp3.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.mp3)
set -euo pipefail
stem=$1 i=$2
wav=$(mktemp --suffix .wav)
trap 'rm -f "$wav"' EXIT
python3 - "$wav" "$i" <<'PY'
import math, random, struct, sys, wave
rng = random.Random(int(sys.argv[2]))
rate = 22050
count = rate * rng.randrange(2, 7)
tone = rng.uniform(200, 1200)
frames = bytearray()
for n in range(count):
    value = 0.6 * math.sin(2 * math.pi * tone * n / rate) + 0.1 * rng.uniform(-1, 1)
    frames += struct.pack("<h", int(value * 32767))
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(rate)
    out.writeframes(bytes(frames))
PY
if ((i % 2 == 0)); then mode=(-b $((64 + 32 * (i % 4)))); else mode=(-V $((i % 7))); fi
lame --quiet "${mode[@]}" "$wav" "$stem.mp3"
((i % 4 == 3)) && exit 0
id3v2 -a "Artist $i" -t "Track $i" -A "Album $((i % 9))" -y $((1990 + i % 30)) -T $((1 + i % 12)) "$stem.mp3"
echo "name=Artist ${i}_Track $i" >"$stem.meta"
