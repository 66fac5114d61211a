#pragma once

#include "app/NoteTable.h"

#include <vector>

// One Note On as it went out: the channel (0..15), the note sent (transposed) and its velocity.
struct NoteTarget {
    int channel = 0;
    int note = 0;
    int velocity = 0;
    bool operator==(const NoteTarget&) const = default;
};

// What differs between the windows whose notes the note engine plays: a part window (one part, one
// channel, transposition, settings in PartParams) and the master keyboard (any set of channels, no
// part). The engine remembers what each Note On went out as, so every Note Off goes where its Note
// On went whatever the policy answers later.
class NotePolicy {
  public:
    // Where a zone begins or ends: the played note from which (start) or up to which channel
    // `channel` (0..15) takes notes.
    struct ZoneEdge {
        int note = 0;
        int channel = 0;
        bool start = true;
    };

    virtual ~NotePolicy() = default;

    // The latched-note table: AppState::HeldNotes for part windows, MasterHeldNotes for the
    // master keyboard.
    virtual NoteTable& latchedNotes() = 0;
    // Part window: CurrentPart := its part. Master keyboard: nothing.
    virtual void makeCurrent() = 0;
    // Where a Note On for the untransposed `note` goes, read now: channel 0..15, the note to send
    // (part: note + transposition) and the note-on velocity.
    virtual std::vector<NoteTarget> noteOnTargets(int note) = 0;
    // Note Off velocity for a note that sounds on `channel` (part: its row 4; master: row 4 of
    // the part numbered channel + 1).
    virtual int noteOffVelocity(int channel) = 0;
    // Note Off velocity of the hover release through a key's lowest strip (part: row 4; master:
    // its own "Vel Off" slider, MasterKbSettings element 20).
    virtual int stripReleaseVelocity(int channel) = 0;
    // Channels of the All Notes Off action (part: its own channel; master: 0..15).
    virtual std::vector<int> allNotesOffChannels() = 0;
    // A mode change: the new states of the two boxes (0/1). Part: rows 14 and 15.
    virtual void storeModes(int clickKey, int holdNote) = 0;
    // A key shift 0..3 (part: row 16). The keyboard makes the part current itself beforehand.
    virtual void storeKeyShift(int value) = 0;
    // Whether a key struck with the mouse or a finger sends the velocity of where it was struck
    // (or of the finger's pressure) instead of the note-on velocity above.
    virtual bool velocityFromHeight() { return false; }
    // The edges of the zones of the channels playing now, by note; none where every channel
    // takes every note.
    virtual std::vector<ZoneEdge> zoneEdges() { return {}; }
    // The channels a controller from outside (the pedal, the bend) goes to now: by default those
    // of a note's targets.
    virtual std::vector<int> controllerChannels() {
        std::vector<int> channels;
        for (const NoteTarget& t : noteOnTargets(NoteTable::LowestNote))
            channels.push_back(t.channel);
        return channels;
    }
};
