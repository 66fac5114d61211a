#include "midi/Recorder.h"

#include "midi/ShortMessage.h"

void ChannelState::apply(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    switch (status & 0xF0) {
    case MidiStatus::ControlChange:
        controllers.at(data1 & 0x7F) = data2;
        break;
    case MidiStatus::ProgramChange:
        program = data1;
        break;
    case MidiStatus::PitchBend:
        bend = data1 | (data2 << 7);
        break;
    default:
        break;
    }
}

Recorder::Recorder(std::size_t capacity, Clock::duration span)
    : ring_(std::make_unique_for_overwrite<Event[]>(capacity == 0 ? 1 : capacity)),
      capacity_(capacity == 0 ? 1 : capacity), span_(span) {}

void Recorder::record(const std::uint8_t* bytes, std::size_t size, Clock::time_point time) {
    while (count_ > 0 && time - ring_[first_].time() > span_)
        dropOldest();
    // Channel messages one after another, running status allowed; anything from a system
    // message's status byte on (system exclusive, real time) is skipped up to the next channel
    // status.
    std::uint8_t running = 0;
    std::size_t i = 0;
    while (i < size) {
        if (bytes[i] >= 0x80) {
            running = bytes[i] < 0xF0 ? bytes[i] : 0;
            ++i;
        }
        if (running == 0) {
            while (i < size && bytes[i] < 0x80)
                ++i;
            continue;
        }
        const int dataBytes = ShortMessageLength(running) - 1;
        if (i + static_cast<std::size_t>(dataBytes) > size)
            break;
        Event event{time.time_since_epoch().count(), {running, 0, 0}};
        bool whole = true;
        for (int d = 0; d < dataBytes && whole; ++d) {
            event.bytes[1 + d] = bytes[i];
            whole = bytes[i] < 0x80;
            if (whole)
                ++i;
        }
        if (whole)
            push(event);
    }
}

void Recorder::push(const Event& event) {
    if (count_ == capacity_)
        dropOldest();
    ring_[(first_ + count_) % capacity_] = event;
    ++count_;
}

void Recorder::dropOldest() {
    const Event& oldest = ring_[first_];
    start_[oldest.bytes[0] & 0x0F].apply(oldest.bytes[0], oldest.bytes[1], oldest.bytes[2]);
    first_ = (first_ + 1) % capacity_;
    --count_;
}

Recorder::Take Recorder::take(Clock::time_point now) const {
    Take take{start_, {}, now};
    take.events.reserve(count_);
    for (std::size_t n = 0; n < count_; ++n) {
        const Event& event = ring_[(first_ + n) % capacity_];
        if (now - event.time() > span_)
            take.start[event.bytes[0] & 0x0F].apply(event.bytes[0], event.bytes[1], event.bytes[2]);
        else
            take.events.push_back(event);
    }
    return take;
}
