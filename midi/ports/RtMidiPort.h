#pragma once

#include "midi/ports/SequencerOutput.h"

// A MIDI output to a port of the ALSA sequencer, through RtMidi with its API named (a default
// RtMidiOut would pick ALSA and throw where ALSA has no sequencer, even while JACK runs).
class RtMidiPort final : public SequencerOutput {
  public:
    explicit RtMidiPort(std::string nameFilter);
    ~RtMidiPort() override;

    // The names of the ALSA output ports present now, the program's own ports left out; empty
    // when there is no sequencer.
    static std::vector<std::string> PortNames();

  protected:
    std::unique_ptr<Client> makeClient(std::string& error) const override;
};
