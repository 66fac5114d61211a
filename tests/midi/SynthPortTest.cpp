#include "midi/ports/SynthPort.h"
#include "app/strings/Messages.h"
#include "midi/Midi.h"
#include "support/Audio.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unistd.h>

namespace {

using audio::FundamentalHz;
using audio::Rate;
using audio::RenderSeconds;
using audio::Rms;

std::string SoundFont() {
    return SynthPort::FindSoundFont();
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

// Note 60 on channel 0 with the given program, rendered from 0.2 s to 0.7 s after its start.
std::vector<double> SteadyTone(const std::string& programChange) {
    auto synth = SynthPort::createOffline(SoundFont());
    if (synth == nullptr)
        return {};
    SendLong(*synth, programChange);
    synth->shortMessage(PackShortMessage(0x90, 60, 100));
    RenderSeconds(*synth, 0.2);
    return RenderSeconds(*synth, 0.5);
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
        if (SoundFont().empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
};

} // namespace

TEST_F(SynthPortTest, FindsTheSystemSoundFontOrTheChosenOne) {
    SynthPort system;
    EXPECT_EQ(system.deviceCount(), 1);
    EXPECT_FALSE(system.isOpen());

    SynthPort missing("/nonexistent/none.sf2");
    EXPECT_EQ(missing.deviceCount(), 0);

    QTemporaryDir dir;
    QFile notASoundFont(dir.filePath("fake.sf2"));
    ASSERT_TRUE(notASoundFont.open(QIODevice::WriteOnly));
    notASoundFont.write("RIFF....not a soundfont");
    notASoundFont.close();
    EXPECT_EQ(SynthPort(notASoundFont.fileName().toStdString()).deviceCount(), 0);

    qputenv("QUINTARO_SOUNDFONT", "/nonexistent/chosen.sf2");
    EXPECT_EQ(SynthPort::FindSoundFont(), "/nonexistent/chosen.sf2");
    EXPECT_EQ(SynthPort().deviceCount(), 0);
    qunsetenv("QUINTARO_SOUNDFONT");
}

TEST_F(SynthPortTest, WithoutAudioOutputOpenFailsQuietlyAndFreesEverything) {
    // This machine has no sound card: the default driver cannot start.
    SynthPort synth;
    std::uint32_t result = 0;
    const std::string printed = CaptureStderr([&] { result = synth.open(); });
    if (result == MidiError::NoError) {
        // A machine with sound output: the buffer asked for must hold.
        EXPECT_LE(synth.audioSetup().bufferMilliseconds(), 10.0);
        EXPECT_EQ(synth.close(), 0u);
    } else {
        EXPECT_NE(result, 0u);
        EXPECT_FALSE(synth.isOpen());
        EXPECT_FALSE(synth.lastError().empty());
        EXPECT_NE(synth.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
        EXPECT_NE(synth.close(), 0u);
    }
    EXPECT_EQ(printed.find("fluidsynth"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("ALSA lib"), std::string::npos) << printed;

    // Through the MIDI module: one device error, output disabled.
    if (result != MidiError::NoError) {
        int base = 200;
        Messages messages(base);
        struct Sink : MessageSink {
            void show(const QString& text, const QString&) override { texts.push_back(text); }
            std::vector<QString> texts;
        } sink;
        messages.setSink(&sink);
        Midi midi(messages);
        midi.setPort(std::make_unique<SynthPort>());
        EXPECT_NE(midi.OpenMidiOutput(), 0u);
        EXPECT_EQ(midi.MidiOutEnabled, 0);
        midi.SendNoteOn(0, 60, 100);
        ASSERT_EQ(sink.texts.size(), 1u);
        EXPECT_EQ(sink.texts[0], QStringLiteral("Output MIDI Device error"));
    }
}

TEST_F(SynthPortTest, PlaysThroughAnAudioDriverWithAShortBuffer) {
    // ALSA's null sink takes audio and plays nothing: enough to start a real driver here.
    qputenv("QUINTARO_SYNTH_DRIVER", "alsa");
    qputenv("QUINTARO_SYNTH_DEVICE", "null");
    SynthPort synth;
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t result = synth.open();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    qunsetenv("QUINTARO_SYNTH_DRIVER");
    qunsetenv("QUINTARO_SYNTH_DEVICE");
    ASSERT_EQ(result, 0u) << synth.lastError();

    const auto& setup = synth.audioSetup();
    EXPECT_EQ(setup.driver, "alsa");
    EXPECT_EQ(setup.requestedPeriodSize, SynthPort::PeriodSize);
    EXPECT_EQ(setup.requestedPeriods, SynthPort::Periods);
    EXPECT_GT(setup.periodSize, 0);
    EXPECT_GT(setup.periods, 0);
    EXPECT_LE(setup.bufferMilliseconds(), 10.0);
    std::printf("audio driver %s: %d x %d frames at %.0f Hz = %.2f ms; open took %.1f ms\n",
                setup.driver.c_str(), setup.periods, setup.periodSize, setup.sampleRate,
                setup.bufferMilliseconds(), took.count());

    EXPECT_EQ(synth.open(), MidiError::Allocated);
    EXPECT_EQ(synth.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
    EXPECT_EQ(SendLong(synth, std::string("\xC0\x28", 2)), 0u);
    EXPECT_TRUE(synth.render(64).empty()); // the driver renders, not the caller
    EXPECT_EQ(synth.close(), 0u);
    EXPECT_FALSE(synth.isOpen());
}

TEST_F(SynthPortTest, MiddleCSoundsAtItsPitch) {
    auto synth = SynthPort::createOffline(SoundFont());
    ASSERT_NE(synth, nullptr);
    EXPECT_TRUE(synth->isOpen());

    const auto before = RenderSeconds(*synth, 0.1);
    EXPECT_LT(Rms(before), 1e-6);

    ASSERT_EQ(synth->shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
    RenderSeconds(*synth, 0.1);
    const auto tone = RenderSeconds(*synth, 0.5);
    const double hz = FundamentalHz(tone);
    std::printf("note 60: fundamental %.2f Hz, RMS %.4f\n", hz, Rms(tone));
    EXPECT_NEAR(hz, 261.63, 261.63 * 0.02);
    EXPECT_GT(Rms(tone), 0.01);

    // An octave up on another channel.
    auto other = SynthPort::createOffline(SoundFont());
    other->shortMessage(PackShortMessage(0x93, 72, 100));
    RenderSeconds(*other, 0.1);
    EXPECT_NEAR(FundamentalHz(RenderSeconds(*other, 0.5)), 523.25, 523.25 * 0.02);
}

TEST_F(SynthPortTest, PitchBendTakesFourteenBitsLowBitsFirst) {
    // 0x3000 = 12288, a quarter of the range up: one semitone with the default two-semitone range.
    // Read the other way round (data2 low) it would be 96, nearly two semitones down.
    auto synth = SynthPort::createOffline(SoundFont());
    ASSERT_NE(synth, nullptr);
    synth->shortMessage(PackShortMessage(0xE0, 0x00, 0x60));
    synth->shortMessage(PackShortMessage(0x90, 60, 100));
    RenderSeconds(*synth, 0.1);
    const double hz = FundamentalHz(RenderSeconds(*synth, 0.5));
    std::printf("note 60 bent by 0x3000: %.2f Hz\n", hz);
    EXPECT_NEAR(hz, 277.18, 277.18 * 0.015);
}

TEST_F(SynthPortTest, ProgramChangeByLongMessageChangesTheSound) {
    const auto piano = SteadyTone(std::string("\xC0\x00", 2));
    const auto pianoAgain = SteadyTone(std::string("\xC0\x00", 2));
    const auto violin = SteadyTone(std::string("\xC0\x28", 2));
    const auto trumpet = SteadyTone(std::string("\xC0\x38", 2));
    ASSERT_FALSE(piano.empty());

    const double c4 = 261.63;
    const auto pianoProfile = HarmonicProfile(piano, c4);
    const double same = TimbreDistance(pianoProfile, HarmonicProfile(pianoAgain, c4));
    const double toViolin = TimbreDistance(pianoProfile, HarmonicProfile(violin, c4));
    const double toTrumpet = TimbreDistance(pianoProfile, HarmonicProfile(trumpet, c4));
    const double violinToTrumpet =
        TimbreDistance(HarmonicProfile(violin, c4), HarmonicProfile(trumpet, c4));
    std::printf("harmonic profile distance from piano: piano %.2f dB, violin %.2f dB, trumpet "
                "%.2f dB; violin to trumpet %.2f dB\n",
                same, toViolin, toTrumpet, violinToTrumpet);
    EXPECT_LT(same, 0.5);
    EXPECT_GT(toViolin, 6.0);
    EXPECT_GT(toTrumpet, 6.0);
    EXPECT_GT(violinToTrumpet, 6.0);
    // Still the same note.
    EXPECT_NEAR(FundamentalHz(trumpet), 261.63, 261.63 * 0.02);
    EXPECT_NEAR(FundamentalHz(violin), 261.63, 261.63 * 0.02);
}

TEST_F(SynthPortTest, ALongMessageMayHoldSeveralMessages) {
    // Program change to the trumpet, then a note on: one buffer, parsed as a stream.
    auto synth = SynthPort::createOffline(SoundFont());
    ASSERT_NE(synth, nullptr);
    ASSERT_EQ(SendLong(*synth, std::string("\xC0\x38\x90\x3C\x64", 5)), 0u);
    RenderSeconds(*synth, 0.2);
    const auto streamed = RenderSeconds(*synth, 0.5);
    const auto trumpet = SteadyTone(std::string("\xC0\x38", 2));
    EXPECT_GT(Rms(streamed), 0.01);
    EXPECT_LT(TimbreDistance(HarmonicProfile(streamed, 261.63), HarmonicProfile(trumpet, 261.63)),
              0.5);

    // A long message is refused unless prepared.
    MidiHdr header;
    header.data = std::string("\x90\x3C\x64", 3);
    header.bufferLength = 3;
    EXPECT_NE(synth->longMessage(header, 28), 0u);
}

TEST_F(SynthPortTest, StreamParsingKeepsRunningStatusAndSkipsBrokenMessages) {
    const double c4 = 261.63;
    const auto trumpet = HarmonicProfile(SteadyTone(std::string("\xC0\x38", 2)), c4);
    const auto piano = HarmonicProfile(SteadyTone(std::string("\xC0\x00", 2)), c4);

    // Running status: the second pair is a note on with velocity 0, a note off.
    auto ended = SynthPort::createOffline(SoundFont());
    ASSERT_NE(ended, nullptr);
    ended->playStream({0xC0, 0x28, 0x90, 0x3C, 0x64});
    RenderSeconds(*ended, 0.5);
    const double sounding = Rms(RenderSeconds(*ended, 0.1));
    ended->playStream({0x90, 0x3C, 0x64, 0x3C, 0x00});
    RenderSeconds(*ended, 2.0);
    EXPECT_GT(sounding, 0.01);
    EXPECT_LT(Rms(RenderSeconds(*ended, 0.25)), sounding / 100);

    // A note on cut short by another status byte is dropped; the program change and the
    // complete note on after it are played.
    auto cut = SynthPort::createOffline(SoundFont());
    cut->playStream({0x90, 0x3C, 0xC0, 0x38, 0x90, 0x3C, 0x64});
    RenderSeconds(*cut, 0.2);
    const auto cutTone = RenderSeconds(*cut, 0.5);
    EXPECT_LT(TimbreDistance(HarmonicProfile(cutTone, c4), trumpet), 0.5);

    // General MIDI System On (a system exclusive message) resets the program to the piano.
    auto reset = SynthPort::createOffline(SoundFont());
    reset->playStream({0xC0, 0x38, 0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x90, 0x3C, 0x64});
    RenderSeconds(*reset, 0.2);
    const auto resetProfile = HarmonicProfile(RenderSeconds(*reset, 0.5), c4);
    std::printf("after GM System On: %.2f dB from piano, %.2f dB from trumpet\n",
                TimbreDistance(resetProfile, piano), TimbreDistance(resetProfile, trumpet));
    EXPECT_LT(TimbreDistance(resetProfile, piano), 0.5);
}

TEST_F(SynthPortTest, PanControllerMovesTheSoundBetweenLeftAndRight) {
    // render() interleaves left then right.
    auto channelRms = [](const std::vector<float>& stereo, int side) {
        double sum = 0;
        for (std::size_t i = side; i < stereo.size(); i += 2)
            sum += stereo[i] * stereo[i];
        return std::sqrt(sum / (stereo.size() / 2.0));
    };
    for (int pan : {0, 127}) {
        auto synth = SynthPort::createOffline(SoundFont());
        ASSERT_NE(synth, nullptr);
        synth->shortMessage(PackShortMessage(0xB5, 10, static_cast<std::uint32_t>(pan)));
        synth->shortMessage(PackShortMessage(0x95, 60, 100));
        synth->render(static_cast<int>(0.1 * Rate));
        const auto stereo = synth->render(static_cast<int>(0.3 * Rate));
        const double left = channelRms(stereo, 0);
        const double right = channelRms(stereo, 1);
        std::printf("pan %d: left RMS %.4f, right RMS %.4f\n", pan, left, right);
        if (pan == 0)
            EXPECT_GT(left, 10 * right);
        else
            EXPECT_GT(right, 10 * left);
    }
}

TEST_F(SynthPortTest, NoteOffAndAllNotesOffSilenceTheNote) {
    // The violin sustains while the key is held, so silence can only come from the messages.
    auto held = SynthPort::createOffline(SoundFont());
    auto released = SynthPort::createOffline(SoundFont());
    auto allOff = SynthPort::createOffline(SoundFont());
    ASSERT_NE(held, nullptr);
    for (SynthPort* s : {held.get(), released.get(), allOff.get()}) {
        SendLong(*s, std::string("\xC0\x28", 2));
        s->shortMessage(PackShortMessage(0x90, 60, 100));
        RenderSeconds(*s, 0.5);
    }
    released->shortMessage(PackShortMessage(0x80, 60, 64));
    allOff->shortMessage(PackShortMessage(0xB0, 123, 0));
    for (SynthPort* s : {held.get(), released.get(), allOff.get()})
        RenderSeconds(*s, 2.0);
    const double heldRms = Rms(RenderSeconds(*held, 0.25));
    const double releasedRms = Rms(RenderSeconds(*released, 0.25));
    const double allOffRms = Rms(RenderSeconds(*allOff, 0.25));
    std::printf("RMS 2.5 s after note on: held %.5f, note off %.7f, all notes off %.7f\n", heldRms,
                releasedRms, allOffRms);
    EXPECT_GT(heldRms, 0.01);
    EXPECT_LT(releasedRms, heldRms / 100);
    EXPECT_LT(allOffRms, heldRms / 100);
}

TEST_F(SynthPortTest, VolumeControllerLowersTheLevel) {
    auto loud = SynthPort::createOffline(SoundFont());
    auto soft = SynthPort::createOffline(SoundFont());
    ASSERT_NE(loud, nullptr);
    loud->shortMessage(PackShortMessage(0xB0, 7, 127));
    soft->shortMessage(PackShortMessage(0xB0, 7, 32));
    for (SynthPort* s : {loud.get(), soft.get()}) {
        s->shortMessage(PackShortMessage(0x90, 60, 100));
        RenderSeconds(*s, 0.1);
    }
    const double loudRms = Rms(RenderSeconds(*loud, 0.3));
    const double softRms = Rms(RenderSeconds(*soft, 0.3));
    std::printf("RMS at volume 127: %.4f, at volume 32: %.4f\n", loudRms, softRms);
    EXPECT_LT(softRms, loudRms * 0.2);
    EXPECT_GT(softRms, 0.0);
}
