#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class RtMidiIn;

// The MIDI input: one source port of the ALSA sequencer or JACK through RtMidi, chosen by a name
// given as the output's: "alsa", "alsa:NAME", "jack", "jack:NAME" (NAME: the first source
// whose name contains it; none: the first source that is not one of this program's own ports),
// "none" or empty for no input. RtMidi reads the port on a thread of its own; every message is
// handed to the handler on the thread that created this object, through its event loop, so the
// handler may touch the program's state. A message still queued when the input closes or goes
// away is dropped. No RtMidi exception leaves this class.
class MidiInput {
  public:
    enum class Api { Alsa, Jack };
    using Handler = std::function<void(const std::vector<std::uint8_t>& message)>;

    MidiInput();
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    void setHandler(Handler handler) { handler_ = std::move(handler); }
    const Handler& handler() const { return handler_; }

    // Closes what is open, then opens the port of `choice`. True when a port is open after, or
    // when the choice asks for none; false with lastError() set otherwise.
    bool open(const QString& choice);
    void close();
    bool isOpen() const;
    // The choice of the port open now ("none" when none is) and the port's full name.
    const QString& choice() const { return choice_; }
    const std::string& openPortName() const { return openPortName_; }
    const std::string& lastError() const { return lastError_; }

    // The source ports an API offers now, by name, but this program's own; empty when the API
    // cannot be reached.
    static QStringList ports(Api api);

  private:
    void deliver(std::vector<std::uint8_t> message);

    Handler handler_;
    std::unique_ptr<RtMidiIn> in_;
    // Receives the queued messages on the creating thread; recreated on each open so that
    // messages of a closed port never arrive.
    std::unique_ptr<QObject> receiver_;
    QString choice_ = QStringLiteral("none");
    std::string openPortName_;
    std::string lastError_;
};
