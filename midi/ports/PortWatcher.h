#pragma once

#include "midi/ports/MidiInput.h"

#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class RtMidiIn;
class RtMidiOut;
struct _jack_client;

// Which MIDI ports are present now and whether this program's own ports are still connected to
// them, and a handler called when that may have changed. It keeps one client per API for its
// whole life, each opened at the first question about its API:
// - JACK: a client without ports that hears every port and client registered or gone, every
//   connection made or broken and the server's shutdown. Its callbacks run on JACK's
//   notification thread and only raise an eventfd; the handler runs on the UI thread, once per
//   batch. When the server goes away the client is dropped and opened again at the next
//   question;
// - ALSA: a sequencer client subscribed to the system announce port (clients and ports coming
//   and going, subscriptions made and ended), read when its poll descriptor is readable; the
//   port lists are read through RtMidi, in the names RtMidi gives them.
// Where an API cannot be reached (no JACK server, no sequencer device), it is tried again at the
// next question, at most every RetryInterval: the handler is called once that interval has
// passed after a failed try. Nothing else wakes the program. UI thread only.
class PortWatcher {
  public:
    using Api = MidiInput::Api;
    static constexpr std::chrono::seconds RetryInterval{5};

    PortWatcher();
    ~PortWatcher();
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    void setChangeHandler(std::function<void()> changed) { changed_ = std::move(changed); }

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
    // Whether a port the choice finds is connected to this program's own input (a source) or
    // output (a destination) port. A choice of nothing that comes and goes is always connected.
    bool inputConnected(const QString& choice);
    bool outputConnected(const QString& choice);

  private:
    struct Jack;
    struct Alsa;
    std::vector<std::string> list(Api api, bool sources);
    bool find(const QString& choice, bool sources, bool connected);
    void changed();

    std::function<void()> changed_;
    QTimer retry_;
    std::unique_ptr<Jack> jack_;
    std::unique_ptr<Alsa> alsa_;
};
