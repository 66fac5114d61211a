#pragma once

#include "engine/NotePolicy.h"

#include <cstdint>

struct AppState;

// The keyboard's view of one part: its channel (row 0), transposition (row 12), velocities
// (rows 3 and 4), play modes (rows 14, 15) and key shift (row 16), read from the part's column of
// PartParams at the moment they are needed; the latched table shared by all part windows.
class PartKeyboardPolicy : public NotePolicy {
  public:
    PartKeyboardPolicy(AppState& state, int part) : state_(state), part_(part) {}

    NoteTable& latchedNotes() override;
    void makeCurrent() override;
    std::vector<NoteTarget> noteOnTargets(int note) override;
    int noteOffVelocity(int channel) override;
    int stripReleaseVelocity(int channel) override;
    // The part's own channel (row 0), so a part mapped to another channel silences that one.
    std::vector<int> allNotesOffChannels() override;
    void storeModes(int clickKey, int holdNote) override;
    void storeKeyShift(int value) override;
    bool velocityFromHeight() override;

  private:
    std::uint8_t& row(int r);
    int channel();

    AppState& state_;
    int part_;
};
