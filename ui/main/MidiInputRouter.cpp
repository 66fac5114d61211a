#include "ui/main/MidiInputRouter.h"

#include "midi/Midi.h"
#include "ui/keyboard/Keyboard.h"

namespace {
constexpr int SustainPedal = 64;
// The Note Off velocity a Note On of velocity 0 stands for.
constexpr int DefaultReleaseVelocity = 64;
} // namespace

MidiInputRouter::MidiInputRouter(Midi& midi, std::function<Keyboard*()> target)
    : midi_(midi), target_(std::move(target)) {}

void MidiInputRouter::handle(const std::vector<std::uint8_t>& message) {
    if (message.size() < 3)
        return; // only three-byte channel messages are played
    const std::uint32_t status = message[0] & 0xF0;
    const int data1 = message[1] & 0x7F;
    const int data2 = message[2] & 0x7F;

    if (status == MidiStatus::NoteOff || (status == MidiStatus::NoteOn && data2 == 0)) {
        noteOff(data1, status == MidiStatus::NoteOff ? data2 : DefaultReleaseVelocity);
        return;
    }
    Keyboard* keyboard = target_ ? target_() : nullptr;
    if (status == MidiStatus::NoteOn) {
        // A key pressed again before its release: the first press ends where it went.
        noteOff(data1, DefaultReleaseVelocity);
        if (keyboard == nullptr)
            return;
        keyboard->ExternalNoteOn(data1, data1, data2);
        notes_[data1] = keyboard;
        return;
    }
    const std::vector<int> channels =
        keyboard != nullptr ? keyboard->NoteChannels() : std::vector<int>{};
    if (status == MidiStatus::ControlChange && data1 == SustainPedal) {
        if (data2 >= 64) {
            sustained_.insert(channels.begin(), channels.end());
            sendToChannels(channels, status, data1, data2);
        } else {
            std::set<int> released(channels.begin(), channels.end());
            released.merge(sustained_);
            sustained_.clear();
            sendToChannels(std::vector<int>(released.begin(), released.end()), status, data1,
                           data2);
        }
    } else if (status == MidiStatus::PitchBend ||
               (status == MidiStatus::ControlChange &&
                data1 == static_cast<int>(Controller::Modulation))) {
        sendToChannels(channels, status, data1, data2);
    }
}

void MidiInputRouter::releaseAll() {
    while (!notes_.empty())
        noteOff(notes_.begin()->first, DefaultReleaseVelocity);
    if (!sustained_.empty())
        sendToChannels(std::vector<int>(sustained_.begin(), sustained_.end()),
                       MidiStatus::ControlChange, SustainPedal, 0);
    sustained_.clear();
}

void MidiInputRouter::noteOff(int note, int velocity) {
    const auto it = notes_.find(note);
    if (it == notes_.end())
        return;
    // A keyboard whose window has closed silenced its channels when it closed.
    if (Keyboard* keyboard = it->second)
        keyboard->ExternalNoteOff(note, velocity);
    notes_.erase(it);
}

void MidiInputRouter::sendToChannels(const std::vector<int>& channels, std::uint32_t status,
                                     int data1, int data2) {
    for (int channel : channels) {
        midi_.MidiMessage =
            PackShortMessage(status | static_cast<std::uint32_t>(channel),
                             static_cast<std::uint32_t>(data1), static_cast<std::uint32_t>(data2));
        midi_.SendShortMessage();
    }
}
