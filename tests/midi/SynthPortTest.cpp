#include "midi/ports/SynthPort.h"
#include "support/Audio.h"
#include "support/MidiModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

namespace {

using namespace audio;

std::uint32_t Short(int status, int data1, int data2 = 0) {
    return PackShortMessage(static_cast<std::uint32_t>(status), static_cast<std::uint32_t>(data1),
                            static_cast<std::uint32_t>(data2));
}

// A fresh offline synthesizer given `messages`, short ones packed as the MIDI module sends them
// and (when set) a two-byte `longMessage` through a header; then note 60 on `channel`, or none.
std::unique_ptr<SynthPort> Played(std::initializer_list<std::uint32_t> messages,
                                  const char* longMessage = nullptr, int channel = 0,
                                  const std::string& soundFont = TestSoundFont) {
    auto synth = SynthPort::createOffline(soundFont);
    if (longMessage != nullptr) {
        MidiHdr header;
        header.data = std::string(longMessage, 2);
        header.bufferLength = 2;
        synth->prepareHeader(header, 28);
        synth->longMessage(header, 28);
        synth->unprepareHeader(header, 28);
    }
    for (std::uint32_t m : messages)
        synth->shortMessage(m);
    if (channel >= 0)
        synth->shortMessage(Short(0x90 | channel, 60, 100));
    return synth;
}

// The tone of Played() from 0.2 s to 0.2 + `seconds`.
std::vector<double> Tone(std::initializer_list<std::uint32_t> messages, double seconds = 0.5,
                         const char* longMessage = nullptr) {
    auto synth = Played(messages, longMessage);
    RenderSeconds(*synth, 0.2);
    return RenderSeconds(*synth, seconds);
}

class SynthPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SynthPort(TestSoundFont).deviceCount() == 0)
            GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
    }
};

} // namespace

TEST_F(SynthPortTest, FindsASoundFontAndOpensQuietlyWithAShortBuffer) {
    EXPECT_EQ(SynthPort().deviceCount(), 1) << "a system SoundFont is found";
    qputenv("QUINTARO_SOUNDFONT", "/nonexistent/chosen.sf2");
    EXPECT_EQ(SynthPort().deviceCount(), 0) << "the chosen SoundFont, not the system's";
    qunsetenv("QUINTARO_SOUNDFONT");

    // Whether the machine's default driver starts or not, nothing is printed on the terminal;
    // when it fails, the MIDI module reports one device error.
    testing::internal::CaptureStderr();
    MidiModule m(std::make_unique<SynthPort>());
    const std::uint32_t result = m.midi.OpenMidiOutput();
    m.midi.CloseMidiOutput();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.find("fluidsynth"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("ALSA lib"), std::string::npos) << printed;
    EXPECT_EQ(m.sink.texts(), result == 0 ? std::vector<QString>{}
                                          : std::vector<QString>{"Output MIDI Device error"});

    // ALSA's null sink takes audio and plays nothing: enough to start a real driver here.
    qputenv("QUINTARO_SYNTH_DRIVER", "alsa");
    qputenv("QUINTARO_SYNTH_DEVICE", "null");
    SynthPort synth;
    ASSERT_EQ(synth.open(), 0u) << synth.lastError();
    qunsetenv("QUINTARO_SYNTH_DRIVER");
    qunsetenv("QUINTARO_SYNTH_DEVICE");
    EXPECT_LE(synth.audioSetup().bufferMilliseconds(), 10.0);
    EXPECT_EQ(synth.open(), MidiError::Allocated);
    EXPECT_EQ(synth.shortMessage(Short(0x90, 60, 100)), 0u);
    EXPECT_EQ(synth.close(), 0u);
    EXPECT_NE(synth.shortMessage(Short(0x90, 60, 100)), 0u) << "closed";
}

