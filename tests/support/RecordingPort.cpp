#include "support/RecordingPort.h"

#include "midi/Midi.h"

#include <algorithm>

void RecordingPort::failOn(Call call, int occurrence, std::uint32_t result) {
    failures_.push_back({call, occurrence, result});
}

std::uint32_t RecordingPort::result(Call call) {
    // Called after the record of this call was added: its occurrence is the count so far.
    const int occurrence = count(call);
    for (const Failure& f : failures_)
        if (f.call == call && (f.occurrence == 0 || f.occurrence == occurrence))
            return f.result;
    return MidiError::NoError;
}

int RecordingPort::deviceCount() {
    records.push_back({Call::DeviceCount, {}, 0, 0});
    return devices;
}

std::uint32_t RecordingPort::open() {
    records.push_back({Call::Open, {}, 0, 0});
    return result(Call::Open);
}

std::uint32_t RecordingPort::close() {
    records.push_back({Call::Close, {}, 0, 0});
    return result(Call::Close);
}

std::uint32_t RecordingPort::shortMessage(std::uint32_t message) {
    records.push_back({Call::Short, ShortMessageBytes(message), 0, 0});
    return result(Call::Short);
}

namespace {
std::vector<std::uint8_t> HeaderBytes(const MidiHdr& header) {
    return std::vector<std::uint8_t>(header.data.begin(), header.data.end());
}
} // namespace

std::uint32_t RecordingPort::prepareHeader(MidiHdr& header, int headerSize) {
    records.push_back({Call::Prepare, HeaderBytes(header), header.bufferLength, headerSize});
    return result(Call::Prepare);
}

std::uint32_t RecordingPort::longMessage(MidiHdr& header, int headerSize) {
    records.push_back({Call::Long, HeaderBytes(header), header.bufferLength, headerSize});
    return result(Call::Long);
}

std::uint32_t RecordingPort::unprepareHeader(MidiHdr& header, int headerSize) {
    records.push_back({Call::Unprepare, HeaderBytes(header), header.bufferLength, headerSize});
    return result(Call::Unprepare);
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
