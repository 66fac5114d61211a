#include "midi/ports/MidiInput.h"

#include "midi/ports/JackMessages.h"
#include "midi/ports/PortIdentity.h"
#include "midi/ports/SpscRing.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <rtmidi/RtMidi.h>

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

// One open source port: the ring its reading thread fills and the eventfd that wakes the UI
// thread. The producer side (receive, wake) runs on the reading thread and only touches the
// ring and atomics; everything else runs on the UI thread.
class MidiInput::Source {
  public:
    using Slot = std::array<std::uint8_t, 1 + MaxMessageBytes>; // size, then the bytes

    Source() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        if (wakeFd_ >= 0)
            notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    }
    virtual ~Source() {
        notifier_.reset();
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // Lists the API's source ports, picks one and starts reading it. False with `error` set.
    virtual bool open(const std::string& filter, const std::string& preferredIdentity,
                      const std::string& outputPortName, std::string& error) = 0;
    // Stops the reading thread: receive() is never called again once this returns.
    virtual void stop() = 0;
    virtual bool isOpen() const = 0;
    // Only during open(), on the UI thread: the source ports present now.
    virtual std::vector<std::string> names() = 0;

    const std::string& portName() const { return portName_; }
    QSocketNotifier* notifier() const { return notifier_.get(); }

    // Reading thread: stores one message; true when it was stored.
    bool receive(const std::uint8_t* bytes, std::size_t size) noexcept {
        if (size == 0)
            return false;
        if (size > MaxMessageBytes) {
            tooLong_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        Slot slot{static_cast<std::uint8_t>(size)};
        std::memcpy(slot.data() + 1, bytes, size);
        if (!ring_->push(slot)) {
            queueFull_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        return true;
    }
    // Reading thread, after storing: wakes the UI thread unless a wake-up is already pending.
    void wake() noexcept {
        if (!wakePending_.exchange(true, std::memory_order_acq_rel)) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
        }
    }

    // UI thread, woken: how many messages to hand out now. Every message stored after this
    // call wakes the UI thread again, so none waits for a later message to be noticed.
    std::size_t takeWake() {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
        // Acquire: the messages stored before the wake-up that set the flag are visible.
        wakePending_.exchange(false, std::memory_order_acq_rel);
        return ring_->size();
    }
    bool pop(Slot& slot) { return ring_->pop(slot); }

    std::uint64_t droppedTooLong() const { return tooLong_.load(std::memory_order_relaxed); }
    std::uint64_t droppedQueueFull() const { return queueFull_.load(std::memory_order_relaxed); }
    bool ready() const { return notifier_ != nullptr; }

  protected:
    // The first source, not the program's own, that matches `filter` and is not the output's own
    // device; the one of `preferredIdentity` among them when it is there. -1 with `error` set
    // when none is.
    static int Choose(const std::vector<std::string>& names, const std::string& filter,
                      const std::string& preferredIdentity, const std::string& outputPortName,
                      std::string& error) {
        int first = -1;
        bool loopBack = false;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (IsOwnPort(names[i]) || !PortMatches(names[i], filter))
                continue;
            if (SameDevice(names[i], outputPortName)) {
                loopBack = true;
                continue;
            }
            if (!preferredIdentity.empty() && StablePortIdentity(names[i]) == preferredIdentity)
                return static_cast<int>(i);
            if (first < 0)
                first = static_cast<int>(i);
        }
        if (first >= 0)
            return first;
        const std::string named = filter.empty() ? "" : " \"" + filter + "\"";
        error = loopBack ? "the MIDI input" + named +
                               " is the device the output plays to: what the program sends "
                               "would come back in"
                         : "no MIDI input port" + (named.empty() ? "" : " matches" + named);
        return -1;
    }

    std::string portName_;

  private:
    const int wakeFd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<SpscRing<Slot, QueueCapacity>> ring_ =
        std::make_unique<SpscRing<Slot, QueueCapacity>>();
    std::atomic<bool> wakePending_{false};
    std::atomic<std::uint64_t> tooLong_{0};
    std::atomic<std::uint64_t> queueFull_{0};
};

namespace {

// MIDI clock, time code and active sensing are not played: they are left out where they arrive,
// as RtMidi leaves them out by default, so that they do not wake the UI thread many times a
// second.
bool Ignored(const std::uint8_t* bytes, std::size_t size) {
    return size > 0 && (bytes[0] == 0xF8 || bytes[0] == 0xF1 || bytes[0] == 0xFE);
}

// A JACK input port of our own client, on the JACK API itself: RtMidi 5's JACK input copies
// each event into a std::vector inside the process callback (allocating whenever a message is
// longer than any before) and unregisters its port on close while the callback still runs.
class JackSource final : public MidiInput::Source {
  public:
    ~JackSource() override { stop(); }

    std::vector<std::string> names() override {
        std::vector<std::string> list;
        if (const char** ports =
                jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
            for (const char** port = ports; *port != nullptr; ++port)
                list.emplace_back(*port);
            jack_free(ports);
        }
        return list;
    }

