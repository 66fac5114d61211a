#include "midi/ports/FileCapturePort.h"

#include "midi/Midi.h"

#include <utility>

FileCapturePort::FileCapturePort(std::string path) : path_(std::move(path)) {}

FileCapturePort::~FileCapturePort() {
    if (file_ != nullptr)
        std::fclose(file_);
}

std::uint32_t FileCapturePort::open() {
    if (file_ != nullptr)
        return MidiError::Allocated;
    if (path_.empty())
        return MidiError::Error;
    file_ = std::fopen(path_.c_str(), "a");
    return file_ != nullptr ? MidiError::NoError : MidiError::Error;
}

std::uint32_t FileCapturePort::close() {
    if (file_ == nullptr)
        return MidiError::Error;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok ? MidiError::NoError : MidiError::Error;
}

std::uint32_t FileCapturePort::writeLine(const std::vector<std::uint8_t>& bytes) {
    if (file_ == nullptr)
        return MidiError::Error;
    const std::string line = HexLine(bytes) + '\n';
    if (std::fputs(line.c_str(), file_) < 0 || std::fflush(file_) != 0)
        return MidiError::Error;
    return MidiError::NoError;
}

std::uint32_t FileCapturePort::shortMessage(std::uint32_t message) {
    return writeLine(ShortMessageBytes(message));
}
