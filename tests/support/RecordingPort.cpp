#include "support/RecordingPort.h"

#include "midi/Midi.h"

#include <algorithm>

std::uint32_t RecordingPort::record(Call call, std::vector<std::uint8_t> bytes) {
    records.push_back({call, std::move(bytes)});
    for (const Failure& f : failures_)
        if (f.call == call && (f.occurrence == 0 || f.occurrence == count(call)))
            return f.result;
    return MidiError::NoError;
}

int RecordingPort::deviceCount() {
    record(Call::DeviceCount);
    return devices;
}

std::uint32_t RecordingPort::shortMessage(std::uint32_t message) {
    const std::uint32_t result = record(Call::Short, ShortMessageBytes(message));
    if (result == MidiError::NoError && onShort)
        onShort(ShortMessageBytes(message)); // a copy: the handler may send again
    return result;
}

std::vector<std::vector<std::uint8_t>> RecordingPort::messages() const {
    std::vector<std::vector<std::uint8_t>> out;
    for (const Record& r : records)
        if (r.call == Call::Short || r.call == Call::Long)
            out.push_back(r.bytes);
    return out;
}

std::vector<std::string> RecordingPort::messageLines() const {
    std::vector<std::string> out;
    for (const auto& m : messages())
        out.push_back(HexLine(m));
    return out;
}

int RecordingPort::count(Call call) const {
    return static_cast<int>(std::ranges::count(records, call, &Record::call));
}

std::vector<std::string> RecordedLines(Midi& midi) {
    std::vector<std::string> lines;
    for (const Recorder::Event& e : midi.recorder().take().events)
        lines.push_back(HexLine({e.bytes, e.bytes + ShortMessageLength(e.bytes[0])}));
    return lines;
}