    bool open(const std::string& filter, const std::string& preferredIdentity,
              const std::string& outputPortName, std::string& error) override {
        client_ = OpenJackClientQuietly(OwnClientName);
        if (client_ == nullptr) {
            error = "no JACK server answers";
            return false;
        }
        const std::vector<std::string> sources = names();
        const int index = Choose(sources, filter, preferredIdentity, outputPortName, error);
        if (index < 0) {
            stop();
            return false;
        }
        port_ = jack_port_register(client_, OwnInputPortName, JACK_DEFAULT_MIDI_TYPE,
                                   JackPortIsInput, 0);
        if (port_ == nullptr || jack_set_process_callback(client_, Process, this) != 0) {
            error = "the JACK input port could not be registered";
            stop();
            return false;
        }
        jack_on_shutdown(client_, ShutDown, this);
        if (jack_activate(client_) != 0) {
            error = "the JACK client could not be activated";
            stop();
            return false;
        }
        const int connected = jack_connect(client_, sources[index].c_str(), jack_port_name(port_));
        if (connected != 0 && connected != EEXIST) {
            error = "the JACK port \"" + sources[index] + "\" could not be connected";
            stop();
            return false;
        }
        portName_ = sources[index];
        return true;
    }

    void stop() override {
        if (client_ == nullptr)
            return;
        // Deactivating returns once the process callback has run for the last time. A client
        // whose server went away is left alone: libjack deletes it itself at the next client
        // opened in the program, and closing it after that would close freed memory.
        if (!shutDown_.load()) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
        client_ = nullptr;
        port_ = nullptr;
    }

    bool isOpen() const override { return client_ != nullptr && !shutDown_.load(); }

  private:
    // JACK's process thread: copies the cycle's events into the ring, wakes the UI thread once.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackSource*>(arg);
        void* buffer = jack_port_get_buffer(self->port_, frames);
        const std::uint32_t count = jack_midi_get_event_count(buffer);
        bool stored = false;
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) == 0 && !Ignored(event.buffer, event.size))
                stored = self->receive(event.buffer, event.size) || stored;
        }
        if (stored)
            self->wake();
        return 0;
    }
    // The server went away: the client is dead, only closing it is left.
    static void ShutDown(void* arg) { static_cast<JackSource*>(arg)->shutDown_.store(true); }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<bool> shutDown_{false};
};

// An ALSA sequencer input through RtMidi, whose reader thread is an ordinary one (not real-time)
// and calls us once per message.
class AlsaSource final : public MidiInput::Source {
  public:
    ~AlsaSource() override { stop(); }

    std::vector<std::string> names() override {
        std::vector<std::string> list;
        try {
            const unsigned int count = in_->getPortCount();
            for (unsigned int i = 0; i < count; ++i)
                list.push_back(in_->getPortName(i));
        } catch (const RtMidiError&) {
        }
        return list;
    }

    bool open(const std::string& filter, const std::string& preferredIdentity,
              const std::string& outputPortName, std::string& error) override {
        try {
            in_ = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, OwnClientName);
            in_->setErrorCallback([](RtMidiError::Type, const std::string& text,
                                     void* target) { *static_cast<std::string*>(target) = text; },
                                  &error_);
            const std::vector<std::string> sources = names();
            const int index = Choose(sources, filter, preferredIdentity, outputPortName, error);
            if (index < 0) {
                in_.reset();
                return false;
            }
            // System exclusive let through: the loop-back probe is one (long ones are dropped in
            // receive()); timing and active sensing still left out.
            in_->ignoreTypes(false, true, true);
            // Set before the port opens, so that no message goes to RtMidi's own queue.
            in_->setCallback(
                [](double, std::vector<unsigned char>* message, void* self) {
                    auto* source = static_cast<AlsaSource*>(self);
                    if (!Ignored(message->data(), message->size()) &&
                        source->receive(message->data(), message->size()))
                        source->wake();
                },
                this);
            in_->openPort(static_cast<unsigned int>(index), OwnInputPortName);
            if (!in_->isPortOpen()) {
                error = error_.empty() ? "the ALSA port could not be opened" : error_;
                stop();
                return false;
            }
            portName_ = sources[index];
            return true;
        } catch (const RtMidiError& e) {
            error = e.getMessage();
            in_.reset();
            return false;
        }
    }

    void stop() override {
        if (in_ == nullptr)
            return;
        try {
            // Closing joins RtMidi's reader thread; only then is the callback let go.
            in_->closePort();
            in_->cancelCallback();
        } catch (const RtMidiError&) {
        }
        in_.reset();
    }

    bool isOpen() const override { return in_ != nullptr && in_->isPortOpen(); }

  private:
    std::unique_ptr<RtMidiIn> in_;
    std::string error_;
};

std::unique_ptr<MidiInput::Source> MakeSource(MidiInput::Api api) {
    if (api == MidiInput::Api::Jack)
        return std::make_unique<JackSource>();
    return std::make_unique<AlsaSource>();
}

