#include "midi/ports/RtMidiPort.h"

#include "midi/Midi.h"
#include "midi/ports/JackMessages.h"
#include "midi/ports/PortIdentity.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

// One client of an API and the one port it opens. Errors are told in `error`.
class RtMidiPort::Client {
  public:
    virtual ~Client() = default;
    // Whether the API can be reached at all.
    virtual bool available() const = 0;
    // The destination ports present now.
    virtual std::vector<std::string> names(std::string& error) = 0;
    virtual bool openPort(const std::string& name, std::string& error) = 0;
    virtual bool closePort(std::string& error) = 0;
    virtual bool isPortOpen() const = 0;
    virtual bool send(const unsigned char* bytes, std::size_t size, std::string& error) = 0;
};

namespace {

// ALSA through RtMidi; RtMidi's errors come to a callback instead of being printed and thrown.
class AlsaClient final : public RtMidiPort::Client {
  public:
    explicit AlsaClient(std::string& error) {
        try {
            out_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, OwnClientName);
            out_->setErrorCallback(
                [](RtMidiError::Type type, const std::string& text, void* self) {
                    auto* client = static_cast<AlsaClient*>(self);
                    client->error_ = text;
                    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
                        client->failed_ = true;
                },
                this);
        } catch (const RtMidiError& e) {
            error = e.getMessage();
            out_.reset();
        }
    }
    ~AlsaClient() override {
        try {
            if (out_ != nullptr)
                out_->closePort();
        } catch (const RtMidiError&) {
            // Nothing more can be done while going away.
        }
    }

    bool available() const override { return out_ != nullptr; }

    std::vector<std::string> names(std::string& error) override {
        std::vector<std::string> list;
        if (out_ == nullptr)
            return list;
        const bool listed = call(error, [&] {
            const unsigned int count = out_->getPortCount();
            for (unsigned int i = 0; i < count && !failed_; ++i)
                if (std::string name = out_->getPortName(i); !failed_)
                    list.push_back(std::move(name));
        });
        if (!listed)
            list.clear();
        return list;
    }

    bool openPort(const std::string& name, std::string& error) override {
        if (out_ == nullptr)
            return false;
        bool found = false;
        const bool done = call(error, [&] {
            const unsigned int count = out_->getPortCount();
            for (unsigned int i = 0; i < count && !failed_ && !found; ++i)
                if (out_->getPortName(i) == name) {
                    found = true;
                    out_->openPort(i, OwnOutputPortName);
                }
        });
        if (done && !found)
            error = "the output port \"" + name + "\" went away";
        return done && found && out_->isPortOpen();
    }

    bool closePort(std::string& error) override {
        return out_ != nullptr && call(error, [&] { out_->closePort(); });
    }

    bool isPortOpen() const override { return out_ != nullptr && out_->isPortOpen(); }

    bool send(const unsigned char* bytes, std::size_t size, std::string& error) override {
        return call(error, [&] { out_->sendMessage(bytes, size); });
    }

  private:
    // Runs an RtMidi call; false when it failed, with the error told.
    template <typename Call> bool call(std::string& error, Call run) {
        try {
            failed_ = false;
            run();
            if (failed_)
                error = error_;
            return !failed_;
        } catch (const RtMidiError& e) {
            error = e.getMessage();
            return false;
        }
    }

    std::unique_ptr<RtMidiOut> out_;
    std::string error_;
    bool failed_ = false; // set by the error callback during one call
};

// JACK on its own API. The client is opened at the first use; its process callback runs only
// while a port is open (activated with it, deactivated before it is unregistered).
class JackClient final : public RtMidiPort::Client {
  public:
    static constexpr std::size_t BufferBytes = 16384;
    // How long a new port keeps what it is sent while its connection starts, and how long a
    // closing port waits for what it was sent to go out.
    static constexpr jack_nframes_t HoldSeconds = 1;
    static constexpr std::chrono::milliseconds DrainTimeout{250};

    JackClient() : ring_(jack_ringbuffer_create(BufferBytes)) {}
    ~JackClient() override {
        if (client_ != nullptr && !shutDown_.load()) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
        // A client whose server went away is left to libjack, which deletes it at the next
        // client opened in the program: closing it after that would close freed memory.
        jack_ringbuffer_free(ring_);
    }
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    bool available() const override { return ring_ != nullptr; }

