#include "midi/Midi.h"

#include <utility>

Midi::Midi() = default;

Midi::~Midi() = default;

void Midi::report(int messageNumber) const {
    if (showMessage_)
        showMessage_(messageNumber);
}

void Midi::setPort(std::unique_ptr<MidiPort> port) {
    port_ = std::move(port);
    if (port_ != nullptr)
        port_->setStatusHandler(status_);
}

void Midi::setStatusHandler(std::function<void(int status)> handler) {
    status_ = std::move(handler);
    if (port_ != nullptr)
        port_->setStatusHandler(status_);
}

void Midi::resetOutputFlags() {
    enabled_ = true;
    open_ = false;
}

std::uint32_t Midi::OpenMidiOutput() {
    noDevice_ = false;
    if (!enabled_)
        return 0;

    // With no port at all the mapper reaches nothing: the same as a system without devices.
    const int deviceCount = port_ ? port_->deviceCount() : 0;
    open_ = true;

    if (deviceCount == 0) {
        open_ = false;
        report(22);
        enabled_ = false;
        noDevice_ = true;
        return 0;
    }

    const std::uint32_t result = port_->open();
    check(result);
    return result;
}

void Midi::CloseMidiOutput() {
    if (!enabled_)
        return;
    const std::uint32_t result = port_ ? port_->close() : MidiError::Error;
    if (result != 0)
        report(23);
    else
        open_ = false;
}

void Midi::check(std::uint32_t result) {
    if (result == 0)
        return;
    if (result == MidiError::Allocated)
        report(20);
    else
        report(21);
    enabled_ = false;
}

void Midi::sendShort(std::uint32_t message) {
    if (!enabled_)
        return;
    const std::uint32_t result = port_ ? port_->shortMessage(message) : MidiError::Error;
    if (result == 0) {
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(message & 0xFF),
                                       static_cast<std::uint8_t>((message >> 8) & 0xFF),
                                       static_cast<std::uint8_t>((message >> 16) & 0xFF)};
        const int length = ShortMessageLength(bytes[0]);
        tellSent(bytes, static_cast<std::size_t>(length == 0 ? 3 : length));
    }
    check(result);
}

void Midi::tellSent(const std::uint8_t* bytes, std::size_t size) {
    recorder_.record(bytes, size);
    if (sent_)
        sent_(bytes, size);
}

void Midi::send(int channel, std::uint32_t status, int data1, int data2) {
    sendShort(PackShortMessage(status | static_cast<std::uint32_t>(channel),
                               static_cast<std::uint32_t>(data1),
                               static_cast<std::uint32_t>(data2)));
}

void Midi::SendNoteOn(int channel, int note, int velocity) {
    send(channel, MidiStatus::NoteOn, note, velocity);
}

void Midi::SendNoteOff(int channel, int note, int velocity) {
    send(channel, MidiStatus::NoteOff, note, velocity);
}

void Midi::SendAllNotesOff(int channel) {
    send(channel, MidiStatus::ControlChange, static_cast<int>(Controller::AllNotesOff), 0);
}

void Midi::sendLong(std::string_view bytes) {
    if (!enabled_)
        return;

    header_.data.assign(bytes);
    header_.bufferLength = static_cast<std::uint32_t>(header_.data.size());
    header_.bytesRecorded = 0;
    header_.user = 0;
    header_.flags = 0;

    // The three calls always run in order, each result checked as it comes; the header and its
    // data are not touched between them.
    std::uint32_t result = port_ ? port_->prepareHeader(header_, HeaderSize) : MidiError::Error;
    check(result);
    result = port_ ? port_->longMessage(header_, HeaderSize) : MidiError::Error;
    if (result == 0) {
        const std::vector<std::uint8_t> sentBytes = LongMessageBytes(header_);
        tellSent(sentBytes.data(), sentBytes.size());
    }
    check(result);
    result = port_ ? port_->unprepareHeader(header_, HeaderSize) : MidiError::Error;
    check(result);
}

bool Midi::ReplacePort(std::unique_ptr<MidiPort> port, bool report) {
    if (enabled_ && open_) {
        for (int channel = 0; channel < 16; ++channel)
            SendAllNotesOff(channel);
        CloseMidiOutput();
    }
    setPort(std::move(port));
    open_ = false;
    enabled_ = port_ != nullptr;
    MessageHandler handler = report ? MessageHandler() : std::exchange(showMessage_, nullptr);
    OpenMidiOutput();
    if (!report)
        showMessage_ = std::move(handler);
    return enabled_;
}

void SendProgramChange(Midi& midi, int channel, int program) {
    const char bytes[2] = {
        static_cast<char>(MidiStatus::ProgramChange | static_cast<std::uint32_t>(channel & 0x0F)),
        static_cast<char>(program & 0x7F)};
    midi.sendLong(std::string_view(bytes, 2));
}
