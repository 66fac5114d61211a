#pragma once

#include <QString>
#include <string>
#include <vector>

// A Standard MIDI File as an independent reader (Python's mido, tests/support/smf_dump.py) reads
// it: each track's name and events, with times in seconds from the file's start.
struct MidiFileContents {
    struct Event {
        double seconds;
        std::string type; // note_on, note_off, control_change, program_change, pitchwheel
        int channel;
        int data1;
        int data2; // 0 for a program change and a pitch wheel (0..16383 in data1)
    };
    struct Track {
        std::string name;
        std::vector<Event> events;
    };
    int type = -1;
    std::vector<Track> tracks;
    std::string error; // what the reader said when it could not read the file

    const Track* track(const std::string& name) const;
};

MidiFileContents ReadMidiFile(const QString& path);
