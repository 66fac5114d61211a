#include "midi/ports/PulseOutput.h"

#include "midi/MidiPort.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <utility>

namespace {

constexpr std::size_t FrameBytes = 2 * sizeof(float); // interleaved stereo floats
constexpr int RealtimePriority = 60;                  // FluidSynth's audio.realtime-prio
// The wait before trying again a server or a stream that failed, doubled at each failure.
constexpr int FirstRetryMs = 100;
constexpr int LastRetryMs = 2000;

} // namespace

PulseOutput::PulseOutput(SynthFeed& feed, const Options& options)
    : feed_(feed), options_(options),
      gate_(static_cast<long>(options.idleSeconds * options.sampleRate),
            static_cast<long>(options.quietSeconds * options.sampleRate), options.silence) {}

std::unique_ptr<PulseOutput> PulseOutput::open(SynthFeed& feed, const Options& options,
                                               std::function<void(int)> status,
                                               std::string& error) {
    std::unique_ptr<PulseOutput> output(new PulseOutput(feed, options));
    output->status_ = std::move(status);
    if (!output->connect(error))
        return nullptr;
    return output;
}

PulseOutput::~PulseOutput() {
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_lock(mainloop_);
        running_ = false;
        if (retry_ != nullptr)
            pa_threaded_mainloop_get_api(mainloop_)->time_free(retry_);
        pa_threaded_mainloop_unlock(mainloop_);
        pa_threaded_mainloop_stop(mainloop_);
    }
    if (stream_ != nullptr) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (retired_ != nullptr)
        pa_stream_unref(retired_);
    for (pa_context* context : {context_, retiredContext_})
        if (context != nullptr) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
    if (mainloop_ != nullptr)
        pa_threaded_mainloop_free(mainloop_);
}

// The main loop's thread. While opening, the state is only waited for; once open, a context
// that fails is replaced, and one that is ready again gets a stream.
void PulseOutput::onContextState(pa_context* context, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    pa_threaded_mainloop_signal(out->mainloop_, 0);
    if (!out->running_ || context != out->context_)
        return;
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        out->openStream();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        out->dropStream();
        out->lose(SoundStatus::ServerGone);
        out->retryLater();
    }
}

// The main loop's thread. A stream that fails while its context is good lost its sink or was
// refused: it is made again later. One failing with its context is the context's to handle.
void PulseOutput::onStreamState(pa_stream* stream, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    pa_threaded_mainloop_signal(out->mainloop_, 0);
    if (!out->running_ || stream != out->stream_)
        return;
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        out->backoffMs_ = 0;
        if (std::exchange(out->gone_, false) && out->status_)
            out->status_(SoundStatus::Back);
    } else if (!PA_STREAM_IS_GOOD(state) &&
               pa_context_get_state(out->context_) == PA_CONTEXT_READY) {
        out->dropStream();
        out->lose(SoundStatus::OutputGone);
        out->retryLater();
    }
}

void PulseOutput::openStream() {
    if (retired_ != nullptr) {
        pa_stream_unref(retired_);
        retired_ = nullptr;
    }
    // A new stream: the server asks for its first blocks as soon as it is made, and they are
    // rendered then, with the message that woke it already waiting in the feed.
    gate_.woke();
    feed_.dropUnplayedFrames();
    if (!startStream()) {
        dropStream();
        lose(SoundStatus::OutputGone);
        retryLater();
    }
}

void PulseOutput::dropStream() {
    gate_.sleep();
    if (stream_ == nullptr)
        return;
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)))
        pa_stream_disconnect(stream_);
    if (retired_ != nullptr)
        pa_stream_unref(retired_);
    retired_ = std::exchange(stream_, nullptr);
}

void PulseOutput::lose(int status) {
    if (!std::exchange(gone_, true) && status_)
        status_(status);
}

void PulseOutput::retryLater() {
    if (retry_ != nullptr || !running_)
        return;
    backoffMs_ = std::clamp(2 * backoffMs_, FirstRetryMs, LastRetryMs);
    retry_ = pa_context_rttime_new(context_, pa_rtclock_now() + backoffMs_ * PA_USEC_PER_MSEC,
                                   onRetry, this);
}

void PulseOutput::onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    api->time_free(event);
    out->retry_ = nullptr;
    if (!out->running_)
        return;
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(out->context_)))
        out->reconnect();
    else if (out->stream_ == nullptr && pa_context_get_state(out->context_) == PA_CONTEXT_READY)
        out->openStream();
}

void PulseOutput::reconnect() {
    if (retiredContext_ != nullptr)
        pa_context_unref(retiredContext_);
    retiredContext_ = std::exchange(context_, nullptr);
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Quintaro");
    if (context_ == nullptr) {
        context_ = std::exchange(retiredContext_, nullptr);
        running_ = false;
        if (status_)
            status_(SoundStatus::Lost);
        return;
    }
    pa_context_set_state_callback(context_, onContextState, this);
    // A refusal here (no socket yet) fails the context, whose callback tries again later.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        retryLater();
}