TEST_F(SynthPortTest, MiddleCPitchBendVolumeAndPan) {
    // 0x3000 is a semitone up, read the other way round nearly two down; 0x3FFF two up.
    const struct {
        std::uint32_t bend;
        int note;
    } bends[] = {{Short(0xE0, 0x00, 0x40), 60},
                 {Short(0xE0, 0x00, 0x60), 61},
                 {Short(0xE0, 0x7F, 0x7F), 62}};
    for (const auto& row : bends)
        EXPECT_NEAR(FundamentalHz(Tone({row.bend})), NoteHz(row.note), NoteHz(row.note) * 0.015)
            << std::hex << row.bend;
    const double soft = Rms(Tone({Short(0xB0, 7, 32)}, 0.3));
    EXPECT_GT(soft, 0.0);
    EXPECT_LT(soft, Rms(Tone({Short(0xB0, 7, 127)}, 0.3)) * 0.2);

    // Pan 0 is left, 127 right: render() interleaves left then right. A stereo-sampled piano
    // keeps some sound on the far side, so the check is the balance, (left - right) / (left +
    // right) of the energies, with every GM SoundFont at hand. FluidR3 (a stereo piano) measured
    // 0.28, -0.34, -0.65; TimGM6mb 1.00, 0.01, -1.00.
    for (const std::string& soundFont : InstalledSoundFonts()) {
        SCOPED_TRACE(soundFont);
        double balance[3] = {};
        for (int i = 0; i < 3; ++i) {
            const auto stereo =
                Played({Short(0xB5, 10, std::array{0, 64, 127}[i])}, nullptr, 5, soundFont)
                    ->render(static_cast<int>(0.3 * Rate));
            double side[2] = {0, 0};
            for (std::size_t k = 0; k < stereo.size(); ++k)
                side[k % 2] += stereo[k] * stereo[k];
            balance[i] = (side[0] - side[1]) / (side[0] + side[1]);
        }
        EXPECT_GT(balance[0], balance[1] + 0.2);
        EXPECT_LT(balance[2], balance[1] - 0.2);
        EXPECT_GT(balance[0] - balance[2], 0.8);
    }
}

TEST_F(SynthPortTest, ProgramChangeNoteOffAndAllNotesOff) {
    // Rendering is repeatable: the same program gives the same samples, another program others.
    const auto piano = Tone({}, 0.5, "\xC0\x00");
    EXPECT_EQ(piano, Tone({}, 0.5, "\xC0\x00"));
    const auto violin = Tone({}, 0.5, "\xC0\x28");
    EXPECT_GT(RmsDifference(piano, violin), 0.5 * Rms(piano))
        << "the long program change is played";

    // The violin sustains while the key is held, so silence can only come from the messages; in
    // a stream, running status makes the second pair a note on of velocity 0: a note off.
    const std::function<void(SynthPort&)> stops[] = {
        [](SynthPort&) {}, // held
        [](SynthPort& s) { s.shortMessage(Short(0x80, 60, 64)); },
        [](SynthPort& s) { s.shortMessage(Short(0xB0, 123, 0)); },
        [](SynthPort& s) {
            s.playStream({0x90, 0x3C, 0x64, 0x3C, 0x00});
        }};
    double held = 0;
    for (std::size_t i = 0; i < std::size(stops); ++i) {
        auto synth = Played({}, "\xC0\x28");
        RenderSeconds(*synth, 0.5);
        stops[i](*synth);
        RenderSeconds(*synth, 2.0);
        const double level = Rms(RenderSeconds(*synth, 0.25));
        if (i == 0)
            EXPECT_GT(held = level, 0.01) << "held";
        else
            EXPECT_LT(level, held / 100) << i;
    }
}

