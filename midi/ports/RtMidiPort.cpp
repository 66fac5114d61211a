#include "midi/ports/RtMidiPort.h"

#include "midi/Midi.h"
#include "midi/ports/PortIdentity.h"

#include <rtmidi/RtMidi.h>

#include <utility>
#include <vector>

namespace {

RtMidi::Api ToRtMidi(RtMidiPort::Api api) {
    return api == RtMidiPort::Api::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

} // namespace

RtMidiPort::RtMidiPort(Api api, std::string nameFilter)
    : api_(api), nameFilter_(std::move(nameFilter)) {
    createClient();
}

void RtMidiPort::createClient() {
    try {
        out_ = std::make_unique<RtMidiOut>(ToRtMidi(api_), OwnClientName);
        // From here on errors come to the callback instead of being printed and thrown.
        out_->setErrorCallback([](RtMidiError::Type type, const std::string& text,
                                  void* self) { onError(static_cast<int>(type), text, self); },
                               this);
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
        out_.reset();
    }
}

RtMidiPort::~RtMidiPort() {
    if (out_ == nullptr)
        return;
    try {
        out_->closePort();
        out_.reset();
    } catch (const RtMidiError&) {
        // Nothing more can be done while going away.
    }
}

void RtMidiPort::onError(int type, const std::string& text, void* self) {
    auto* port = static_cast<RtMidiPort*>(self);
    port->lastError_ = text;
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
        port->failed_ = true;
}

std::vector<std::string> RtMidiPort::PortNames(Api api) {
    RtMidiPort port(api, std::string());
    std::vector<std::string> names;
    if (port.out_ == nullptr)
        return names;
    const std::string own = std::string(OwnClientName) + ':';
    try {
        port.failed_ = false;
        const unsigned int count = port.out_->getPortCount();
        for (unsigned int i = 0; i < count && !port.failed_; ++i) {
            std::string name = port.out_->getPortName(i);
            if (!port.failed_ && !name.empty() && name.rfind(own, 0) != 0 && !IsOwnPort(name))
                names.push_back(std::move(name));
        }
    } catch (const RtMidiError& e) {
        port.lastError_ = e.getMessage();
    }
    return names;
}

int RtMidiPort::deviceCount() {
    if (out_ == nullptr)
        return 0;
    try {
        failed_ = false;
        const unsigned int count = out_->getPortCount();
        return failed_ ? 0 : static_cast<int>(count);
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
        return 0;
    }
}

std::uint32_t RtMidiPort::open() {
    if (out_ == nullptr)
        return MidiError::Error;
    if (out_->isPortOpen())
        return MidiError::Allocated;
    return openMatching(std::string());
}

// Opens the first port that matches the filter, or the one of `preferredIdentity` among them.
std::uint32_t RtMidiPort::openMatching(const std::string& preferredIdentity) {
    try {
        failed_ = false;
        std::vector<std::string> names;
        const unsigned int count = out_->getPortCount();
        for (unsigned int i = 0; i < count && !failed_; ++i)
            names.push_back(out_->getPortName(i));
        int chosen = -1;
        for (std::size_t i = 0; i < names.size() && !failed_; ++i) {
            if (IsOwnPort(names[i]) || !PortMatches(names[i], nameFilter_))
                continue;
            if (chosen < 0)
                chosen = static_cast<int>(i);
            if (!preferredIdentity.empty() && StablePortIdentity(names[i]) == preferredIdentity) {
                chosen = static_cast<int>(i);
                break;
            }
        }
        if (chosen < 0 || failed_) {
            if (lastError_.empty() || !failed_)
                lastError_ = "no output port matches \"" + nameFilter_ + "\"";
            return MidiError::Error;
        }
        out_->openPort(static_cast<unsigned int>(chosen), OwnOutputPortName);
        if (failed_ || !out_->isPortOpen())
            return MidiError::Error;
        openPortName_ = lastPortName_ = names[chosen];
        return MidiError::NoError;
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
        return MidiError::Error;
    }
}

std::uint32_t RtMidiPort::reconnect() {
    if (out_ != nullptr && out_->isPortOpen())
        close();
    // A new client: the old one may belong to a JACK server that has gone since.
    try {
        out_.reset();
    } catch (const RtMidiError&) {
    }
    openPortName_.clear();
    createClient();
    if (out_ == nullptr)
        return MidiError::Error;
    return openMatching(StablePortIdentity(lastPortName_));
}

std::uint32_t RtMidiPort::close() {
    if (out_ == nullptr || !out_->isPortOpen())
        return MidiError::Error;
    try {
        failed_ = false;
        out_->closePort();
        openPortName_.clear();
        return failed_ ? MidiError::Error : MidiError::NoError;
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
        return MidiError::Error;
    }
}

bool RtMidiPort::isOpen() const {
    return out_ != nullptr && out_->isPortOpen();
}

std::uint32_t RtMidiPort::send(const unsigned char* bytes, std::size_t size) {
    if (!isOpen() || size == 0)
        return MidiError::Error;
    try {
        failed_ = false;
        out_->sendMessage(bytes, size);
        return failed_ ? MidiError::Error : MidiError::NoError;
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
        return MidiError::Error;
    }
}

std::uint32_t RtMidiPort::shortMessage(std::uint32_t message) {
    const std::vector<std::uint8_t> bytes = ShortMessageBytes(message);
    return send(bytes.data(), bytes.size());
}
