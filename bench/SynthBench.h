#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstddef>
#include <vector>

// The measuring tools of synth_idle_latency: a PulseAudio server of its own, the CPU time and
// wake-ups of a process, a recorder of the server's sink monitor that finds a note's onset, and
// the summary of a series of times.
namespace synthbench {

using Clock = std::chrono::steady_clock;
constexpr double Rate = 44100;

// A PulseAudio server of our own with a null sink "out".
class PulseServer {
  public:
    bool start();
    ~PulseServer();
    QProcessEnvironment environment() const;
    QTemporaryDir folder;
    int pid = 0;
};

// CPU time (seconds) and voluntary context switches of a process, all its threads.
struct Usage {
    double cpu = 0;
    long wakeups = 0;
};

Usage ReadUsage(int pid);

struct IdleCost {
    double programPercent = 0, serverPercent = 0;
    double programWakeups = 0, serverWakeups = 0; // per second
};

// Both processes' cost over `seconds` of the event loop running here (so the processes in this
// one keep running normally).
IdleCost MeasureIdle(int program, int server, double seconds);

// Records the sink's monitor, each sample's playing time known from the stream's timing info.
class MonitorRecorder {
  public:
    explicit MonitorRecorder(double seconds) {
        level_.reserve(static_cast<std::size_t>(seconds * Rate));
        chunks_.reserve(static_cast<std::size_t>(seconds * 1000));
    }
    bool start();
    ~MonitorRecorder();
    void stop() { pa_threaded_mainloop_stop(mainloop_); }

    // Seconds from `press` to the note's onset; negative when none is found within `within`.
    //
    // The sink renders the monitor's samples at its own pace, but its timeline jumps when it
    // starts or stops playing a stream, so times are reckoned locally: a chunk arrives after the
    // sink rendered its last sample, never before, so the earliest arrival, less the samples
    // before it, among the chunks of the 50 ms from the onset on tells when the onset was
    // rendered. The search starts with the last chunk that arrived before the press (what
    // arrived before it cannot hold the note); the threshold is -54 dBFS and four times the
    // loudest of the 20 ms before that.
    double onsetAfter(Clock::time_point press, double within = 0.4) const;

  private:
    struct Chunk {
        std::size_t end; // index after its last sample
        double arrived;  // steady clock seconds
    };
    static pa_threaded_mainloop* Loop(void* m) { return static_cast<pa_threaded_mainloop*>(m); }

    static void onRead(pa_stream* stream, std::size_t, void* self);

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::vector<float> level_;
    std::vector<Chunk> chunks_;
};

struct Summary {
    std::size_t n = 0;
    double median = 0, p90 = 0, min = 0, max = 0;
    std::size_t missed = 0;
};

Summary Summarise(std::vector<double> ms, std::size_t missed);

void Print(const char* who, const char* kind, const Summary& s);

} // namespace synthbench