// Attack time (73), release time (72) and breath (2) change the sound the way a musician
// expects of a General MIDI 2 module, with any GM SoundFont: 127 lengthens the envelope time
// that 64 leaves as it is, 0 shortens it (an attack that is instant already stays so); breath
// adds vibrato. The attack is the organ's (the piano's is partly in its samples), the release the
// piano's; the time to -40 dB includes the reverb's tail, which no controller shortens.
TEST_F(SynthPortTest, AttackReleaseAndBreathControllersAreHeard) {
    for (const std::string& soundFont : InstalledSoundFonts()) {
        SCOPED_TRACE(soundFont);
        // `program` without reverb and chorus, `controller` at `value`, note 60 just pressed.
        const auto note = [&soundFont](int program, int controller, int value) {
            return Played({Short(0xC0, program), Short(0xB0, 91, 0), Short(0xB0, 93, 0),
                           Short(0xB0, controller, value)},
                          nullptr, 0, soundFont);
        };
        // Seconds until `level` (in `step`-second steps) first reaches 90 % of its peak, or falls
        // below `below`.
        const auto until = [](const std::vector<double>& level, double step, double below) {
            const double peak = *std::max_element(level.begin(), level.end());
            return step * static_cast<double>(std::find_if(level.begin(), level.end(),
                                                           [&](double v) {
                                                               return below > 0 ? v < below
                                                                                : v >= 0.9 * peak;
                                                           }) -
                                              level.begin());
        };
        double attack[3], release[3], vibrato[2];
        for (int i = 0; i < 3; ++i) {
            const int value = std::array{0, 64, 127}[i];
            attack[i] = until(Envelope(RenderSeconds(*note(16, 73, value), 4.0), 0.002), 0.002, 0);
            // From Note Off, after a second held, to 40 dB below the last 50 ms before it.
            auto piano = note(0, 72, value);
            RenderSeconds(*piano, 0.95);
            const double held = Rms(RenderSeconds(*piano, 0.05));
            piano->shortMessage(Short(0x80, 60, 64));
            release[i] = until(Envelope(RenderSeconds(*piano, 8.0), 0.005), 0.005, 0.01 * held);
            if (i == 1)
                continue;
            // The pitch swing of a held organ note, highest minus lowest, from 0.4 s to 1.4 s.
            auto organ = note(16, 2, value);
            RenderSeconds(*organ, 0.4);
            const auto cents = PitchTrackCents(RenderSeconds(*organ, 1.0), 0.04);
            const auto [low, high] = std::minmax_element(cents.begin(), cents.end());
            vibrato[i / 2] = cents.empty() ? 0 : *high - *low;
        }
        std::printf("%s: attack to 90 %% at 0/64/127: %.3f/%.3f/%.3f s; release to -40 dB: "
                    "%.3f/%.3f/%.3f s; pitch swing with breath 0/127: %.1f/%.1f cents\n",
                    soundFont.c_str(), attack[0], attack[1], attack[2], release[0], release[1],
                    release[2], vibrato[0], vibrato[1]);
        EXPECT_LE(attack[0], attack[1]);
        EXPECT_GT(attack[2], 3 * attack[1]);
        EXPECT_LT(release[0], release[1]);
        EXPECT_GT(release[2], 3 * release[1]);
        EXPECT_GT(vibrato[1], vibrato[0] + 40);
    }
}

// Offline, the synthesizer sleeps as its PulseAudio stream does: it renders nothing (zeros) once
// it has been silent for IdleSeconds, and the next message wakes it. A note played to a sleeping
// synthesizer is heard from the first period on, at its pitch, and nothing of the sound before
// the sleep comes back with it. The sleep never comes before the release and the reverb's tail
// have died away, however long the release: with release time (72) at 127 a piano note rings for
// seconds after its Note Off, longer than the idle time.
TEST_F(SynthPortTest, SleepsOnlyAfterTheTailsAndWakesForTheNextMessage) {
    constexpr double Block = 0.01;
    auto synth = Played({Short(0xB0, 91, 127)}); // as much reverb as there is
    ASSERT_FALSE(synth->sleeping());
    // Note Off after `held` seconds, then 10 ms blocks until asleep: the seconds from the Note
    // Off to the end of the last block at or above the silence level, and to the sleep. Checks
    // on the way that no block falls to silence and sounds again.
    const auto release = [&](double held, double most) {
        RenderSeconds(*synth, held);
        synth->shortMessage(Short(0x80, 60, 64));
        double t = 0, sounded = 0;
        for (bool quiet = false; t < most && !synth->sleeping(); t += Block) {
            const auto samples = synth->render(static_cast<int>(Block * Rate));
            const float peak =
                std::abs(*std::max_element(samples.begin(), samples.end(), [](float a, float b) {
                    return std::abs(a) < std::abs(b);
                }));
            if (peak >= SynthPort::Silence) {
                EXPECT_FALSE(quiet) << "silent before " << t << " s";
                sounded = t + Block;
            }
            quiet = quiet || peak < SynthPort::Silence;
        }
        EXPECT_TRUE(synth->sleeping()) << "a silent synthesizer sleeps";
        std::printf("sound until %.2f s after the Note Off, asleep at %.2f s\n", sounded, t);
        // The voices outlive the audible tail a little: the idle time runs from the later.
        EXPECT_GE(t - sounded, SynthPort::IdleSeconds - Block);
        return std::pair{sounded, t};
    };
    const auto [sounded, slept] = release(0.3, 20);
    EXPECT_EQ(synth->sleeps(), 1);
    EXPECT_GT(sounded, 0.2) << "the reverb rings on after the Note Off";
    EXPECT_LE(slept - sounded, SynthPort::IdleSeconds + 1.0);

    // Asleep: nothing is rendered, however long; a controller wakes it too.
    const auto asleep = synth->render(static_cast<int>(Rate));
    EXPECT_TRUE(std::all_of(asleep.begin(), asleep.end(), [](float s) { return s == 0; }));
    EXPECT_TRUE(synth->sleeping());

    // The next note wakes it: heard at its pitch, and the same from its first sample as a note
    // played to a fresh synthesizer: nothing old comes before or with it, and it starts no later
    // (the reverb left from before the sleep, below -80 dBFS, is all that differs).
    synth->shortMessage(Short(0xB0, 91, 0));
    EXPECT_FALSE(synth->sleeping());
    EXPECT_EQ(synth->wakes(), 1);
    synth->shortMessage(Short(0x90, 67, 100));
    const auto woken = RenderSeconds(*synth, 0.5);
    auto fresh = Played({Short(0xB0, 91, 0), Short(0x90, 67, 100)}, nullptr, -1);
    const auto reference = RenderSeconds(*fresh, 0.5);
    EXPECT_NEAR(FundamentalHz(woken), NoteHz(67), NoteHz(67) * 0.02);
    EXPECT_LT(RmsDifference(woken, reference), 0.05 * Rms(reference))
        << "the same as a note played fresh";

    // A release far longer than the idle time is not cut: the synthesizer stays awake while it
    // sounds and sleeps only IdleSeconds after it has died away.
    synth->shortMessage(Short(0xB0, 72, 127));
    synth->shortMessage(Short(0x90, 60, 100));
    EXPECT_GT(release(0.5, 60).first, 3 * SynthPort::IdleSeconds);
}

