#pragma once

#include <array>
#include <optional>

// Where the master keyboard plays a note on one channel: the lowest and the highest note played
// (before transposition) that the channel takes, and the semitones added to what it sends.
struct Zone {
    static constexpr int MaxTranspose = 24;

    int low = 0;
    int high = 127;
    int transpose = 0;

    bool operator==(const Zone&) const = default;
    bool valid() const {
        return low >= 0 && high <= 127 && low <= high && transpose >= -MaxTranspose &&
               transpose <= MaxTranspose;
    }
    // The note sent for the played `note`: none when the note lies outside the zone or is
    // transposed off the MIDI range.
    std::optional<int> sent(int note) const {
        const int out = note + transpose;
        if (note < low || note > high || out < 0 || out > 127)
            return std::nullopt;
        return out;
    }
};

// The zones of the sixteen channels, channel 0..15: the whole range untransposed until set.
using Zones = std::array<Zone, 16>;
