#include "midi/ports/SynthFeed.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// How long the playing side waits for room in a full ring before it drops the message: the
// audio thread empties it every few milliseconds while it runs.
constexpr auto FullRingWait = std::chrono::milliseconds(200);

} // namespace

void SynthFeed::enqueue(const Event& event) {
    const auto deadline = std::chrono::steady_clock::now() + FullRingWait;
    while (!ring_.push(event)) {
        if (singleThread_) {
            applyPending();
        } else if (std::chrono::steady_clock::now() > deadline) {
            ++dropped_;
            return;
        } else {
            std::this_thread::yield();
        }
    }
}

void SynthFeed::push(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    enqueue({Message, 3, {status, data1, data2, 0, 0, 0}});
}

void SynthFeed::pushSysex(const std::uint8_t* data, std::size_t size) {
    Event event{SysexPart, 0, {}};
    for (std::size_t i = 0; i < size;) {
        event.size = static_cast<std::uint8_t>(std::min(event.bytes.size(), size - i));
        std::copy_n(data + i, event.size, event.bytes.begin());
        i += event.size;
        event.kind = i == size ? SysexEnd : SysexPart;
        enqueue(event);
    }
}

void SynthFeed::pushGain(float gain) {
    Event event{Gain, sizeof gain, {}};
    std::memcpy(event.bytes.data(), &gain, sizeof gain);
    enqueue(event);
}

void SynthFeed::applyPending() {
    Event event{};
    while (ring_.pop(event))
        apply(event);
}

void SynthFeed::apply(const Event& event) {
    if (event.kind == Gain) {
        float gain = 0;
        std::memcpy(&gain, event.bytes.data(), sizeof gain);
        fluid_synth_set_gain(synth_, gain);
        return;
    }
    if (event.kind != Message) {
        if (sysexSize_ + event.size <= sysex_.size())
            std::copy_n(event.bytes.begin(), event.size, sysex_.begin() + sysexSize_);
        sysexSize_ += event.size;
        if (event.kind == SysexEnd && sysexSize_ <= sysex_.size())
            fluid_synth_sysex(synth_, sysex_.data(), static_cast<int>(sysexSize_), nullptr, nullptr,
                              nullptr, 0);
        if (event.kind == SysexEnd)
            sysexSize_ = 0;
        return;
    }
    const std::uint8_t status = event.bytes[0], data1 = event.bytes[1], data2 = event.bytes[2];
    const int channel = status & 0x0F;
    // A message the synthesizer refuses (a key with no sound in the SoundFont, a value out of
    // range) is not a failure of the device: the results are not looked at.
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth_, channel, data1);
        break;
    case 0x90: // velocity 0 is a note off, as FluidSynth treats it
        fluid_synth_noteon(synth_, channel, data1, data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth_, channel, data1, data2);
        break;
    case 0xB0: // every controller, All Notes Off (123) and All Sound Off (120) included
        fluid_synth_cc(synth_, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth_, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth_, channel, data1);
        break;
    case 0xE0: // 14 bits, least significant seven first
        fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7));
        break;
    default:
        if (status == 0xFF)
            fluid_synth_system_reset(synth_);
        break;
    }
}

void SynthFeed::render(float* interleaved, int frames) {
    applyPending();
    fluid_synth_write_float(synth_, frames, interleaved, 0, 2, interleaved, 1, 2);
    rendered_ += static_cast<std::uint64_t>(frames);
}

int SynthFeed::Process(void* feed, int frames, int effects, float* fx[], int outputs,
                       float* out[]) {
    auto* self = static_cast<SynthFeed*>(feed);
    self->applyPending();
    self->rendered_ += static_cast<std::uint64_t>(frames);
    return fluid_synth_process(self->synth_, frames, effects, fx, outputs, out);
}

void SynthFeed::dropUnplayedFrames() {
    const auto left =
        static_cast<int>((FluidBlockFrames - rendered_ % FluidBlockFrames) % FluidBlockFrames);
    if (left == 0)
        return;
    float scratch[2 * FluidBlockFrames];
    fluid_synth_write_float(synth_, left, scratch, 0, 2, scratch, 1, 2);
    rendered_ += static_cast<std::uint64_t>(left);
}

int SynthFeed::activeVoices() const {
    return fluid_synth_get_active_voice_count(synth_);
}

SynthFileWriter::SynthFileWriter(fluid_synth_t* synth, SynthFeed& feed, int periodFrames,
                                 double sampleRate)
    : renderer_(new_fluid_file_renderer(synth)) {
    if (renderer_ == nullptr)
        return;
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(periodFrames / sampleRate));
    thread_ = std::thread([this, &feed, period] {
        for (auto next = std::chrono::steady_clock::now(); !stop_; next += period) {
            feed.applyPending();
            if (fluid_file_renderer_process_block(renderer_) != FLUID_OK)
                break;
            std::this_thread::sleep_until(next + period);
        }
    });
}

SynthFileWriter::~SynthFileWriter() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (renderer_ != nullptr)
        delete_fluid_file_renderer(renderer_);
}
