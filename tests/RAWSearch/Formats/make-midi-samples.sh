#!/bin/bash
# Standard MIDI files written with mido, into the folder given:
#   song.mid     type 1, three tracks of notes
#   single.mid   type 0, one track
set -euo pipefail
out=$1
/usr/bin/python3 -c 'import mido' 2>/dev/null || { echo "missing tool: python3-mido" >&2; exit 1; }
/usr/bin/python3 - "$out" <<'PY'
import os, sys
import mido

def song(kind, tracks, notes):
    midi = mido.MidiFile(type=kind)
    for channel in range(tracks):
        track = mido.MidiTrack()
        track.append(mido.MetaMessage("track_name", name=f"Part {channel}"))
        for step in range(notes):
            note = 40 + (step * 7 + channel * 5) % 48
            track.append(mido.Message("note_on", channel=channel, note=note, velocity=90, time=0))
            track.append(mido.Message("note_off", channel=channel, note=note, velocity=0, time=120 + step % 5))
        midi.tracks.append(track)
    return midi

song(1, 3, 150).save(os.path.join(sys.argv[1], "song.mid"))
song(0, 1, 77).save(os.path.join(sys.argv[1], "single.mid"))
PY