bool PulseOutput::connect(std::string& error) {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) {
        error = "PulseAudio main loop could not be created";
        return false;
    }
    pa_threaded_mainloop_set_name(mainloop_, "quintaro-audio");
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Quintaro");
    if (context_ == nullptr) {
        error = "PulseAudio context could not be created";
        return false;
    }
    pa_context_set_state_callback(context_, onContextState, this);
    // Never spawn a server: a desktop without one plays through another driver.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = std::string("PulseAudio: ") + pa_strerror(pa_context_errno(context_));
        return false;
    }
    pa_threaded_mainloop_lock(mainloop_);
    if (pa_threaded_mainloop_start(mainloop_) < 0) {
        pa_threaded_mainloop_unlock(mainloop_);
        error = "PulseAudio main loop could not start";
        return false;
    }
    const auto fail = [this, &error](const char* what) {
        error = std::string("PulseAudio ") + what + ": " + pa_strerror(pa_context_errno(context_));
        pa_threaded_mainloop_unlock(mainloop_);
        return false;
    };
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            return fail("server");
        pa_threaded_mainloop_wait(mainloop_);
    }
    // The first stream is waited for, so that a server that refuses one fails the open; it
    // plays silence until the gate puts it to sleep.
    if (!startStream())
        return fail("playback");
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state))
            return fail("playback");
        pa_threaded_mainloop_wait(mainloop_);
    }
    if (const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_)) {
        requestFrames_ = static_cast<int>(granted->minreq / FrameBytes);
        queuedFrames_ = static_cast<int>(granted->tlength / FrameBytes);
    }
    running_ = true;
    pa_threaded_mainloop_unlock(mainloop_);
    return true;
}

bool PulseOutput::startStream() {
    const pa_sample_spec sampleFormat = {PA_SAMPLE_FLOAT32NE,
                                         static_cast<std::uint32_t>(options_.sampleRate), 2};
    stream_ = pa_stream_new(context_, "Synthesizer", &sampleFormat, nullptr);
    if (stream_ == nullptr)
        return false;
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_write_callback(stream_, onWrite, this);
    // The server asks for a period at a time and keeps `periods` of them queued, its own
    // latency included (ADJUST_LATENCY). No pre-buffering: the first block plays at once.
    const auto period = static_cast<std::uint32_t>(options_.periodFrames * FrameBytes);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = period * static_cast<std::uint32_t>(options_.periods);
    attr.prebuf = 0;
    attr.minreq = period;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                      nullptr) == 0;
}

bool PulseOutput::renderInto(std::size_t bytes) {
    bool sleep = false;
    while (bytes >= FrameBytes && !sleep) {
        void* data = nullptr;
        std::size_t n = bytes;
        if (pa_stream_begin_write(stream_, &data, &n) < 0 || data == nullptr)
            break;
        n = std::min(n, bytes);
        n -= n % FrameBytes;
        if (n == 0) {
            pa_stream_cancel_write(stream_);
            break;
        }
        const auto frames = static_cast<int>(n / FrameBytes);
        auto* out = static_cast<float*>(data);
        gate_.rendering();
        feed_.render(out, frames);
        sleep =
            gate_.rendered(out, 2 * static_cast<std::size_t>(frames), frames, feed_.activeVoices());
        pa_stream_write(stream_, data, n, nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= n;
    }
    return sleep;
}

// The main loop's thread, its lock held.
void PulseOutput::onWrite(pa_stream* stream, std::size_t bytes, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    if (!out->prioritySet_) {
        // Real-time priority, as FluidSynth's own drivers ask for their threads, where the
        // system grants it: a busy machine then delays the audio less. Refused, it runs as is.
        out->prioritySet_ = true;
        sched_param param{};
        param.sched_priority = RealtimePriority;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    if (stream != out->stream_ || !out->renderInto(bytes))
        return;
    // Silent long enough: the stream goes. A corked stream would keep its low latency asked of
    // the server, whose sink would go on waking every millisecond or so; with no stream it
    // sleeps too. What the server still holds of it is silence. The stream is released at the
    // next wake or at the end, outside its own callback.
    out->dropStream();
    ++out->sleeps_;
}

void PulseOutput::wake() {
    pa_threaded_mainloop_lock(mainloop_);
    if (stream_ == nullptr && gate_.asleep() && running_ && !gone_ &&
        pa_context_get_state(context_) == PA_CONTEXT_READY) {
        openStream();
        ++wakes_;
    }
    // No stream renders (the output is gone, or the stream could not be made): the messages
    // go to the synthesizer here, the lock keeping the main loop's thread out.
    if (stream_ == nullptr)
        feed_.applyPending();
    pa_threaded_mainloop_unlock(mainloop_);
}
