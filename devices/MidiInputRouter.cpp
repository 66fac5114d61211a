#include "devices/MidiInputRouter.h"

#include "midi/Midi.h"
#include "midi/ports/SequencerOutput.h"

#include <algorithm>

namespace {
constexpr int SustainPedal = 64;
// The Note Off velocity a Note On of velocity 0 stands for.
constexpr int DefaultReleaseVelocity = 64;
// Pitch bend at the centre: 0x2000, least significant 7 bits first.
constexpr int BendCentreLsb = 0x00;
constexpr int BendCentreMsb = 0x40;
} // namespace

MidiInputRouter::MidiInputRouter(Midi& midi, IncomingNoteTarget target,
                                 std::function<bool()> inputOpen)
    : midi_(midi), target_(std::move(target)), inputOpen_(std::move(inputOpen)),
      guard_([this](const LoopBackGuard::Probe& probe) {
          // Only an ALSA or JACK port can carry it back: not the built-in synthesizer, the capture
          // file or no output. A system exclusive message is not kept for "Save MIDI file".
          const auto* out = dynamic_cast<const SequencerOutput*>(midi_.port());
          if (!inputOpen_ || !inputOpen_() || out == nullptr || !out->isOpen() ||
              !midi_.outputEnabled())
              return false;
          midi_.sendLong(
              std::string_view(reinterpret_cast<const char*>(probe.data()), probe.size()));
          return true;
      }) {}

void MidiInputRouter::handle(const std::vector<std::uint8_t>& message) {
    if (loopBack_)
        return;
    if (guard_.incoming(message)) {
        loopBack_ = true;
        releaseAll();
        if (onLoopBack_)
            onLoopBack_();
        return;
    }
    if (message.size() != 3)
        return; // only three-byte channel messages are played
    const std::uint32_t status = message[0] & 0xF0;
    const int data1 = message[1] & 0x7F;
    const int data2 = message[2] & 0x7F;

    if (status == MidiStatus::NoteOff || (status == MidiStatus::NoteOn && data2 == 0)) {
        noteOff(data1, status == MidiStatus::NoteOff ? data2 : DefaultReleaseVelocity);
        return;
    }
    NoteEngine* engine = target_.current ? target_.current() : nullptr;
    if (status == MidiStatus::NoteOn) {
        // A key pressed again before its release: the first press ends where it went.
        noteOff(data1, DefaultReleaseVelocity);
        if (engine == nullptr)
            return;
        // Remembered before it is played, so a release that arrives while it is being played
        // finds it.
        notes_[data1] = engine;
        engine->press({NoteSource::Kind::MidiIn, data1}, data1, data2);
        return;
    }
    const std::vector<int> channels =
        engine != nullptr ? engine->noteChannels() : std::vector<int>{};
    if (status == MidiStatus::ControlChange && data1 == SustainPedal)
        sendHeld(sustained_, channels, data2 < 64, status, data1, data2);
    else if (status == MidiStatus::PitchBend)
        sendHeld(bent_, channels, data1 == BendCentreLsb && data2 == BendCentreMsb, status, data1,
                 data2);
    else if (status == MidiStatus::ControlChange &&
             data1 == static_cast<int>(Controller::Modulation))
        sendHeld(modulated_, channels, data2 == 0, status, data1, data2);
}

void MidiInputRouter::sendHeld(std::set<int>& held, const std::vector<int>& channels, bool atRest,
                               std::uint32_t status, int data1, int data2) {
    if (!atRest) {
        held.insert(channels.begin(), channels.end());
        sendToChannels(channels, status, data1, data2);
        return;
    }
    std::set<int> released(channels.begin(), channels.end());
    released.merge(held);
    held.clear();
    sendToChannels(std::vector<int>(released.begin(), released.end()), status, data1, data2);
}

void MidiInputRouter::releaseAll() {
    while (!notes_.empty())
        noteOff(notes_.begin()->first, DefaultReleaseVelocity);
    sendHeld(sustained_, {}, true, MidiStatus::ControlChange, SustainPedal, 0);
    sendHeld(bent_, {}, true, MidiStatus::PitchBend, BendCentreLsb, BendCentreMsb);
    sendHeld(modulated_, {}, true, MidiStatus::ControlChange,
             static_cast<int>(Controller::Modulation), 0);
}

void MidiInputRouter::noteOff(int note, int velocity) {
    // Out of the table before the engine is called: whatever runs during the call (another
    // message of the input) finds the note already ended.
    auto entry = notes_.extract(note);
    if (entry.empty())
        return;
    // An engine whose window has closed silenced its channels when it closed.
    if (NoteEngine* engine = entry.mapped())
        engine->release({NoteSource::Kind::MidiIn, note}, velocity);
}

void MidiInputRouter::sendToChannels(const std::vector<int>& channels, std::uint32_t status,
                                     int data1, int data2) {
    for (int channel : channels) {
        midi_.send(channel, status, data1, data2);
    }
}

void MidiInputRouter::reset() {
    loopBack_ = false;
    guard_.reset();
}
