#pragma once

#include "midi/MidiPort.h"

#include <cstdio>
#include <string>
#include <vector>

// A MIDI monitor: appends every message, short or long, to a file as one line of two-digit
// lowercase hex bytes separated by single blanks ("90 3c 64"), flushed at once so another process
// can follow it while the program runs.
class FileCapturePort : public LongMessagePort {
  public:
    explicit FileCapturePort(std::string path);
    ~FileCapturePort() override;
    FileCapturePort(const FileCapturePort&) = delete;
    FileCapturePort& operator=(const FileCapturePort&) = delete;

    const std::string& path() const { return path_; }
    bool isOpen() const override { return file_ != nullptr; }

    int deviceCount() override { return 1; }
    // Opens the file for appending, creating it when missing; an error when it cannot be opened.
    std::uint32_t open() override;
    std::uint32_t close() override;
    std::uint32_t shortMessage(std::uint32_t message) override;

  protected:
    std::uint32_t sendLong(const std::vector<std::uint8_t>& bytes) override {
        return writeLine(bytes);
    }

  private:
    std::uint32_t writeLine(const std::vector<std::uint8_t>& bytes);

    std::string path_;
    std::FILE* file_ = nullptr;
};
