#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <type_traits>

// A bounded queue of `Capacity` values between exactly one producer thread and one consumer
// thread, without locks or allocation: what a real-time thread (JACK's process callback, a MIDI
// reader) may use to hand data to another thread. The slots live inside the object, so a large
// ring is allocated once, outside the real-time thread, and never resized.
//
// The positions count up without wrapping back (a 64-bit count does not overflow in practice);
// the slot of a position is its low bits. The producer publishes a slot with a release store of
// `tail_`, the consumer frees it with a release store of `head_`; each reads the other's with
// acquire, so a value is whole when the other side sees it.
template <typename T, std::size_t Capacity> class SpscRing {
    static_assert(std::has_single_bit(Capacity), "the capacity is a power of two");
    static_assert(std::is_trivially_copyable_v<T>, "slots are copied as plain values");

  public:
    static constexpr std::size_t capacity() { return Capacity; }

    // Producer: false, and nothing stored, when the ring is full.
    bool push(const T& value) noexcept {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity)
            return false;
        slots_[tail & Mask] = value;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest value, left in place until popFront(); null when the ring is empty.
    const T* front() const noexcept {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        return head == tail_.load(std::memory_order_acquire) ? nullptr : &slots_[head & Mask];
    }
    // Consumer: frees the slot front() returned.
    void popFront() noexcept {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    // Consumer: takes the oldest value; false when the ring is empty.
    bool pop(T& value) noexcept {
        const T* oldest = front();
        if (oldest == nullptr)
            return false;
        value = *oldest;
        popFront();
        return true;
    }

    // Either side: how many values wait now (a snapshot: the other side may change it).
    std::size_t size() const noexcept {
        return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire);
    }

  private:
    static constexpr std::size_t Mask = Capacity - 1;
    // Apart, so that the two threads do not share a cache line for their counters.
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
    alignas(64) std::array<T, Capacity> slots_{};
};
