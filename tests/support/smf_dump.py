#!/usr/bin/python3
"""Reads a Standard MIDI File with mido and prints it one line per event, for the tests:
   header <type> <ticks per beat> <tracks>
   track <name>
   <seconds from the file's start> <event> <channel> <data...>
where event is note_on (a Note On with velocity 0 counts as note_off), note_off, control_change,
program_change or pitchwheel (data: 0..16383). Times use the file's own tempo map."""
import sys

import mido

midi = mido.MidiFile(sys.argv[1])
print("header", midi.type, midi.ticks_per_beat, len(midi.tracks))
tempo = 500000
for track in midi.tracks:
    name = next((m.name for m in track if m.type == "track_name"), "")
    print("track", name)
    ticks = 0
    for m in track:
        ticks += m.time
        if m.type == "set_tempo":
            tempo = m.tempo
        seconds = mido.tick2second(ticks, midi.ticks_per_beat, tempo)
        if m.type == "note_on" and m.velocity == 0:
            print(f"{seconds:.6f} note_off {m.channel} {m.note} 0")
        elif m.type in ("note_on", "note_off"):
            print(f"{seconds:.6f} {m.type} {m.channel} {m.note} {m.velocity}")
        elif m.type == "control_change":
            print(f"{seconds:.6f} control_change {m.channel} {m.control} {m.value}")
        elif m.type == "program_change":
            print(f"{seconds:.6f} program_change {m.channel} {m.program}")
        elif m.type == "pitchwheel":
            print(f"{seconds:.6f} pitchwheel {m.channel} {m.pitch + 8192}")
