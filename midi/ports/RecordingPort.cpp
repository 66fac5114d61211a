#include "midi/ports/RecordingPort.h"

void RecordingPort::failOn(Call, int, std::uint32_t) {}
int RecordingPort::deviceCount() { return devices; }
std::uint32_t RecordingPort::open() { return 0; }
std::uint32_t RecordingPort::close() { return 0; }
std::uint32_t RecordingPort::shortMessage(std::uint32_t) { return 0; }
std::uint32_t RecordingPort::prepareHeader(MidiHdr&, int) { return 0; }
std::uint32_t RecordingPort::longMessage(MidiHdr&, int) { return 0; }
std::uint32_t RecordingPort::unprepareHeader(MidiHdr&, int) { return 0; }
std::vector<std::vector<std::uint8_t>> RecordingPort::messages() const { return {}; }
std::vector<std::string> RecordingPort::messageLines() const { return {}; }
int RecordingPort::count(Call) const { return 0; }
std::uint32_t RecordingPort::result(Call) { return 0; }
std::string HexLine(const std::vector<std::uint8_t>&) { return {}; }
