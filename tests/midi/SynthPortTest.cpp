#include "midi/ports/SynthPort.h"
#include "support/Audio.h"
#include "support/MidiModule.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <unistd.h>

namespace {

using audio::Envelope;
using audio::FundamentalHz;
using audio::PitchTrackCents;
using audio::Rate;
using audio::RenderSeconds;
using audio::Rms;

std::string SoundFont() {
    return audio::TestSoundFont;
}

// The levels of the first ten harmonics of `fundamental`, in dB below the strongest of them
// (floored at -60 dB): the timbre of a steady tone. Each level is a Hann-windowed DFT at that
// frequency.
std::vector<double> HarmonicProfile(const std::vector<double>& x, double fundamental) {
    std::vector<double> levels;
    const double n = static_cast<double>(x.size());
    for (int k = 1; k <= 10; ++k) {
        double re = 0, im = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n);
            const double phase = 2 * std::numbers::pi * k * fundamental * i / Rate;
            re += w * x[i] * std::cos(phase);
            im -= w * x[i] * std::sin(phase);
        }
        levels.push_back(std::hypot(re, im));
    }
    const double strongest = *std::max_element(levels.begin(), levels.end());
    for (double& level : levels)
        level = std::max(-60.0, 20 * std::log10(level / strongest + 1e-12));
    return levels;
}

// Root-mean-square difference of two harmonic profiles, in dB.
double TimbreDistance(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum / static_cast<double>(a.size()));
}

// Sends a long message through the port the way the MIDI module does.
std::uint32_t SendLong(SynthPort& synth, std::string bytes) {
    MidiHdr header;
    header.data = std::move(bytes);
    header.bufferLength = static_cast<std::uint32_t>(header.data.size());
    std::uint32_t result = synth.prepareHeader(header, 28);
    if (result == 0)
        result = synth.longMessage(header, 28);
    if (result == 0)
        result = synth.unprepareHeader(header, 28);
    return result;
}

// A fresh offline synthesizer given `programChange` as a long message (if any), then `messages`
// and note 60 on channel 0: the tone rendered from 0.2 s to 0.2 + `seconds`.
std::vector<double> Tone(const std::string& programChange,
                         std::initializer_list<std::uint32_t> messages = {}, double seconds = 0.5) {
    auto synth = SynthPort::createOffline(SoundFont());
    if (!programChange.empty())
        SendLong(*synth, programChange);
    for (std::uint32_t m : messages)
        synth->shortMessage(m);
    synth->shortMessage(PackShortMessage(0x90, 60, 100));
    RenderSeconds(*synth, 0.2);
    return RenderSeconds(*synth, seconds);
}

// Everything written to stderr while `action` runs.
template <typename Action> std::string CaptureStderr(Action action) {
    std::fflush(stderr);
    QTemporaryDir dir;
    const QString path = dir.filePath("stderr.txt");
    FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    action();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::fclose(file);
    QFile captured(path);
    captured.open(QIODevice::ReadOnly);
    return captured.readAll().toStdString();
}

class SynthPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SynthPort(SoundFont()).deviceCount() == 0)
            GTEST_SKIP() << SoundFont() << " is not installed (scripts/setup installs it)";
    }
};

} // namespace

