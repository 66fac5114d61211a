#pragma once

#include "midi/MidiPort.h"

// No output device at all: the mapper reaches nothing, so the program runs silent after telling
// the user once. Every call but deviceCount() fails, as it would on a system without devices.
class NullPort : public LongMessagePort {
  public:
    bool isOpen() const override { return false; }
    int deviceCount() override { return 0; }
    std::uint32_t open() override { return MidiError::Error; }
    std::uint32_t close() override { return MidiError::Error; }
    std::uint32_t shortMessage(std::uint32_t) override { return MidiError::Error; }

  protected:
    std::uint32_t sendLong(const std::vector<std::uint8_t>&) override { return MidiError::Error; }
};
