#include "devices/LoopBackGuard.h"

#include <algorithm>

namespace {
constexpr std::uint8_t SysExStart = 0xF0;
constexpr std::uint8_t SysExEnd = 0xF7;
} // namespace

LoopBackGuard::LoopBackGuard(SendProbe send)
    : send_(std::move(send)), random_(std::random_device{}()) {
    newTag();
}

void LoopBackGuard::newTag() {
    // A tag of its own for each input: a probe of another run or another input is not ours.
    std::uniform_int_distribution<int> data(0, 0x7F);
    probe_ = {SysExStart, NonCommercial, 0, 0, 0, 0, SysExEnd};
    for (std::size_t i = 2; i + 1 < probe_.size(); ++i)
        probe_[i] = static_cast<std::uint8_t>(data(random_));
}

void LoopBackGuard::reset() {
    newTag();
    echoesInARow_ = 0;
    for (Sent& slot : sentRing_)
        slot.matched = true;
    suspectLimit_ = SuspectLimit;
    probe();
}

void LoopBackGuard::probe() {
    if (send_ && send_(probe_))
        ++probesSent_;
}

void LoopBackGuard::sent(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0 || size > 3)
        return; // the probe and other long messages: only channel messages come back played
    Sent& slot = sentRing_[sentNext_];
    sentNext_ = (sentNext_ + 1) % sentRing_.size();
    slot.bytes = {};
    std::copy_n(bytes, size, slot.bytes.begin());
    slot.at = Clock::now();
    slot.matched = false;
}

bool LoopBackGuard::incoming(const std::vector<std::uint8_t>& message) {
    if (std::equal(message.begin(), message.end(), probe_.begin(), probe_.end()))
        return true;
    const Clock::time_point now = Clock::now();
    if (suspectedEcho(message, now) && echoesInARow_ >= suspectLimit_) {
        // It looks like a loop, or like a player repeating: ask the output.
        echoesInARow_ = 0;
        suspectLimit_ = std::min(suspectLimit_ * 2, MaxSuspectLimit);
        probe();
    }
    return false;
}

bool LoopBackGuard::suspectedEcho(const std::vector<std::uint8_t>& message, Clock::time_point now) {
    std::array<std::uint8_t, 3> bytes{};
    std::copy_n(message.begin(), std::min(message.size(), bytes.size()), bytes.begin());
    for (Sent& slot : sentRing_) {
        if (!slot.matched && slot.bytes == bytes && now - slot.at <= SuspectWindow) {
            slot.matched = true; // each message sent explains one message coming back
            ++echoesInARow_;
            return true;
        }
    }
    echoesInARow_ = 0;
    return false;
}