TEST_F(SynthPortTest, FindsTheSystemSoundFontOrTheChosenOne) {
    EXPECT_EQ(SynthPort().deviceCount(), 1);
    EXPECT_EQ(SynthPort("/nonexistent/none.sf2").deviceCount(), 0);
    QTemporaryDir dir;
    QFile fake(dir.filePath("fake.sf2"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("RIFF....not a soundfont");
    fake.close();
    EXPECT_EQ(SynthPort(fake.fileName().toStdString()).deviceCount(), 0);
    qputenv("QUINTARO_SOUNDFONT", "/nonexistent/chosen.sf2");
    EXPECT_EQ(SynthPort::FindSoundFont(), "/nonexistent/chosen.sf2");
    EXPECT_EQ(SynthPort().deviceCount(), 0);
    qunsetenv("QUINTARO_SOUNDFONT");
}

TEST_F(SynthPortTest, WithoutAudioOutputOpenFailsQuietly) {
    // This machine has no sound card: the default driver cannot start.
    SynthPort synth;
    std::uint32_t result = 0;
    const std::string printed = CaptureStderr([&] { result = synth.open(); });
    EXPECT_EQ(printed.find("fluidsynth"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("ALSA lib"), std::string::npos) << printed;
    if (result == MidiError::NoError) {
        // A machine with sound output: the buffer asked for must hold.
        EXPECT_LE(synth.audioSetup().bufferMilliseconds(), 10.0);
        EXPECT_EQ(synth.close(), 0u);
        return;
    }
    EXPECT_FALSE(synth.isOpen());
    EXPECT_NE(synth.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
    EXPECT_NE(synth.close(), 0u);

    // Through the MIDI module: one device error, output disabled.
    MidiModule m(std::make_unique<SynthPort>());
    EXPECT_NE(m.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(m.midi.MidiOutEnabled, 0);
    m.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(m.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
}

TEST_F(SynthPortTest, PlaysThroughAnAudioDriverWithAShortBuffer) {
    // ALSA's null sink takes audio and plays nothing: enough to start a real driver here.
    qputenv("QUINTARO_SYNTH_DRIVER", "alsa");
    qputenv("QUINTARO_SYNTH_DEVICE", "null");
    SynthPort synth;
    const std::uint32_t result = synth.open();
    qunsetenv("QUINTARO_SYNTH_DRIVER");
    qunsetenv("QUINTARO_SYNTH_DEVICE");
    ASSERT_EQ(result, 0u) << synth.lastError();
    EXPECT_EQ(synth.audioSetup().driver, "alsa");
    EXPECT_LE(synth.audioSetup().bufferMilliseconds(), 10.0);
    EXPECT_EQ(synth.open(), MidiError::Allocated);
    EXPECT_EQ(synth.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
    EXPECT_EQ(SendLong(synth, std::string("\xC0\x28", 2)), 0u);
    EXPECT_EQ(synth.close(), 0u);
    EXPECT_FALSE(synth.isOpen());
}

TEST_F(SynthPortTest, MiddleCPitchBendVolumeAndPan) {
    auto synth = SynthPort::createOffline(SoundFont());
    ASSERT_NE(synth, nullptr);
    EXPECT_LT(Rms(RenderSeconds(*synth, 0.1)), 1e-6);
    const auto tone = Tone({});
    EXPECT_NEAR(FundamentalHz(tone), 261.63, 261.63 * 0.02);
    EXPECT_GT(Rms(tone), 0.01);

    // 0x3000 is a semitone up; read the other way round it would be nearly two down.
    const auto bent = Tone({}, {PackShortMessage(0xE0, 0x00, 0x60)});
    EXPECT_NEAR(FundamentalHz(bent), 277.18, 277.18 * 0.015);

    const auto soft = Tone({}, {PackShortMessage(0xB0, 7, 32)}, 0.3);
    const auto loud = Tone({}, {PackShortMessage(0xB0, 7, 127)}, 0.3);
    EXPECT_LT(Rms(soft), Rms(loud) * 0.2);
    EXPECT_GT(Rms(soft), 0.0);

    // Pan 0 is left, 127 right, each far from the centre: render() interleaves left then right.
    // A stereo-sampled piano keeps some sound on the far side, so the check is the balance,
    // (left - right) / (left + right) of the energies, with every GM SoundFont at hand.
    for (const std::string& soundFont : audio::InstalledSoundFonts()) {
        SCOPED_TRACE(soundFont);
        double balance[3] = {};
        for (int i = 0; i < 3; ++i) {
            auto panned = SynthPort::createOffline(soundFont);
            panned->shortMessage(PackShortMessage(0xB5, 10, std::array{0, 64, 127}[i]));
            panned->shortMessage(PackShortMessage(0x95, 60, 100));
            const auto stereo = panned->render(static_cast<int>(0.3 * Rate));
            double side[2] = {0, 0};
            for (std::size_t k = 0; k < stereo.size(); ++k)
                side[k % 2] += stereo[k] * stereo[k];
            balance[i] = (side[0] - side[1]) / (side[0] + side[1]);
        }
        // FluidR3 (a stereo piano) measured 0.28, -0.34, -0.65; TimGM6mb 1.00, 0.01, -1.00.
        EXPECT_GT(balance[0], balance[1] + 0.2);
        EXPECT_LT(balance[2], balance[1] - 0.2);
        EXPECT_GT(balance[0] - balance[2], 0.8);
    }
}

TEST_F(SynthPortTest, ProgramChangeByLongMessageChangesTheSound) {
    const auto piano = Tone(std::string("\xC0\x00", 2));
    const auto violin = Tone(std::string("\xC0\x28", 2));
    ASSERT_FALSE(piano.empty());
    const double c4 = 261.63;
    const auto pianoProfile = HarmonicProfile(piano, c4);
    EXPECT_LT(TimbreDistance(pianoProfile, HarmonicProfile(Tone(std::string("\xC0\x00", 2)), c4)),
              0.5);
    EXPECT_GT(TimbreDistance(pianoProfile, HarmonicProfile(violin, c4)), 6.0);
    EXPECT_NEAR(FundamentalHz(violin), c4, c4 * 0.02); // still the same note
}

TEST_F(SynthPortTest, NoteOffAndAllNotesOffSilenceTheNote) {
    // The violin sustains while the key is held, so silence can only come from the messages.
    auto held = SynthPort::createOffline(SoundFont());
    auto released = SynthPort::createOffline(SoundFont());
    auto allOff = SynthPort::createOffline(SoundFont());
    auto running = SynthPort::createOffline(SoundFont());
    ASSERT_NE(held, nullptr);
    for (SynthPort* s : {held.get(), released.get(), allOff.get(), running.get()}) {
        SendLong(*s, std::string("\xC0\x28", 2));
        s->shortMessage(PackShortMessage(0x90, 60, 100));
        RenderSeconds(*s, 0.5);
    }
    released->shortMessage(PackShortMessage(0x80, 60, 64));
    allOff->shortMessage(PackShortMessage(0xB0, 123, 0));
    // In a stream, running status makes the second pair a note on of velocity 0: a note off.
    running->playStream({0x90, 0x3C, 0x64, 0x3C, 0x00});
    for (SynthPort* s : {held.get(), released.get(), allOff.get(), running.get()})
        RenderSeconds(*s, 2.0);
    const double heldRms = Rms(RenderSeconds(*held, 0.25));
    EXPECT_GT(heldRms, 0.01);
    EXPECT_LT(Rms(RenderSeconds(*released, 0.25)), heldRms / 100);
    EXPECT_LT(Rms(RenderSeconds(*allOff, 0.25)), heldRms / 100);
    EXPECT_LT(Rms(RenderSeconds(*running, 0.25)), heldRms / 100);
}

namespace {

// A fresh offline synthesizer playing `program` on channel 0 with controller `controller` at
// `value`, note 60 just pressed.
std::unique_ptr<SynthPort> NoteWith(const std::string& soundFont, int program, int controller,
                                    int value) {
    auto synth = SynthPort::createOffline(soundFont);
    synth->shortMessage(PackShortMessage(0xC0, program, 0));
    synth->shortMessage(PackShortMessage(0xB0, 91, 0));
    synth->shortMessage(PackShortMessage(0xB0, 93, 0));
    synth->shortMessage(PackShortMessage(0xB0, controller, value));
    synth->shortMessage(PackShortMessage(0x90, 60, 100));
    return synth;
}

// Seconds from Note On until the level (2 ms steps) first reaches 90 % of its peak.
double AttackSeconds(const std::string& soundFont, int program, int value) {
    auto synth = NoteWith(soundFont, program, 73, value);
    const auto level = Envelope(RenderSeconds(*synth, 4.0), 0.002);
    const double peak = *std::max_element(level.begin(), level.end());
    const auto reached =
        std::find_if(level.begin(), level.end(), [peak](double v) { return v >= 0.9 * peak; });
    return 0.002 * static_cast<double>(reached - level.begin());
}

// Seconds from Note Off, after a second held, until the level (5 ms steps) falls 40 dB below
// the level of the last 50 ms before it.
double ReleaseSeconds(const std::string& soundFont, int program, int value) {
    auto synth = NoteWith(soundFont, program, 72, value);
    RenderSeconds(*synth, 0.95);
    const double held = Rms(RenderSeconds(*synth, 0.05));
    synth->shortMessage(PackShortMessage(0x80, 60, 64));
    const auto level = Envelope(RenderSeconds(*synth, 8.0), 0.005);
    const auto fallen =
        std::find_if(level.begin(), level.end(), [held](double v) { return v < 0.01 * held; });
    return 0.005 * static_cast<double>(fallen - level.begin());
}

// The pitch swing of a held note, highest minus lowest in cents, from 0.4 s to 1.4 s.
double VibratoCents(const std::string& soundFont, int program, int value) {
    auto synth = NoteWith(soundFont, program, 2, value);
    RenderSeconds(*synth, 0.4);
    const auto cents = PitchTrackCents(RenderSeconds(*synth, 1.0), 0.04);
    const auto [low, high] = std::minmax_element(cents.begin(), cents.end());
    return cents.empty() ? 0 : *high - *low;
}

} // namespace

// Attack time (73), release time (72) and breath (2) change the sound the way a musician
// expects of a General MIDI 2 module, with any GM SoundFont: 127 lengthens the envelope time
// that 64 leaves as it is, 0 shortens it (an attack that is instant already stays so); breath
// adds vibrato. The attack is the organ's (the piano's is partly in its samples), the release the
// piano's; the time to -40 dB includes the reverb's tail, which no controller shortens.
TEST_F(SynthPortTest, AttackReleaseAndBreathControllersAreHeard) {
    constexpr int Piano = 0;
    constexpr int Organ = 16;
    for (const std::string& soundFont : audio::InstalledSoundFonts()) {
        SCOPED_TRACE(soundFont);
        const double attack[3] = {AttackSeconds(soundFont, Organ, 0),
                                  AttackSeconds(soundFont, Organ, 64),
                                  AttackSeconds(soundFont, Organ, 127)};
        const double release[3] = {ReleaseSeconds(soundFont, Piano, 0),
                                   ReleaseSeconds(soundFont, Piano, 64),
                                   ReleaseSeconds(soundFont, Piano, 127)};
        const double vibrato[2] = {VibratoCents(soundFont, Organ, 0),
                                   VibratoCents(soundFont, Organ, 127)};
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
