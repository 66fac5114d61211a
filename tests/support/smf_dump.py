#!/usr/bin/python3
"""Prints a Standard MIDI File as mido reads it, one line per event, for the tests:
"header <type> <ticks per beat>", "track <name>", then "<seconds> <event> <channel> <data...>"
where event is note_on (velocity 0: note_off), note_off, control_change, program_change or
pitchwheel (0..16383), and seconds count from the file's start through its own tempo map."""
import sys

import mido

DATA = {"note_on": ("note", "velocity"), "note_off": ("note", "velocity"),
        "control_change": ("control", "value"), "program_change": ("program",),
        "pitchwheel": ("pitch",)}
midi = mido.MidiFile(sys.argv[1])
print("header", midi.type, midi.ticks_per_beat)
tempo = 500000
for track in midi.tracks:
    print("track", next((m.name for m in track if m.type == "track_name"), ""))
    ticks = 0
    for m in track:
        ticks += m.time
        tempo = m.tempo if m.type == "set_tempo" else tempo
        if m.type in DATA:
            kind = "note_off" if m.type == "note_on" and m.velocity == 0 else m.type
            values = [getattr(m, d) + (8192 if d == "pitch" else 0) for d in DATA[m.type]]
            seconds = mido.tick2second(ticks, midi.ticks_per_beat, tempo)
            print(f"{seconds:.6f}", kind, m.channel, *values)
