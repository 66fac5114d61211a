#include "midi/ports/RtMidiPort.h"

#include "midi/Midi.h"

#include <rtmidi/RtMidi.h>

#include <utility>
#include <vector>

namespace {

constexpr const char* ClientName = "Quintaro";
constexpr const char* OutputName = "Quintaro output";

RtMidi::Api ToRtMidi(RtMidiPort::Api api) {
    return api == RtMidiPort::Api::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

} // namespace

RtMidiPort::RtMidiPort(Api api, std::string nameFilter)
    : api_(api), nameFilter_(std::move(nameFilter)) {
    try {
        out_ = std::make_unique<RtMidiOut>(ToRtMidi(api), ClientName);
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
    const std::string own = std::string(ClientName) + ':';
    try {
        port.failed_ = false;
        const unsigned int count = port.out_->getPortCount();
        for (unsigned int i = 0; i < count && !port.failed_; ++i) {
            std::string name = port.out_->getPortName(i);
            if (!port.failed_ && !name.empty() && name.rfind(own, 0) != 0)
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
    try {
        failed_ = false;
        const unsigned int count = out_->getPortCount();
        for (unsigned int i = 0; i < count && !failed_; ++i) {
            const std::string name = out_->getPortName(i);
            if (failed_ || name.find(nameFilter_) == std::string::npos)
                continue;
            out_->openPort(i, OutputName);
            if (failed_ || !out_->isPortOpen())
                return MidiError::Error;
            openPortName_ = name;
            return MidiError::NoError;
        }
        if (lastError_.empty() || !failed_)
            lastError_ = "no output port matches \"" + nameFilter_ + "\"";
        return MidiError::Error;
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
        return MidiError::Error;
    }
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
