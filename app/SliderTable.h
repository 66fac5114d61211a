#pragma once

#include "app/RecordLayout.h"
#include "midi/ShortMessage.h"

#include <cstdint>
#include <iterator>

// The eleven controller sliders of a part window and of the master keyboard, one row each, in
// slider order (index k = 0..10): everything that tells one slider from another. The windows
// build and place their sliders from it, the part states send from it and the settings codec
// takes its first-run values from it.

// What a slider sends for its value v: a control change (its controller, v), a pitch bend (0x7F,
// v) or nothing (the velocity sliders, read by the keyboard when it plays).
enum class SliderSends { Nothing, ControlChange, PitchBend };

struct SliderRow {
    int caption;                   // string table entry of its caption (the same in both languages)
    SliderSends sends;             // its message
    std::uint8_t controller;       // the control change's controller number; 0 when it sends none
    bool centred;                  // shows v - 64 (-64..63) and labels its ends "63" and "-64"
    std::uint8_t partDefault;      // first-run value of its PartParams row
    std::uint8_t masterKbDefault;  // first-run value of its MasterKbSettings element
    int partRow;                   // its row of a part's PartParams column
    int masterKbElement;           // its element of MasterKbSettings
    int partLeft, partTop;         // where it stands on a part window (twips)
    int masterKbLeft, masterKbTop; // where it stands on the master keyboard (twips)
};

// clang-format off
inline constexpr SliderRow Sliders[] = {
//  caption, message, controller, centred, defaults (part, master keyboard), record row, element,
//  place on a part window (left, top), place on the master keyboard (left, top)
    {85, SliderSends::ControlChange, Controller::Volume,      false, 100, 100, PartRow::Volume,      17,  280, 600,  280, 600},
    {86, SliderSends::ControlChange, Controller::Pan,         true,   64,  64, PartRow::Pan,         18,  956, 600, 1296, 648},
    {87, SliderSends::Nothing,       0,                       false,  80,  64, PartRow::VelocityOn,  19, 1632, 600, 1872, 648},
    {88, SliderSends::Nothing,       0,                       false,  64,  64, PartRow::VelocityOff, 20, 2308, 600, 2520, 648},
    {89, SliderSends::ControlChange, Controller::AttackTime,  false,   0,   0, PartRow::AttackTime,  21, 2984, 600, 3192, 648},
    {90, SliderSends::ControlChange, Controller::ReleaseTime, false,   0,   0, PartRow::ReleaseTime, 22, 3660, 600, 3816, 648},
    {91, SliderSends::PitchBend,     0,                       true,   64,  64, PartRow::PitchBend,   23, 4336, 600, 4536, 648},
    {92, SliderSends::ControlChange, Controller::Modulation,  false,   0,   0, PartRow::Modulation1, 24, 5012, 600, 5088, 648},
    {93, SliderSends::ControlChange, Controller::Breath,      false,   0,   0, PartRow::Modulation2, 25, 5688, 600, 5808, 648},
    {94, SliderSends::ControlChange, Controller::Reverb,      false,   0,   0, PartRow::Reverb,      26, 6364, 600, 6384, 648},
    {95, SliderSends::ControlChange, Controller::Chorus,      false,   0,   0, PartRow::Chorus,      27, 7040, 600, 7128, 672},
};
// clang-format on

inline constexpr int SliderCount = static_cast<int>(std::size(Sliders));

static_assert(SliderCount == PartRow::Chorus - PartRow::FirstSlider + 1 &&
                  SliderCount == PartRow::SliderCount &&
                  SliderCount == MasterKbElement::LastSlider - MasterKbElement::FirstSlider + 1,
              "one row for each slider row of PartParams and each slider element of the master "
              "keyboard");

// Every row names a caption and a place on both windows, stands for the record's row and element
// of its own index, and has a controller exactly when it sends a control change.
constexpr bool SliderTableIsWhole() {
    for (int k = 0; k < SliderCount; ++k) {
        const SliderRow& s = Sliders[k];
        if (s.caption <= 0 || s.partLeft <= 0 || s.partTop <= 0 || s.masterKbLeft <= 0 ||
            s.masterKbTop <= 0)
            return false;
        if (s.partRow != PartRow::FirstSlider + k ||
            s.masterKbElement != MasterKbElement::FirstSlider + k)
            return false;
        if ((s.sends == SliderSends::ControlChange) != (s.controller != 0))
            return false;
    }
    return true;
}
static_assert(SliderTableIsWhole(),
              "a slider row without a caption, a place or its own record row");

// The message slider k sends for value v, on channel nibble 0. False for a slider that sends
// nothing.
constexpr bool SliderMessage(int k, int v, std::uint32_t& message) {
    const SliderRow& s = Sliders[k];
    const auto value = static_cast<std::uint32_t>(v);
    switch (s.sends) {
    case SliderSends::ControlChange:
        message = PackShortMessage(MidiStatus::ControlChange, s.controller, value);
        return true;
    case SliderSends::PitchBend:
        message = PackShortMessage(MidiStatus::PitchBend, 0x7F, value);
        return true;
    case SliderSends::Nothing:
        break;
    }
    return false;
}