    std::vector<std::string> names(std::string& error) override {
        std::vector<std::string> list;
        if (!connect(error))
            return list;
        if (const char** ports =
                jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
            for (const char** port = ports; *port != nullptr; ++port)
                list.emplace_back(*port);
            jack_free(ports);
        }
        return list;
    }

    bool openPort(const std::string& name, std::string& error) override {
        if (!connect(error))
            return false;
        port_ = jack_port_register(client_, OwnOutputPortName, JACK_DEFAULT_MIDI_TYPE,
                                   JackPortIsOutput, 0);
        if (port_ == nullptr) {
            error = "the JACK output port could not be registered";
            return false;
        }
        // Set while the process callback cannot run: it starts with jack_activate.
        heldFrames_ = 0;
        holdLimitFrames_ = jack_get_sample_rate(client_) * HoldSeconds;
        if (jack_activate(client_) != 0) {
            error = "the JACK client could not be activated";
            jack_port_unregister(client_, port_);
            port_ = nullptr;
            return false;
        }
        const int connected = jack_connect(client_, jack_port_name(port_), name.c_str());
        if (connected != 0 && connected != EEXIST) {
            error = "the JACK port \"" + name + "\" could not be connected";
            std::string ignored;
            closePort(ignored);
            return false;
        }
        return true;
    }

    bool closePort(std::string& error) override {
        if (port_ == nullptr)
            return false;
        if (!shutDown_.load()) {
            // What was sent just before closing (the Note Offs and All Notes Off of a switch of
            // output, or of the quit) goes out first: the process callback empties the ring
            // within a few cycles.
            const auto deadline = std::chrono::steady_clock::now() + DrainTimeout;
            while (jack_ringbuffer_read_space(ring_) > 0 && !shutDown_.load() &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // Deactivating returns once the process callback has run for the last time: only
            // then does the port go.
            jack_deactivate(client_);
            jack_port_unregister(client_, port_);
        }
        port_ = nullptr;
        jack_ringbuffer_reset(ring_);
        error.clear();
        return true;
    }

    bool isPortOpen() const override { return port_ != nullptr; }

    // What the port sends while its server is gone is dropped, as the device would: the loss
    // is for the watcher to tell, not a device error at each message.
    bool send(const unsigned char* bytes, std::size_t size, std::string& error) override {
        if (shutDown_.load()) {
            error = "the JACK server went away";
            return true;
        }
        const auto length = static_cast<std::uint32_t>(size);
        if (jack_ringbuffer_write_space(ring_) < sizeof length + size) {
            error = "the JACK output buffer is full: message dropped";
            return true;
        }
        jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&length), sizeof length);
        jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(bytes), size);
        return true;
    }

  private:
    bool connect(std::string& error) {
        if (client_ != nullptr && shutDown_.load()) {
            client_ = nullptr; // left to libjack, see the destructor
            port_ = nullptr;
            shutDown_.store(false);
            jack_ringbuffer_reset(ring_);
        }
        if (client_ != nullptr)
            return true;
        if (ring_ == nullptr) {
            error = "no JACK ring buffer";
            return false;
        }
        client_ = OpenJackClientQuietly(OwnClientName);
        if (client_ == nullptr) {
            error = "no JACK server answers";
            return false;
        }
        jack_set_process_callback(client_, Process, this);
        jack_on_shutdown(client_, ShutDown, this);
        return true;
    }

    // JACK's process thread: the messages waiting in the ring, into the port's buffer.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackClient*>(arg);
        void* buffer = jack_port_get_buffer(self->port_, frames);
        jack_midi_clear_buffer(buffer);
        // jack_connect returns before the connection runs in the server's graph: what the
        // cycles before it write goes nowhere, and the part states sent at once on opening
        // would be lost. The ring is kept until a cycle sees the port connected, or for at most
        // HoldSeconds, after which an unconnected port drops what it is sent, as before.
        if (self->heldFrames_ < self->holdLimitFrames_) {
            if (jack_port_connected(self->port_) == 0) {
                self->heldFrames_ += frames;
                return 0;
            }
            self->heldFrames_ = self->holdLimitFrames_;
        }
        std::uint32_t length = 0;
        while (jack_ringbuffer_read_space(self->ring_) >= sizeof length) {
            jack_ringbuffer_peek(self->ring_, reinterpret_cast<char*>(&length), sizeof length);
            if (jack_ringbuffer_read_space(self->ring_) < sizeof length + length)
                break; // not written whole yet
            if (length > jack_midi_max_event_size(buffer) && jack_midi_get_event_count(buffer) > 0)
                break; // the cycle's buffer is full: the next cycle takes it
            jack_ringbuffer_read_advance(self->ring_, sizeof length);
            if (jack_midi_data_t* data = jack_midi_event_reserve(buffer, 0, length))
                jack_ringbuffer_read(self->ring_, reinterpret_cast<char*>(data), length);
            else
                jack_ringbuffer_read_advance(self->ring_, length); // larger than a whole cycle
        }
        return 0;
    }
    static void ShutDown(void* arg) { static_cast<JackClient*>(arg)->shutDown_.store(true); }

    jack_ringbuffer_t* ring_ = nullptr;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<bool> shutDown_{false};
    // Written by openPort before activation, then by the process callback only.
    jack_nframes_t heldFrames_ = 0;
    jack_nframes_t holdLimitFrames_ = 0;
};

