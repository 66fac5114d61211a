#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// What every channel was left at: its program, each controller and its pitch bend, -1 where no
// message has set it.
struct ChannelState {
    int program = -1;
    std::array<std::int16_t, 128> controllers = Unset();
    int bend = -1; // 0..16383

    // Takes in one channel message (status with the channel stripped off or not).
    void apply(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

  private:
    static std::array<std::int16_t, 128> Unset() {
        std::array<std::int16_t, 128> values{};
        values.fill(-1);
        return values;
    }
};

// The always-on recorder: every channel message the output took, time-stamped with the steady
// clock, in a ring of fixed size allocated once. A message older than `span`, or pushed out of a
// full ring, is folded into the state each channel had where the ring begins, so what is kept
// always starts from the right programs and controllers. Runs on the thread that sends (the GUI
// thread); recording a message allocates nothing.
class Recorder {
  public:
    using Clock = std::chrono::steady_clock;

    // Trivial, so that the ring's memory is taken from the system only as it fills.
    struct Event {
        Clock::rep sinceEpoch; // the steady clock's count when the port took the message
        std::uint8_t bytes[3];
        Clock::time_point time() const { return Clock::time_point(Clock::duration(sinceEpoch)); }
    };

    // What the recorder holds at one moment: each channel's state where the events begin, and
    // the events in the order they were sent.
    struct Take {
        std::array<ChannelState, 16> start;
        std::vector<Event> events;
        Clock::time_point end;
    };

    // 1 048 576 events (16 MiB) or 30 minutes, whichever is shorter.
    static constexpr std::size_t DefaultCapacity = std::size_t{1} << 20;
    static constexpr auto DefaultSpan = std::chrono::minutes(30);

    explicit Recorder(std::size_t capacity = DefaultCapacity, Clock::duration span = DefaultSpan);

    // The bytes of one message the port took: a short message or a long one (which may hold
    // several channel messages); system messages are not kept.
    void record(const std::uint8_t* bytes, std::size_t size) { record(bytes, size, Clock::now()); }
    void record(const std::uint8_t* bytes, std::size_t size, Clock::time_point time);

    // The last `span` before `now`, as kept.
    Take take(Clock::time_point now = Clock::now()) const;

    std::size_t size() const { return count_; }

  private:
    void push(const Event& event);
    void dropOldest();

    std::unique_ptr<Event[]> ring_;
    std::size_t capacity_;
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    Clock::duration span_;
    std::array<ChannelState, 16> start_;
};
