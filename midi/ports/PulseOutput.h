#pragma once

#include "midi/ports/SleepGate.h"
#include "midi/ports/SynthFeed.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

// Plays a FluidSynth synthesizer through a PulseAudio (or PipeWire) server with a short buffer,
// and costs nothing while it is silent. PulseAudio's asynchronous API asks for audio when the
// server needs it; the synthesizer renders it right into the server's memory. When the gate
// finds the synthesizer silent, the stream is closed: the server stops asking, its sink goes back
// to its longest period, and the program's audio thread sleeps in poll() with no timer. The first
// message after that opens a new stream; the server asks for its first blocks at once and they
// are rendered with the message in them. A new stream holds no old audio.
//
// It comes back by itself. A server that goes (killed, restarted) fails the context: a new one
// connects after a short back-off, doubling up to a few seconds, until the server answers; a
// stream that fails (its sink unloaded) is made again the same way. Once a stream plays again the
// output is awake, and the first message after that sounds. What happened is told through the
// status handler (SoundStatus), on the main loop's thread.
class PulseOutput {
  public:
    // Frames per request of the server; the server keeps about `periods` of them queued.
    struct Options {
        double sampleRate = 44100;
        int periodFrames = 64;
        int periods = 2;
        double idleSeconds = 1.0;  // silence before the stream sleeps
        double quietSeconds = 0.1; // the same when nothing sounded since it woke
        float silence = 1e-4f;     // -80 dBFS: below it a tail is inaudible
    };

    // Connects to the default server and sink (PULSE_SERVER, PULSE_SINK), awake; null with
    // `error` set when there is no server or it refuses the stream.
    // `status` is told, on the main loop's thread, when the sound goes and when it is back.
    static std::unique_ptr<PulseOutput> open(SynthFeed& feed, const Options& options,
                                             std::function<void(int)> status, std::string& error);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // After each message played on the synthesizer, on the thread that plays them: wakes the
    // output when it sleeps. Takes the main loop's lock only then: while the output is gone, it
    // applies the messages itself under that lock, so that what is held sounds when it is back.
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
    PulseOutput(SynthFeed& feed, const Options& options);
    bool connect(std::string& error);
    // A new stream, connected (not yet ready) with the buffer asked for.
    bool startStream();
    void wake();
    // The main loop's thread, its lock held. A stream for an output awake again; the stream
    // given up, the output asleep until a message or the next try; the loss said once; the next
    // try after the back-off; that try (a new context when the old one failed).
    void openStream();
    void dropStream();
    void lose(int status);
    void retryLater();
    void reconnect();
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self);
    // Renders up to `bytes` bytes into the stream; true when the gate says sleep.
    bool renderInto(std::size_t bytes);
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);

    SynthFeed& feed_;
    Options options_;
    std::function<void(int)> status_;
    SleepGate gate_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;          // null while asleep; under the main loop's lock
    pa_stream* retired_ = nullptr;         // the stream closed by the last sleep, to be released
    pa_context* retiredContext_ = nullptr; // failed, released at the next try
    pa_time_event* retry_ = nullptr;       // the next try, while one is due
    int backoffMs_ = 0;                    // wait before the next try; 0 after a good stream
    bool running_ = false;                 // opened, not closing: failures are recovered
    bool gone_ = false;                    // a loss was said and "back" not yet
    bool prioritySet_ = false;             // the main loop's thread asked for real-time priority
    int requestFrames_ = 0;
    int queuedFrames_ = 0;
    std::atomic<long> sleeps_{0};
    std::atomic<long> wakes_{0};
};
