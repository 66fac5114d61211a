#include "midi/StandardMidiFile.h"

#include "midi/Midi.h"

#include <algorithm>
#include <map>

// The file format is written here rather than through a library: Debian's MIDI-file library for
// Qt is built for Qt 5, which cannot share a process with this Qt 6 program, and the part of the
// format needed (header, tracks, variable-length times, three meta events) is small.

namespace StandardMidiFile {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBigEndian(Bytes& out, std::uint32_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void PutVariableLength(Bytes& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

// One track's events, each at its absolute tick, written with delta times.
class Track {
  public:
    void event(std::uint32_t tick, std::initializer_list<std::uint8_t> bytes) {
        PutVariableLength(body_, tick - std::min(tick, last_));
        last_ = std::max(tick, last_);
        body_.insert(body_.end(), bytes);
    }
    void meta(std::uint32_t tick, std::uint8_t type, const Bytes& data) {
        event(tick, {0xFF, type});
        PutVariableLength(body_, static_cast<std::uint32_t>(data.size()));
        body_.insert(body_.end(), data.begin(), data.end());
    }
    void appendTo(Bytes& file) {
        meta(last_, 0x2F, {}); // end of track
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        PutBigEndian(file, static_cast<std::uint32_t>(body_.size()), 4);
        file.insert(file.end(), body_.begin(), body_.end());
    }

  private:
    Bytes body_;
    std::uint32_t last_ = 0;
};

bool IsNoteOn(const Recorder::Event& e) {
    return (e.bytes[0] & 0xF0) == MidiStatus::NoteOn && e.bytes[2] > 0;
}

bool IsNoteOff(const Recorder::Event& e) {
    return (e.bytes[0] & 0xF0) == MidiStatus::NoteOff ||
           ((e.bytes[0] & 0xF0) == MidiStatus::NoteOn && e.bytes[2] == 0);
}

// Controllers 120..127 are channel mode messages (All Notes Off and the like), not state.
constexpr int FirstModeController = 120;

// All Sound Off, All Notes Off and the mode changes that imply it.
bool EndsNotes(int controller) {
    return controller == 120 || controller >= 123;
}

void WriteStartState(Track& track, int channel, const ChannelState& state) {
    const auto ch = static_cast<std::uint8_t>(channel);
    if (state.program >= 0)
        track.event(0, {static_cast<std::uint8_t>(MidiStatus::ProgramChange | ch),
                        static_cast<std::uint8_t>(state.program)});
    for (int c = 0; c < FirstModeController; ++c)
        if (state.controllers[static_cast<std::size_t>(c)] >= 0)
            track.event(
                0, {static_cast<std::uint8_t>(MidiStatus::ControlChange | ch),
                    static_cast<std::uint8_t>(c),
                    static_cast<std::uint8_t>(state.controllers[static_cast<std::size_t>(c)])});
    if (state.bend >= 0)
        track.event(0, {static_cast<std::uint8_t>(MidiStatus::PitchBend | ch),
                        static_cast<std::uint8_t>(state.bend & 0x7F),
                        static_cast<std::uint8_t>(state.bend >> 7)});
}

// Fills what `start` leaves unset, and nothing the recording set later (`recorded`), from `shown`.
void StandIn(ChannelState& start, const ChannelState& recorded, const ChannelState& shown) {
    if (start.program < 0 && recorded.program < 0)
        start.program = shown.program;
    for (std::size_t c = 0; c < std::size_t{FirstModeController}; ++c)
        if (start.controllers[c] < 0 && recorded.controllers[c] < 0)
            start.controllers[c] = shown.controllers[c];
    if (start.bend < 0 && recorded.bend < 0)
        start.bend = shown.bend;
}

} // namespace

Bytes Write(const Recorder::Take& take, const std::array<std::string, 16>& trackNames,
            const std::array<ChannelState, 16>& shown) {
    // Where the file's time begins: the first event kept, or LeadIn before the first note.
    auto origin = take.events.empty() ? take.end : take.events.front().time();
    const auto firstNote = std::ranges::find_if(take.events, IsNoteOn);
    if (firstNote != take.events.end())
        origin = std::max(origin, firstNote->time() - LeadIn);
    const auto ticksAt = [origin](Recorder::Clock::time_point time) {
        const long long ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(time - origin).count();
        const long long nsPerQuarter = 1000LL * MicrosecondsPerQuarter;
        return static_cast<std::uint32_t>(
            std::max(0LL, (ns * TicksPerQuarter + nsPerQuarter / 2) / nsPerQuarter));
    };

    std::array<ChannelState, 16> start = take.start;
    std::array<ChannelState, 16> recorded; // what the events after the origin set
    std::array<bool, 16> used{};
    for (const Recorder::Event& e : take.events) {
        ChannelState& into = (e.time() < origin ? start : recorded)[e.bytes[0] & 0x0F];
        into.apply(e.bytes[0], e.bytes[1], e.bytes[2]);
        if (e.time() >= origin && IsNoteOn(e))
            used[e.bytes[0] & 0x0F] = true;
    }
    for (std::size_t channel = 0; channel < 16; ++channel)
        StandIn(start[channel], recorded[channel], shown[channel]);

    Bytes file{'M', 'T', 'h', 'd'};
    PutBigEndian(file, 6, 4);
    PutBigEndian(file, 1, 2);
    PutBigEndian(file, static_cast<std::uint32_t>(1 + std::ranges::count(used, true)), 2);
    PutBigEndian(file, TicksPerQuarter, 2);

    Track tempo;
    tempo.meta(0, 0x51,
               {MicrosecondsPerQuarter >> 16, (MicrosecondsPerQuarter >> 8) & 0xFF,
                MicrosecondsPerQuarter & 0xFF});
    tempo.meta(0, 0x58, {4, 2, 24, 8}); // 4/4
    tempo.appendTo(file);

    const std::uint32_t endTick = ticksAt(take.end);
    for (int channel = 0; channel < 16; ++channel) {
        if (!used[static_cast<std::size_t>(channel)])
            continue;
        const auto ch = static_cast<std::uint8_t>(channel);
        const std::string& name = trackNames[static_cast<std::size_t>(channel)];
        Track track;
        track.meta(0, 0x03, Bytes(name.begin(), name.end()));
        WriteStartState(track, channel, start[static_cast<std::size_t>(channel)]);
        // Note Ons not yet ended, by note; each repeated Note On has its own Note Off.
        std::map<int, int> sounding;
        const auto endAll = [&](std::uint32_t tick) {
            for (auto& [note, count] : sounding)
                for (; count > 0; --count)
                    track.event(tick, {static_cast<std::uint8_t>(MidiStatus::NoteOff | ch),
                                       static_cast<std::uint8_t>(note), 0x40});
            sounding.clear();
        };
        for (const Recorder::Event& e : take.events) {
            if ((e.bytes[0] & 0x0F) != channel || e.time() < origin)
                continue;
            const std::uint32_t tick = ticksAt(e.time());
            if (IsNoteOff(e)) {
                auto it = sounding.find(e.bytes[1]);
                if (it == sounding.end())
                    continue;
                if (--it->second == 0)
                    sounding.erase(it);
            } else if (IsNoteOn(e)) {
                ++sounding[e.bytes[1]];
            } else if ((e.bytes[0] & 0xF0) == MidiStatus::ControlChange && EndsNotes(e.bytes[1])) {
                endAll(tick);
            }
            if (ShortMessageLength(e.bytes[0]) == 2)
                track.event(tick, {e.bytes[0], e.bytes[1]});
            else
                track.event(tick, {e.bytes[0], e.bytes[1], e.bytes[2]});
        }
        endAll(endTick);
        track.appendTo(file);
    }
    return file;
}

} // namespace StandardMidiFile
