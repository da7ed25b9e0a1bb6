#!/usr/bin/env bash
# weight: 1
# One standard MIDI file written with mido from seed INDEX: one to four tracks of random notes, their number
# and lengths varying with the seed.
# usage: bench/corpus/midi.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.mid)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
# mido is Debian's python3-mido: the system interpreter, whatever python3 is first on the path.
/usr/bin/python3 -c 'import mido' 2>/dev/null || { echo "missing tool: python3-mido" >&2; exit 2; }
/usr/bin/python3 - "$stem.mid" "$index" <<'PY'
import random, sys
import mido

path, index = sys.argv[1], int(sys.argv[2])
rng = random.Random(index)
song = mido.MidiFile(type=1 if index % 4 else 0)
for channel in range(1 if song.type == 0 else 1 + index % 4):
    track = mido.MidiTrack()
    track.append(mido.MetaMessage("track_name", name=f"Part {channel} of seed {index}"))
    track.append(mido.Message("program_change", channel=channel, program=rng.randrange(128)))
    for _ in range(rng.randrange(20, 3000)):
        note = rng.randrange(36, 96)
        track.append(mido.Message("note_on", channel=channel, note=note, velocity=rng.randrange(40, 127), time=0))
        track.append(mido.Message("note_off", channel=channel, note=note, velocity=0, time=rng.randrange(30, 480)))
    song.tracks.append(track)
song.save(path)
PY
