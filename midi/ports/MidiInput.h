#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The MIDI input: one source port of the ALSA sequencer or JACK, chosen by a name given as the
// output's: "alsa", "alsa:NAME", "jack", "jack:NAME" (NAME: the first source whose name, or
// stable identity, contains it - see PortMatches; none: the first source that is not one of this
// program's own ports), "none" or empty for no input. No exception leaves this class.
//
// Threads. The port is read on a thread that is not ours: JACK's real-time process thread (JACK,
// through the JACK API directly), RtMidi's reader thread (ALSA). There each message is only
// copied into a preallocated lock-free ring of QueueCapacity fixed-size slots, and the UI thread
// is woken through an eventfd watched by a QSocketNotifier, once per batch: a write happens only
// when the ring was drained since the last one. Nothing there allocates, locks or posts a Qt
// event. The UI thread (the one that created this object) empties the ring and calls the handler
// once per message, in order, so the handler may touch the program's state.
//
// Bounds. A message longer than MaxMessageBytes (system exclusive) is dropped and counted:
// only channel messages are played, and a short system exclusive message (the program's own
// loop-back probe, seven bytes) gets through whole, copied as any other. Clock, time code and
// active sensing are left out where they arrive (RtMidi's default), so that they do not wake the UI
// thread many times a second. The ring holds QueueCapacity messages: a flood arrives whole as long
// as the UI thread falls no more than that behind (at JACK's fastest, 2727 three-byte messages a
// cycle of 256 frames at 48 kHz, that is 24 cycles, 128 ms); beyond it messages are dropped and
// counted. A message still queued when the input closes or switches is dropped.
class MidiInput {
  public:
    enum class Api { Alsa, Jack };
    using Handler = std::function<void(const std::vector<std::uint8_t>& message)>;

    static constexpr std::size_t QueueCapacity = 65536;
    static constexpr std::size_t MaxMessageBytes = 7;

    MidiInput();
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    void setHandler(Handler handler) { handler_ = std::move(handler); }
    const Handler& handler() const { return handler_; }

    // Opens the port of `choice`, then closes the one open before: a choice that cannot be
    // opened leaves the open input as it was. True when the choice's port is open after, or when
    // the choice asks for none (the open input is then closed); false with lastError() set
    // otherwise. A source that is the same device as `outputPortName` (SameDevice: what the
    // program sends would come back) is never taken.
    bool open(const QString& choice, const std::string& outputPortName = {});
    // Opens again the port of the current choice, the same device first (by the stable identity
    // of the port last opened for it), for a device that went away and came back; the port open
    // now, if any, is replaced only when that works. True as open() says; with no choice
    // ("none"), true and nothing is opened. A source that is the same device as the output the
    // program plays to now (setOutputPortName) is not taken, as open() does not take one.
    bool reopen();
    // Where the output plays now (its full port name, empty for none), for reopen().
    void setOutputPortName(std::function<std::string()> current) {
        currentOutput_ = std::move(current);
    }
    // Closes the port; the choice becomes "none".
    void close();
    // A port is open (it may belong to a device that has gone: PortWatcher tells that).
    bool isOpen() const;
    // The choice last opened ("none" when none is), kept while its device is gone, and the full
    // name of the port open for it.
    const QString& choice() const { return choice_; }
    const std::string& openPortName() const { return openPortName_; }
    const std::string& lastError() const { return lastError_; }

    // Messages dropped since the port opened: too long (system exclusive), or the ring full.
    std::uint64_t droppedTooLong() const;
    std::uint64_t droppedQueueFull() const;

    // The source ports an API offers now, by name, but this program's own; empty when the API
    // cannot be reached.
    static QStringList ports(Api api);

    class Source; // one open port and its ring (MidiInput.cpp)

  private:
    bool openSource(Api api, const std::string& filter, const std::string& preferredIdentity,
                    const std::string& outputPortName);
    void drain(Source* source);
    void retire();

    Handler handler_;
    std::unique_ptr<Source> source_;
    // Sources closed, silent, kept until a call outside a hand-out of messages deletes them (a
    // handler may close the source whose notifier is calling it).
    std::vector<std::unique_ptr<Source>> retired_;
    int draining_ = 0;
    std::uint64_t generation_ = 0; // changes whenever the source changes
    QString choice_ = QStringLiteral("none");
    std::string openPortName_;
    std::string outputPortName_;
    std::function<std::string()> currentOutput_;
    std::string lastError_;
};
