#pragma once

#include "app/AppState.h"
#include "midi/Midi.h"
#include "support/RecordingSink.h"

#include <memory>

// The MIDI module over `port`, every message it shows recorded, in the language of
// `languageBase` (0 Italian, 200 English).
struct MidiModule {
    explicit MidiModule(std::unique_ptr<MidiPort> port, int languageBase = 200)
        : base(languageBase) {
        messages.setSink(&sink);
        midi.setMessageHandler(ShowMidiMessages(messages));
        midi.setPort(std::move(port));
    }
    int base; // the messages read it at each message
    Messages messages{base};
    RecordingSink sink;
    Midi midi;
};
