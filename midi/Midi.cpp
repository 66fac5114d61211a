#include "midi/Midi.h"

#include <cstdio>
#include <utility>

int ShortMessageLength(std::uint8_t status) {
    if (status < 0x80)
        return 0; // a data byte, not a status
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0))
        return 3; // note off/on, key pressure, control change, pitch bend
    if (status < 0xE0)
        return 2; // program change, channel pressure
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default: // tune request, real-time bytes and the rest: the status alone
        return 1;
    }
}

std::vector<std::uint8_t> ShortMessageBytes(std::uint32_t message) {
    int length = ShortMessageLength(static_cast<std::uint8_t>(message & 0xFF));
    if (length == 0)
        length = 3;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < length; ++i)
        bytes.push_back(static_cast<std::uint8_t>((message >> (8 * i)) & 0xFF));
    return bytes;
}

std::string HexLine(const std::vector<std::uint8_t>& bytes) {
    std::string line;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(bytes[i]));
        if (i > 0)
            line += ' ';
        line += buf;
    }
    return line;
}

Midi::Midi() = default;

Midi::~Midi() = default;

void Midi::report(int messageNumber) const {
    if (showMessage_)
        showMessage_(messageNumber);
}

void Midi::setPort(std::unique_ptr<MidiPort> port) {
    port_ = std::move(port);
}

std::uint32_t Midi::OpenMidiOutput() {
    NoMidiDevice = false;
    if (MidiOutEnabled != 1)
        return 0;

    // With no port at all the mapper reaches nothing: the same as a system without devices.
    MidiOutDeviceCount = port_ ? port_->deviceCount() : 0;
    MidiOutOpen = 1;

    if (MidiOutDeviceCount == 0) {
        MidiOutOpen = 0;
        report(22);
        MidiOutEnabled = 0;
        NoMidiDevice = true;
        return 0;
    }

    MidiOutDeviceId = -1;
    MidiResult = port_->open();
    CheckMidiResult();
    return MidiResult;
}

void Midi::CloseMidiOutput() {
    if (MidiOutEnabled != 1)
        return;
    MidiResult = port_ ? port_->close() : MidiError::Error;
    if (MidiResult != 0)
        report(23);
    else
        MidiOutOpen = 0;
}

void Midi::CheckMidiResult() {
    if (MidiResult == 0)
        return;
    if (MidiResult == MidiError::Allocated)
        report(20);
    else
        report(21);
    MidiOutEnabled = 0;
}

void Midi::SendShortMessage() {
    if (MidiOutEnabled != 1)
        return;
    MidiResult = port_ ? port_->shortMessage(MidiMessage) : MidiError::Error;
    if (MidiResult == 0 && sent_) {
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(MidiMessage & 0xFF),
                                       static_cast<std::uint8_t>((MidiMessage >> 8) & 0xFF),
                                       static_cast<std::uint8_t>((MidiMessage >> 16) & 0xFF)};
        const int length = ShortMessageLength(bytes[0]);
        tellSent(bytes, static_cast<std::size_t>(length == 0 ? 3 : length));
    }
    CheckMidiResult();
}

void Midi::tellSent(const std::uint8_t* bytes, std::size_t size) const {
    if (sent_)
        sent_(bytes, size);
}

void Midi::SendNoteOn(int channel, int note, int velocity) {
    MidiMessage =
        PackShortMessage(static_cast<std::uint32_t>(channel) | MidiStatus::NoteOn,
                         static_cast<std::uint32_t>(note), static_cast<std::uint32_t>(velocity));
    SendShortMessage();
}

void Midi::SendNoteOff(int channel, int note, int velocity) {
    MidiMessage =
        PackShortMessage(static_cast<std::uint32_t>(channel) | MidiStatus::NoteOff,
                         static_cast<std::uint32_t>(note), static_cast<std::uint32_t>(velocity));
    SendShortMessage();
}

void Midi::SendAllNotesOff(int channel) {
    MidiMessage = PackShortMessage(static_cast<std::uint32_t>(channel) | MidiStatus::ControlChange,
                                   Controller::AllNotesOff, 0u);
    SendShortMessage();
}

void Midi::SendLongMessage() {
    if (MidiOutEnabled != 1)
        return;

    MidiHeader.bufferLength = static_cast<std::uint32_t>(MidiHeader.data.size());
    MidiHeader.bytesRecorded = 0;
    MidiHeader.user = 0;
    MidiHeader.flags = 0;
    MidiHeaderSize = 28;

    // The three calls always run in order, each result checked as it comes; the header and its
    // data are not touched between them.
    MidiResult = port_ ? port_->prepareHeader(MidiHeader, MidiHeaderSize) : MidiError::Error;
    CheckMidiResult();
    MidiResult = port_ ? port_->longMessage(MidiHeader, MidiHeaderSize) : MidiError::Error;
    if (MidiResult == 0 && sent_) {
        const std::vector<std::uint8_t> bytes = LongMessageBytes(MidiHeader);
        tellSent(bytes.data(), bytes.size());
    }
    CheckMidiResult();
    MidiResult = port_ ? port_->unprepareHeader(MidiHeader, MidiHeaderSize) : MidiError::Error;
    CheckMidiResult();
}

bool Midi::ReplacePort(std::unique_ptr<MidiPort> port, bool report) {
    if (MidiOutEnabled == 1 && MidiOutOpen == 1) {
        for (int channel = 0; channel < 16; ++channel)
            SendAllNotesOff(channel);
        CloseMidiOutput();
    }
    port_ = std::move(port);
    MidiOutOpen = 0;
    MidiOutEnabled = port_ ? 1 : 0;
    MessageHandler handler = report ? MessageHandler() : std::exchange(showMessage_, nullptr);
    OpenMidiOutput();
    if (!report)
        showMessage_ = std::move(handler);
    return MidiOutEnabled == 1;
}

void SendProgramChange(Midi& midi, int channel, int program) {
    midi.MidiHeader.data.assign(
        {static_cast<char>(MidiStatus::ProgramChange | static_cast<std::uint32_t>(channel & 0x0F)),
         static_cast<char>(program & 0x7F)});
    midi.SendLongMessage();
}
