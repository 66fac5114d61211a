#pragma once

#include "midi/ports/SleepGate.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

struct _fluid_synth_t;
struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

// FluidSynth renders in blocks of this many frames and plays an event at the start of the next
// block; frames of a block rendered but not yet taken wait for the next write.
constexpr int FluidBlockFrames = 64;
// Throws away what is left of the block begun last, `rendered` frames having been taken since the
// synthesizer was made: the frames of a synthesizer that woke from its sleep start with a new
// block, which holds the message that woke it, and nothing rendered before the sleep.
void DropUnplayedFrames(_fluid_synth_t* synth, std::uint64_t& rendered);

// Plays a FluidSynth synthesizer through a PulseAudio (or PipeWire) server with a short buffer,
// and costs nothing while it is silent. PulseAudio's asynchronous API asks for audio when the
// server needs it; the synthesizer renders it right into the server's memory. When the gate
// finds the synthesizer silent, the stream is closed: the server stops asking, its sink goes back
// to its longest period, and the program's audio thread sleeps in poll() with no timer. The first
// message after that opens a new stream; the server asks for its first blocks at once and they
// are rendered with the message in them. A new stream holds no old audio.
class PulseOutput {
  public:
    // Frames per request of the server; the server keeps about `periods` of them queued.
    struct Options {
        double sampleRate = 44100;
        int periodFrames = 64;
        int periods = 2;
        double idleSeconds = 1.0; // silence before the stream sleeps
        float silence = 1e-4f;    // -80 dBFS: below it a tail is inaudible
    };

    // Connects to the default server and sink (PULSE_SERVER, PULSE_SINK), awake; null with
    // `error` set when there is no server or it refuses the stream.
    static std::unique_ptr<PulseOutput> open(_fluid_synth_t* synth, const Options& options,
                                             std::string& error);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // After each message played on the synthesizer, on the thread that plays them: wakes the
    // output when it sleeps. Takes the main loop's lock only then.
    void messagePlayed() {
        if (gate_.messageArrived())
            wake();
    }

    bool asleep() const { return gate_.asleep(); }
    // How often the stream went to sleep and woke since it opened.
    long sleeps() const { return sleeps_.load(); }
    long wakes() const { return wakes_.load(); }
    // What the server granted: frames per request and frames it keeps queued.
    int requestFrames() const { return requestFrames_; }
    int queuedFrames() const { return queuedFrames_; }

  private:
    explicit PulseOutput(_fluid_synth_t* synth, const Options& options);
    bool connect(std::string& error);
    // A new stream, connected (not yet ready) with the buffer asked for.
    bool startStream();
    void wake();
    // Renders up to `bytes` bytes into the stream; true when the gate says sleep.
    bool renderInto(std::size_t bytes);
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);

    _fluid_synth_t* synth_;
    Options options_;
    SleepGate gate_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;  // null while asleep; under the main loop's lock
    pa_stream* retired_ = nullptr; // the stream closed by the last sleep, to be released
    std::uint64_t rendered_ = 0;   // frames taken from the synthesizer
    bool prioritySet_ = false;     // the main loop's thread asked for real-time priority
    int requestFrames_ = 0;
    int queuedFrames_ = 0;
    std::atomic<long> sleeps_{0};
    std::atomic<long> wakes_{0};
};
