#pragma once

#include "midi/ports/MidiInput.h"

#include <QString>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;
struct _jack_client;

// Which MIDI ports are present now, for a watcher that looks once a second for a chosen device
// that went away or came back. It keeps one enumerating client per API for its whole life (a
// JACK client without ports, an ALSA sequencer client without ports), so a look costs a walk over
// the port lists and no client is created per call:
// - JACK: the client is opened at the first look; when the server goes away it is closed and
//   opened again at the next look, then, while no server answers, at most every RetryInterval
//   (a failed attempt costs milliseconds and libjack's complaints are kept off the terminal);
// - ALSA: the clients are opened once the sequencer device exists, tried again as JACK's.
// UI thread only.
class PortWatcher {
  public:
    using Api = MidiInput::Api;
    static constexpr std::chrono::seconds RetryInterval{5};

    PortWatcher();
    ~PortWatcher();
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    // The ports present now, by their RtMidi names, this program's own left out: the sources an
    // input can read, the destinations an output can play to. Empty when the API is not
    // reachable.
    std::vector<std::string> inputs(Api api);
    std::vector<std::string> outputs(Api api);

    // Whether a choice ("alsa", "alsa:NAME", "jack", "jack:NAME") finds a port now: some port of
    // that API matches NAME as the input and output open it (its name or stable identity
    // contains NAME; no NAME: any port). A choice of nothing that comes and goes ("none",
    // "synth", "capture:FILE", empty) is always present.
    bool inputPresent(const QString& choice);
    bool outputPresent(const QString& choice);

  private:
    struct Jack;
    struct Alsa;
    std::vector<std::string> list(Api api, bool sources);
    bool present(const QString& choice, bool sources);

    std::unique_ptr<Jack> jack_;
    std::unique_ptr<Alsa> alsa_;
};