// The gate shared by the audio thread and the thread that plays messages, raced at seeded random
// paces: the audio thread renders silent periods while it is awake (a gate that sleeps after one
// silent period, so it is always about to sleep), the message thread plays bursts of messages and
// wakes it when the gate says so, as SynthPort and PulseOutput do. After each burst a period must
// be rendered that began after its last message: a message left in a sleeping synthesizer is a
// note never heard. QUINTARO_RANDOM_SEED replays one seed.
TEST(SleepGate, NoMessageIsLeftInASleepingSynthesizer) {
    std::vector<unsigned> seeds = {1, 2, 3, 4};
    if (const QByteArray env = qgetenv("QUINTARO_RANDOM_SEED"); !env.isEmpty())
        seeds = {env.toUInt()};
    constexpr int Bursts = 3000;
    const auto spin = [](std::mt19937& rng, int most) {
        for (int n = std::uniform_int_distribution<int>(0, most)(rng); n > 0; --n)
            std::atomic_signal_fence(std::memory_order_seq_cst);
    };
    for (unsigned seed : seeds) {
        SCOPED_TRACE(seed);
        SleepGate gate(SynthPort::PeriodSize, SynthPort::Silence);
        std::mutex loop;       // the audio side's lock (PulseAudio's main loop)
        bool streaming = true; // under `loop`: the audio side renders
        std::atomic<int> played{0}, heard{0};
        std::atomic<bool> stop{false};
        std::atomic<long> sleeps{0};
        std::thread audio([&] {
            std::mt19937 rng(seed * 2 + 1);
            std::array<float, 2 * SynthPort::PeriodSize> silence{};
            while (!stop.load()) {
                if (std::lock_guard<std::mutex> hold(loop); streaming) {
                    gate.rendering();
                    const int before = played.load(); // what this period plays
                    if (gate.rendered(silence.data(), silence.size(), SynthPort::PeriodSize, 0)) {
                        streaming = false;
                        ++sleeps;
                    }
                    heard.store(std::max(heard.load(), before));
                }
                spin(rng, 400);
            }
        });
        std::mt19937 rng(seed * 2);
        int lost = 0;
        for (int burst = 0; burst < Bursts && lost == 0; ++burst) {
            for (int n = std::uniform_int_distribution<int>(1, 4)(rng); n > 0; --n) {
                played.store(played.load() + 1);
                if (gate.messageArrived()) {
                    std::lock_guard<std::mutex> hold(loop);
                    if (!streaming) {
                        gate.woke();
                        streaming = true;
                    }
                }
                spin(rng, 600);
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (heard.load() < played.load() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::yield();
            lost = heard.load() < played.load() ? played.load() : 0;
        }
        stop.store(true);
        audio.join();
        EXPECT_EQ(lost, 0) << "message " << lost << " was never rendered";
        EXPECT_GT(sleeps.load(), Bursts / 10) << "the audio side slept and woke often";
    }
}
