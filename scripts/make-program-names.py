#!/usr/bin/env python3
"""Writes data/QuintaroProgGM.txt: 191 lines of 27 characters, each ended by CR LF.

Records 1..144 are the sixteen General MIDI Level 1 families, each a title line followed by its
eight programs ("001 Acoustic Grand Piano"); records 145..191 are the percussion key names of
notes 35..81 in the same form ("035 Acoustic Bass Drum").
"""
import pathlib

FAMILIES = [
    ("Piano", ["Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano",
               "Honky-tonk Piano", "Electric Piano 1", "Electric Piano 2", "Harpsichord",
               "Clavi"]),
    ("Chromatic Percussion", ["Celesta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba",
                              "Xylophone", "Tubular Bells", "Dulcimer"]),
    ("Organ", ["Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ",
               "Accordion", "Harmonica", "Tango Accordion"]),
    ("Guitar", ["Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)",
                "Electric Guitar (clean)", "Electric Guitar (muted)", "Overdriven Guitar",
                "Distortion Guitar", "Guitar harmonics"]),
    ("Bass", ["Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
              "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2"]),
    ("Strings", ["Violin", "Viola", "Cello", "Contrabass", "Tremolo Strings",
                 "Pizzicato Strings", "Orchestral Harp", "Timpani"]),
    ("Ensemble", ["String Ensemble 1", "String Ensemble 2", "SynthStrings 1", "SynthStrings 2",
                  "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit"]),
    ("Brass", ["Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn", "Brass Section",
               "SynthBrass 1", "SynthBrass 2"]),
    ("Reed", ["Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "English Horn",
              "Bassoon", "Clarinet"]),
    ("Pipe", ["Piccolo", "Flute", "Recorder", "Pan Flute", "Blown Bottle", "Shakuhachi",
              "Whistle", "Ocarina"]),
    ("Synth Lead", ["Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)",
                    "Lead 4 (chiff)", "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)",
                    "Lead 8 (bass + lead)"]),
    ("Synth Pad", ["Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
                   "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)"]),
    ("Synth Effects", ["FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)",
                       "FX 4 (atmosphere)", "FX 5 (brightness)", "FX 6 (goblins)",
                       "FX 7 (echoes)", "FX 8 (sci-fi)"]),
    ("Ethnic", ["Sitar", "Banjo", "Shamisen", "Koto", "Kalimba", "Bag pipe", "Fiddle",
                "Shanai"]),
    ("Percussive", ["Tinkle Bell", "Agogo", "Steel Drums", "Woodblock", "Taiko Drum",
                    "Melodic Tom", "Synth Drum", "Reverse Cymbal"]),
    ("Sound Effects", ["Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
                       "Telephone Ring", "Helicopter", "Applause", "Gunshot"]),
]

# Percussion key map, notes 35..81.
PERCUSSION = [
    "Acoustic Bass Drum", "Bass Drum 1", "Side Stick", "Acoustic Snare", "Hand Clap",
    "Electric Snare", "Low Floor Tom", "Closed Hi Hat", "High Floor Tom", "Pedal Hi-Hat",
    "Low Tom", "Open Hi-Hat", "Low-Mid Tom", "Hi-Mid Tom", "Crash Cymbal 1", "High Tom",
    "Ride Cymbal 1", "Chinese Cymbal", "Ride Bell", "Tambourine", "Splash Cymbal", "Cowbell",
    "Crash Cymbal 2", "Vibraslap", "Ride Cymbal 2", "Hi Bongo", "Low Bongo", "Mute Hi Conga",
    "Open Hi Conga", "Low Conga", "High Timbale", "Low Timbale", "High Agogo", "Low Agogo",
    "Cabasa", "Maracas", "Short Whistle", "Long Whistle", "Short Guiro", "Long Guiro",
    "Claves", "Hi Wood Block", "Low Wood Block", "Mute Cuica", "Open Cuica", "Mute Triangle",
    "Open Triangle",
]

WIDTH = 27


def numbered(number, name):
    if len(name) > WIDTH - 4:
        raise SystemExit(f"name too long for its record: {name!r}")
    return f"{number:03d} {name}"


def records():
    program = 1
    for title, names in FAMILIES:
        assert len(names) == 8
        yield title
        for name in names:
            yield numbered(program, name)
            program += 1
    assert program == 129
    assert len(PERCUSSION) == 81 - 35 + 1
    for note, name in enumerate(PERCUSSION, start=35):
        yield numbered(note, name)


def main():
    lines = [r.ljust(WIDTH) for r in records()]
    assert len(lines) == 191 and all(len(l) == WIDTH for l in lines)
    out = pathlib.Path(__file__).resolve().parent.parent / "data" / "QuintaroProgGM.txt"
    out.write_bytes("".join(l + "\r\n" for l in lines).encode("ascii"))


if __name__ == "__main__":
    main()
