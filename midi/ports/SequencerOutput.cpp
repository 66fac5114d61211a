#include "midi/ports/SequencerOutput.h"

#include "midi/Midi.h"
#include "midi/ports/PortIdentity.h"

#include <utility>

SequencerOutput::SequencerOutput(std::string nameFilter) : nameFilter_(std::move(nameFilter)) {}

SequencerOutput::~SequencerOutput() = default;

bool SequencerOutput::available() const {
    return client_->available();
}

std::vector<std::string> SequencerOutput::OtherPorts(Client& client) {
    std::vector<std::string> names;
    std::string error;
    const std::string own = std::string(OwnClientName) + ':';
    for (std::string& name : client.names(error))
        if (!name.empty() && name.rfind(own, 0) != 0 && !IsOwnPort(name))
            names.push_back(std::move(name));
    return names;
}

int SequencerOutput::deviceCount() {
    int count = 0;
    for (const std::string& name : client_->names(lastError_))
        count += !IsOwnPort(name);
    return count;
}

std::uint32_t SequencerOutput::open() {
    if (!client_->available())
        return MidiError::Error;
    if (client_->isPortOpen())
        return MidiError::Allocated;
    return openMatching(std::string());
}

// Opens the first port that matches the filter, or the one of `preferredIdentity` among them.
std::uint32_t SequencerOutput::openMatching(const std::string& preferredIdentity) {
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

std::uint32_t SequencerOutput::reconnect() {
    if (client_->isPortOpen())
        close();
    // A new client: the old one may belong to a JACK server that has gone since.
    client_.reset();
    startClient();
    if (!client_->available())
        return MidiError::Error;
    return openMatching(StablePortIdentity(lastPortName_));
}

std::uint32_t SequencerOutput::close() {
    if (!client_->isPortOpen())
        return MidiError::Error;
    const bool closed = client_->closePort(lastError_);
    openPortName_.clear();
    return closed ? MidiError::NoError : MidiError::Error;
}

bool SequencerOutput::isOpen() const {
    return client_->isPortOpen();
}

std::uint32_t SequencerOutput::send(const unsigned char* bytes, std::size_t size) {
    if (!isOpen() || size == 0)
        return MidiError::Error;
    return client_->send(bytes, size, lastError_) ? MidiError::NoError : MidiError::Error;
}

std::uint32_t SequencerOutput::shortMessage(std::uint32_t message) {
    const std::vector<std::uint8_t> bytes = ShortMessageBytes(message);
    return send(bytes.data(), bytes.size());
}
