#pragma once

#include "midi/ports/SpscRing.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

struct _fluid_synth_t;
struct _fluid_file_renderer_t;

// FluidSynth renders in blocks of this many frames and plays an event at the start of the next
// block; frames of a block rendered but not yet taken wait for the next write.
constexpr int FluidBlockFrames = 64;

// What the thread that plays messages hands to the thread that renders the synthesizer, and the
// rendering itself. FluidSynth's API runs without its lock (synth.threadsafe-api 0): while audio
// runs, only the audio thread calls it, so it never waits for a note the other thread is giving
// the synthesizer. Messages go through a lock-free ring allocated once; the audio thread applies
// all that waits before each block. Where no audio runs (offline, or a stream asleep or gone,
// under the lock that keeps its thread out), the thread that plays applies them itself.
class SynthFeed {
  public:
    explicit SynthFeed(_fluid_synth_t* synth) : synth_(synth) {}

    // The playing side. A channel message (status, up to two data bytes), or system reset (0xFF).
    void push(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // A system exclusive message, without its F0 and F7 bytes.
    void pushSysex(const std::uint8_t* data, std::size_t size);
    // The synthesizer's output level (synth.gain), applied in order with the messages.
    void pushGain(float gain);
    // Offline: the producer is also the consumer, so a full ring is applied at once instead of
    // waited for.
    void setSingleThread(bool single) { singleThread_ = single; }
    // Messages lost because the audio thread took none for long (it stopped).
    long dropped() const { return dropped_.load(); }

    // The rendering side: applies what waits.
    void applyPending();
    // Applies what waits and renders `frames` frames as interleaved stereo floats.
    void render(float* interleaved, int frames);
    // The callback of FluidSynth's own audio drivers (new_fluid_audio_driver2).
    static int Process(void* feed, int frames, int effects, float* fx[], int outputs, float* out[]);
    // Throws away what is left of the block begun last: the frames of a synthesizer that woke
    // from its sleep start with a new block, which holds the message that woke it, and nothing
    // rendered before the sleep.
    void dropUnplayedFrames();
    // Voices sounding now (FluidSynth takes no lock for it without its thread-safe API).
    int activeVoices() const;

  private:
    enum Kind : std::uint8_t { Message, SysexPart, SysexEnd, Gain };
    struct Event {
        Kind kind;
        std::uint8_t size;
        std::array<std::uint8_t, 6> bytes;
    };
    void enqueue(const Event& event);
    void apply(const Event& event);

    _fluid_synth_t* synth_;
    bool singleThread_ = false;
    std::atomic<long> dropped_{0};
    SpscRing<Event, 4096> ring_;
    // The rendering side's own.
    std::array<char, 1024> sysex_{}; // the system exclusive message being received
    std::size_t sysexSize_ = 0;      // beyond sysex_.size(): too long, dropped at its end
    std::uint64_t rendered_ = 0;     // frames taken from the synthesizer
};

// FluidSynth's file driver has no callback mode: this thread writes the file in its place, a
// period at a time by the clock as that driver does, applying what waits in `feed` first.
class SynthFileWriter {
  public:
    // Writes to audio.file.name of the synthesizer's settings; ok() false when it cannot.
    SynthFileWriter(_fluid_synth_t* synth, SynthFeed& feed, int periodFrames, double sampleRate);
    ~SynthFileWriter();
    SynthFileWriter(const SynthFileWriter&) = delete;
    SynthFileWriter& operator=(const SynthFileWriter&) = delete;
    bool ok() const { return renderer_ != nullptr; }

  private:
    _fluid_file_renderer_t* renderer_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