std::unique_ptr<RtMidiPort::Client> MakeClient(RtMidiPort::Api api, std::string& error) {
    if (api == RtMidiPort::Api::Jack)
        return std::make_unique<JackClient>();
    return std::make_unique<AlsaClient>(error);
}

} // namespace

RtMidiPort::RtMidiPort(Api api, std::string nameFilter)
    : api_(api), nameFilter_(std::move(nameFilter)) {
    client_ = MakeClient(api_, lastError_);
}

RtMidiPort::~RtMidiPort() = default;

bool RtMidiPort::available() const {
    return client_->available();
}

std::vector<std::string> RtMidiPort::PortNames(Api api) {
    RtMidiPort port(api, std::string());
    std::vector<std::string> names;
    const std::string own = std::string(OwnClientName) + ':';
    for (std::string& name : port.client_->names(port.lastError_))
        if (!name.empty() && name.rfind(own, 0) != 0 && !IsOwnPort(name))
            names.push_back(std::move(name));
    return names;
}

int RtMidiPort::deviceCount() {
    int count = 0;
    for (const std::string& name : client_->names(lastError_))
        count += !IsOwnPort(name);
    return count;
}

std::uint32_t RtMidiPort::open() {
    if (!client_->available())
        return MidiError::Error;
    if (client_->isPortOpen())
        return MidiError::Allocated;
    return openMatching(std::string());
}

// Opens the first port that matches the filter, or the one of `preferredIdentity` among them.
std::uint32_t RtMidiPort::openMatching(const std::string& preferredIdentity) {
    std::string error;
    const std::vector<std::string> names = client_->names(error);
    const std::string* chosen = nullptr;
    for (const std::string& name : names) {
        if (IsOwnPort(name) || !PortMatches(name, nameFilter_))
            continue;
        if (chosen == nullptr)
            chosen = &name;
        if (!preferredIdentity.empty() && StablePortIdentity(name) == preferredIdentity) {
            chosen = &name;
            break;
        }
    }
    if (chosen == nullptr) {
        lastError_ = error.empty() ? "no output port matches \"" + nameFilter_ + "\"" : error;
        return MidiError::Error;
    }
    if (!client_->openPort(*chosen, lastError_))
        return MidiError::Error;
    openPortName_ = lastPortName_ = *chosen;
    return MidiError::NoError;
}

std::uint32_t RtMidiPort::reconnect() {
    if (client_->isPortOpen())
        close();
    // A new client: the old one may belong to a JACK server that has gone since.
    client_.reset();
    client_ = MakeClient(api_, lastError_);
    if (!client_->available())
        return MidiError::Error;
    return openMatching(StablePortIdentity(lastPortName_));
}

std::uint32_t RtMidiPort::close() {
    if (!client_->isPortOpen())
        return MidiError::Error;
    const bool closed = client_->closePort(lastError_);
    openPortName_.clear();
    return closed ? MidiError::NoError : MidiError::Error;
}

bool RtMidiPort::isOpen() const {
    return client_->isPortOpen();
}

std::uint32_t RtMidiPort::send(const unsigned char* bytes, std::size_t size) {
    if (!isOpen() || size == 0)
        return MidiError::Error;
    return client_->send(bytes, size, lastError_) ? MidiError::NoError : MidiError::Error;
}

std::uint32_t RtMidiPort::shortMessage(std::uint32_t message) {
    const std::vector<std::uint8_t> bytes = ShortMessageBytes(message);
    return send(bytes.data(), bytes.size());
}
