#pragma once

#include "midi/MidiPort.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// An in-process capture port: records every call with its bytes, and can be told to fail the
// n-th call of a given kind with a given result. Used by the tests; the program never picks it.
class RecordingPort : public MidiPort {
  public:
    enum class Call { DeviceCount, Open, Close, Short, Prepare, Long, Unprepare };

    struct Record {
        Call call;
        std::vector<std::uint8_t> bytes; // short: the message's bytes (its length by status);
                                         // long calls: the header's data
        std::uint32_t bufferLength = 0;  // long calls: the header's buffer length
        int headerSize = 0;              // long calls: the size passed
    };

    int devices = 1;          // what deviceCount() answers
    bool emptyAtOpen = false; // what startsEmpty() answers: a synthesizer made at open
    // Called with the bytes of every short message that went out (a device looping back, say).
    std::function<void(const std::vector<std::uint8_t>&)> onShort;

    // Make the `occurrence`-th call (1-based, counted over the records kept, so from the last
    // clear()) of kind `call` return `result`; occurrence 0: every call of that kind.
    void failOn(Call call, int occurrence, std::uint32_t result);

    int deviceCount() override;
    std::uint32_t open() override;
    std::uint32_t close() override;
    std::uint32_t shortMessage(std::uint32_t message) override;
    std::uint32_t prepareHeader(MidiHdr& header, int headerSize) override;
    std::uint32_t longMessage(MidiHdr& header, int headerSize) override;
    std::uint32_t unprepareHeader(MidiHdr& header, int headerSize) override;
    bool startsEmpty() const override { return emptyAtOpen; }

    std::vector<Record> records;

    // Bytes of every short and long message sent, in order, one vector per message.
    std::vector<std::vector<std::uint8_t>> messages() const;
    // The same as hex lines ("90 3c 64"), handy in test failures.
    std::vector<std::string> messageLines() const;
    int count(Call call) const;
    void clear() { records.clear(); }

  private:
    // Keeps the record of a call and answers it: the failure set for it, or success.
    std::uint32_t record(Call call, std::vector<std::uint8_t> bytes = {},
                         const MidiHdr* header = nullptr, int headerSize = 0);
    struct Failure {
        Call call;
        int occurrence;
        std::uint32_t result;
    };
    std::vector<Failure> failures_;
};
