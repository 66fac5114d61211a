#include "midi/ports/JackOutput.h"

#include "midi/ports/JackMessages.h"
#include "midi/ports/PortIdentity.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace {

// JACK on its own API. The client is opened at the first use; its process callback runs only
// while a port is open (activated with it, deactivated before it is unregistered).
class JackClient final : public SequencerOutput::Client {
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

} // namespace

JackOutput::JackOutput(std::string nameFilter) : SequencerOutput(std::move(nameFilter)) {
    startClient();
}

JackOutput::~JackOutput() = default;

std::unique_ptr<SequencerOutput::Client> JackOutput::makeClient(std::string&) const {
    return std::make_unique<JackClient>();
}

std::vector<std::string> JackOutput::PortNames() {
    JackClient client;
    return OtherPorts(client);
}
