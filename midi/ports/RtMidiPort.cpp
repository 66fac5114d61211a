#include "midi/ports/RtMidiPort.h"

#include "midi/ports/PortIdentity.h"

#include <rtmidi/RtMidi.h>

#include <utility>

namespace {

// ALSA through RtMidi; RtMidi's errors come to a callback instead of being printed and thrown.
class AlsaClient final : public SequencerOutput::Client {
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

} // namespace

RtMidiPort::RtMidiPort(std::string nameFilter) : SequencerOutput(std::move(nameFilter)) {
    startClient();
}

RtMidiPort::~RtMidiPort() = default;

std::unique_ptr<SequencerOutput::Client> RtMidiPort::makeClient(std::string& error) const {
    return std::make_unique<AlsaClient>(error);
}

std::vector<std::string> RtMidiPort::PortNames() {
    std::string error;
    AlsaClient client(error);
    return OtherPorts(client);
}
