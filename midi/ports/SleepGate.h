#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>

// When a synthesizer that renders block after block may stop rendering, and when it must start
// again. It sleeps once, for `idleFrames` frames in a row, no voice was active, every sample
// stayed below `silence` (so release phases and the reverb's and chorus's tails have died away)
// and no message arrived; the first message after that wakes it. When nothing has sounded since
// it woke (a controller moved, a program chosen, the stream just opened), no tail can follow:
// `quietFrames` frames without a message are then enough, so such a wake costs a few blocks
// rather than a second of rendered silence.
//
// Two threads share it without a lock: the audio thread calls rendered() after each block, the
// thread that plays messages calls messageArrived() after each one. Each writes its own atomic
// before reading the other's, so at least one of them sees the other: either the message finds
// the gate asleep and wakes it, or the audio thread finds the message and stays awake. No
// message is left unheard in a sleeping synthesizer.
class SleepGate {
  public:
    SleepGate(long idleFrames, long quietFrames, float silence)
        : idleFrames_(idleFrames), quietFrames_(quietFrames), silence_(silence) {}

    // Audio thread, before rendering a block: the messages played so far are in it.
    void rendering() { rendering_ = messages_.load(); }

    // Audio thread, after rendering `frames` frames (`count` interleaved samples) with
    // `activeVoices` voices sounding: true when it must sleep now. It is then asleep until
    // woke() is called. A message that came while the block was rendered may not be in it: the
    // gate then stays awake for the next block.
    bool rendered(const float* samples, std::size_t count, long frames, int activeVoices) {
        if (rendering_ != seen_) {
            seen_ = rendering_;
            silentFrames_ = 0;
        }
        float peak = 0;
        for (std::size_t i = 0; i < count; ++i)
            peak = std::max(peak, std::fabs(samples[i]));
        if (activeVoices > 0 || peak >= silence_) {
            silentFrames_ = 0;
            sounded_ = true;
            return false;
        }
        silentFrames_ += frames;
        if (silentFrames_ < (sounded_ ? idleFrames_ : quietFrames_))
            return false;
        asleep_.store(true);
        if (messages_.load() != seen_) { // a message came meanwhile: it is played awake
            asleep_.store(false);
            silentFrames_ = 0;
            return false;
        }
        sounded_ = false;
        return true;
    }

    // Message thread, after the message was given to the synthesizer: true when the audio side
    // sleeps (or is about to) and must be woken.
    bool messageArrived() {
        messages_.fetch_add(1);
        return asleep_.load();
    }

    // The audio side renders again (called while it cannot render, before it does).
    void woke() {
        silentFrames_ = 0;
        asleep_.store(false);
    }
    // Starts asleep: nothing to render before the first message.
    void sleep() { asleep_.store(true); }

    bool asleep() const { return asleep_.load(); }

  private:
    const long idleFrames_;
    const long quietFrames_;
    const float silence_;
    std::atomic<std::uint32_t> messages_{0};
    std::atomic<bool> asleep_{false};
    // The audio thread's own.
    std::uint32_t rendering_ = 0; // messages played before the block began
    std::uint32_t seen_ = 0;      // messages the silence is counted from
    long silentFrames_ = 0;
    bool sounded_ = false; // a voice or a sample at the silence level since the last sleep
};
