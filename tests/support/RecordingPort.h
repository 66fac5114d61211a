#pragma once

#include "midi/MidiPort.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Midi;

// An in-process capture port: records every call with its bytes, and can be told to fail the
// n-th call of a given kind with a given result. Used by the tests; the program never picks it.
class RecordingPort : public MidiPort {
  public:
    enum class Call { DeviceCount, Open, Close, Short, Prepare, Long, Unprepare };
    struct Record {
        Call call;
        std::vector<std::uint8_t> bytes; // short: by its status; long calls: what the header holds
    };

    int devices = 1;          // what deviceCount() answers
    bool emptyAtOpen = false; // what startsEmpty() answers: a synthesizer made at open
    // Called with the bytes of every short message that went out (a device looping back, say).
    std::function<void(const std::vector<std::uint8_t>&)> onShort;
    std::vector<Record> records;

    // Make the `occurrence`-th call (1-based, counted from the last clear()) of kind `call`
    // return `result`; occurrence 0: every call of that kind.
    void failOn(Call call, int occurrence, std::uint32_t result) {
        failures_.push_back({call, occurrence, result});
    }

    int deviceCount() override;
    std::uint32_t open() override { return record(Call::Open); }
    std::uint32_t close() override { return record(Call::Close); }
    std::uint32_t shortMessage(std::uint32_t message) override;
    std::uint32_t prepareHeader(MidiHdr& h, int) override { return record(Call::Prepare, h); }
    std::uint32_t longMessage(MidiHdr& h, int) override { return record(Call::Long, h); }
    std::uint32_t unprepareHeader(MidiHdr& h, int) override { return record(Call::Unprepare, h); }
    bool startsEmpty() const override { return emptyAtOpen; }
    // What the MIDI module gave it to say what its sound does.
    std::function<void(int)> statusHandler;
    void setStatusHandler(std::function<void(int)> handler) override { statusHandler = handler; }

    // Bytes of every short and long message sent, in order, one vector per message.
    std::vector<std::vector<std::uint8_t>> messages() const;
    // The same as hex lines ("90 3c 64").
    std::vector<std::string> messageLines() const;
    int count(Call call) const;
    void clear() { records.clear(); }

  private:
    std::uint32_t record(Call call, std::vector<std::uint8_t> bytes = {});
    std::uint32_t record(Call call, const MidiHdr& h) { return record(call, LongMessageBytes(h)); }
    struct Failure {
        Call call;
        int occurrence;
        std::uint32_t result;
    };
    std::vector<Failure> failures_;
};

// The messages `midi`'s recorder kept since it was last taken, as hex lines ("90 3c 64"); taken.
std::vector<std::string> RecordedLines(Midi& midi);
