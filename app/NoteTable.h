#pragma once

#include <array>
#include <cstdint>

// One byte per MIDI note 12..108 (97 entries): the latched-note and chord tables of the keyboard.
class NoteTable {
  public:
    static constexpr int LowestNote = 12;
    static constexpr int HighestNote = 108;

    static constexpr bool inRange(int note) { return note >= LowestNote && note <= HighestNote; }

    std::uint8_t& operator[](int note) { return entries_.at(note - LowestNote); }
    std::uint8_t operator[](int note) const { return entries_.at(note - LowestNote); }

    void clear() { entries_.fill(0); }
    bool any() const {
        for (auto e : entries_)
            if (e == 1)
                return true;
        return false;
    }

  private:
    std::array<std::uint8_t, HighestNote - LowestNote + 1> entries_{};
};
