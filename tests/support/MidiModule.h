#pragma once

#include "app/AppState.h"
#include "midi/Midi.h"
#include "support/RecordingSink.h"

#include <memory>

// The MIDI module over `port` (none: no port at all), every message it shows recorded, in the
// language of `languageBase` (0 Italian, 200 English).
struct MidiModule {
    explicit MidiModule(std::unique_ptr<MidiPort> port = nullptr, int languageBase = 200)
        : base(languageBase) {
        messages.setSink(&sink);
        midi.setMessageHandler(ShowMidiMessages(messages));
        if (port != nullptr)
            midi.setPort(std::move(port));
    }
    int base;
    Messages messages{base};
    RecordingSink sink;
    Midi midi;
};