// "alsa:NAME" → (Alsa, "NAME"); false for a choice that is neither ALSA nor JACK.
bool ParseChoice(const QString& value, MidiInput::Api& api, std::string& filter) {
    const qsizetype colon = value.indexOf(u':');
    const QString kind = (colon < 0 ? value : value.left(colon)).toLower();
    filter = colon < 0 ? std::string() : value.mid(colon + 1).toStdString();
    api = kind == u"alsa" ? MidiInput::Api::Alsa : MidiInput::Api::Jack;
    return kind == u"alsa" || kind == u"jack";
}

bool IsNone(const QString& value) {
    return value.isEmpty() || value.compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0;
}

} // namespace

MidiInput::MidiInput() = default;

MidiInput::~MidiInput() {
    close();
}

QStringList MidiInput::ports(Api api) {
    QStringList list;
    if (api == Api::Jack) {
        jack_client_t* client = OpenJackClientQuietly(OwnClientName);
        if (client == nullptr)
            return list;
        if (const char** ports =
                jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
            for (const char** port = ports; *port != nullptr; ++port)
                if (!IsOwnPort(*port))
                    list << QString::fromStdString(*port);
            jack_free(ports);
        }
        jack_client_close(client);
        return list;
    }
    try {
        RtMidiIn in(RtMidi::LINUX_ALSA, OwnClientName);
        in.setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
        const unsigned int count = in.getPortCount();
        for (unsigned int i = 0; i < count; ++i)
            if (const std::string name = in.getPortName(i); !IsOwnPort(name))
                list << QString::fromStdString(name);
    } catch (const RtMidiError&) {
    }
    return list;
}

bool MidiInput::open(const QString& choice, const std::string& outputPortName) {
    const QString value = choice.trimmed();
    lastError_.clear();
    if (IsNone(value)) {
        close();
        return true;
    }
    Api api{};
    std::string filter;
    if (!ParseChoice(value, api, filter)) {
        lastError_ = "\"" + value.toStdString() +
                     "\" is not understood; accepted: alsa, alsa:NAME, jack, jack:NAME, none";
        return false;
    }
    if (!openSource(api, filter, std::string(), outputPortName))
        return false;
    choice_ = value;
    outputPortName_ = outputPortName;
    return true;
}

bool MidiInput::reopen() {
    lastError_.clear();
    Api api{};
    std::string filter;
    if (IsNone(choice_) || !ParseChoice(choice_, api, filter))
        return true;
    // The output may have changed since the choice was opened: checked against the one now.
    if (currentOutput_)
        outputPortName_ = currentOutput_();
    return openSource(api, filter, StablePortIdentity(openPortName_), outputPortName_);
}

bool MidiInput::openSource(Api api, const std::string& filter, const std::string& preferredIdentity,
                           const std::string& outputPortName) {
    std::unique_ptr<Source> source = MakeSource(api);
    if (!source->ready()) {
        lastError_ = std::string("no eventfd: ") + std::strerror(errno);
        return false;
    }
    if (!source->open(filter, preferredIdentity, outputPortName, lastError_))
        return false;
    // The new port reads already; the old one stops, and what it still queued is dropped.
    if (source_ != nullptr) {
        source_->stop();
        retire();
    }
    ++generation_;
    source_ = std::move(source);
    openPortName_ = source_->portName();
    Source* opened = source_.get();
    QObject::connect(opened->notifier(), &QSocketNotifier::activated, opened->notifier(),
                     [this, opened] { drain(opened); });
    return true;
}

void MidiInput::close() {
    if (source_ != nullptr) {
        source_->stop();
        retire();
    }
    ++generation_;
    choice_ = QStringLiteral("none");
    openPortName_.clear();
}

void MidiInput::retire() {
    // A source stopped by a handler is still in use by the hand-out that called the handler
    // (it runs inside the source's notifier): it is kept, silent, and deleted by the next call
    // that is not inside a hand-out.
    source_->notifier()->setEnabled(false);
    retired_.push_back(std::move(source_));
    if (draining_ == 0)
        retired_.clear();
}

bool MidiInput::isOpen() const {
    return source_ != nullptr && source_->isOpen();
}

std::uint64_t MidiInput::droppedTooLong() const {
    return source_ == nullptr ? 0 : source_->droppedTooLong();
}

std::uint64_t MidiInput::droppedQueueFull() const {
    return source_ == nullptr ? 0 : source_->droppedQueueFull();
}

// UI thread, woken by the source: hands out what it holds, in order, until a handler closes or
// switches the input (what is left is then dropped).
void MidiInput::drain(Source* source) {
    if (source != source_.get())
        return; // a wake-up of a source closed since
    if (draining_ == 0)
        retired_.clear();
    const std::uint64_t generation = generation_;
    std::size_t count = source->takeWake();
    ++draining_;
    std::vector<std::uint8_t> message;
    message.reserve(MaxMessageBytes);
    Source::Slot slot{};
    while (count-- > 0 && generation_ == generation && source->pop(slot)) {
        message.assign(slot.begin() + 1, slot.begin() + 1 + slot[0]);
        if (handler_)
            handler_(message);
    }
    --draining_;
}
