#include "support/RecordingPort.h"

#include "midi/Midi.h"

#include <algorithm>

void RecordingPort::failOn(Call call, int occurrence, std::uint32_t result) {
    failures_.push_back({call, occurrence, result});
}

std::uint32_t RecordingPort::record(Call call, std::vector<std::uint8_t> bytes,
                                    const MidiHdr* header, int headerSize) {
    records.push_back({call, std::move(bytes), header ? header->bufferLength : 0, headerSize});
    const int occurrence = count(call);
    for (const Failure& f : failures_)
        if (f.call == call && (f.occurrence == 0 || f.occurrence == occurrence))
            return f.result;
    return MidiError::NoError;
}

int RecordingPort::deviceCount() {
    record(Call::DeviceCount);
    return devices;
}

std::uint32_t RecordingPort::open() {
    return record(Call::Open);
}

std::uint32_t RecordingPort::close() {
    return record(Call::Close);
}

std::uint32_t RecordingPort::shortMessage(std::uint32_t message) {
    const std::uint32_t result = record(Call::Short, ShortMessageBytes(message));
    if (result == MidiError::NoError && onShort)
        onShort(ShortMessageBytes(message));
    return result;
}

std::uint32_t RecordingPort::prepareHeader(MidiHdr& header, int headerSize) {
    return record(Call::Prepare, {header.data.begin(), header.data.end()}, &header, headerSize);
}

std::uint32_t RecordingPort::longMessage(MidiHdr& header, int headerSize) {
    return record(Call::Long, {header.data.begin(), header.data.end()}, &header, headerSize);
}

std::uint32_t RecordingPort::unprepareHeader(MidiHdr& header, int headerSize) {
    return record(Call::Unprepare, {header.data.begin(), header.data.end()}, &header, headerSize);
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
    return static_cast<int>(std::count_if(records.begin(), records.end(),
                                          [call](const Record& r) { return r.call == call; }));
}
