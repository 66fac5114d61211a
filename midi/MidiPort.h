#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The long-message header: the first seven fields of the platform's MIDIHDR.
struct MidiHdr {
    std::string data; // the bytes of the long message
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;
    MidiHdr* next = nullptr;
    std::uintptr_t reserved = 0;
};

// Header flags kept by the ports: prepared between prepareHeader and unprepareHeader, done once
// longMessage has handed the bytes on.
constexpr std::uint32_t MidiHeaderDone = 0x1;
constexpr std::uint32_t MidiHeaderPrepared = 0x2;

// The bytes of a long message: the header's data, at most bufferLength of them.
inline std::vector<std::uint8_t> LongMessageBytes(const MidiHdr& header) {
    const std::size_t n = std::min<std::size_t>(header.bufferLength, header.data.size());
    return std::vector<std::uint8_t>(header.data.begin(),
                                     header.data.begin() + static_cast<std::ptrdiff_t>(n));
}

// Results the program tells apart.
namespace MidiError {
constexpr std::uint32_t NoError = 0;
constexpr std::uint32_t Allocated = 4; // device already in use
constexpr std::uint32_t Error = 1;     // any other failure
} // namespace MidiError

// What a port that plays sound itself says of its audio output when it changes by itself.
namespace SoundStatus {
constexpr int ServerGone = 1; // the sound server went: waited for, played again when back
constexpr int OutputGone = 2; // the audio output failed (its sink went): tried again
constexpr int Back = 3;       // playing again after one of those
constexpr int Lost = 4;       // gone, and it cannot come back by itself
} // namespace SoundStatus

// One MIDI output as the program sees it: the calls of the MIDI module, each with its result.
class MidiPort {
  public:
    virtual ~MidiPort() = default;
    virtual int deviceCount() = 0;
    virtual std::uint32_t open() = 0;
    virtual std::uint32_t close() = 0;
    // Bits 0-7 status, 8-15 first data byte, 16-23 second data byte.
    virtual std::uint32_t shortMessage(std::uint32_t message) = 0;
    virtual std::uint32_t prepareHeader(MidiHdr& header, int headerSize) = 0;
    virtual std::uint32_t longMessage(MidiHdr& header, int headerSize) = 0;
    virtual std::uint32_t unprepareHeader(MidiHdr& header, int headerSize) = 0;
    // True for a device that knows nothing when it opens (a synthesizer created by the program):
    // it must be told every part's state before it sounds as the windows show.
    virtual bool startsEmpty() const { return false; }
    // Told a SoundStatus on the thread that made the port, for a port that has one to say.
    virtual void setStatusHandler(std::function<void(int status)> /*handler*/) {}
};

// A port that hands a long message on in one piece, with the header calls every such port
// shares: preparing and unpreparing need the port open; a long message needs a prepared header,
// and the header is marked done once sendLong() took its bytes.
class LongMessagePort : public MidiPort {
  public:
    virtual bool isOpen() const = 0;
    std::uint32_t prepareHeader(MidiHdr& header, int headerSize) final;
    std::uint32_t longMessage(MidiHdr& header, int headerSize) final;
    std::uint32_t unprepareHeader(MidiHdr& header, int headerSize) final;

  protected:
    // The bytes of a long message (at most the header's buffer length of its data).
    virtual std::uint32_t sendLong(const std::vector<std::uint8_t>& bytes) = 0;
};
