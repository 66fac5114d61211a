#pragma once

#include "midi/ports/SequencerOutput.h"

// A MIDI output to a JACK port, through the JACK API itself: its client knows when its server
// goes away (RtMidi's does not, and libjack deletes such a client at the next client the program
// opens, so RtMidi would later close freed memory); the port is unregistered only once the
// process callback is stopped. What is sent goes through a lock-free JACK ring buffer of 16 KB to
// the process callback, which writes it out in the next cycle.
class JackOutput final : public SequencerOutput {
  public:
    explicit JackOutput(std::string nameFilter);
    ~JackOutput() override;

    // The names of the JACK MIDI input ports present now, the program's own left out; empty when
    // no server answers.
    static std::vector<std::string> PortNames();

  protected:
    std::unique_ptr<Client> makeClient(std::string& error) const override;
};
