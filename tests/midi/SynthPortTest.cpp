// The built-in synthesizer rendered offline into memory with the SoundFont scripts/setup
// installs (skipped without it), also from what a part's state sends it, and the gate that lets
// its audio stream sleep.
#include "app/PartStates.h"
#include "support/Audio.h"
#include "support/TestState.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace audio;

using Bytes = std::vector<std::uint8_t>;

// A fresh offline synthesizer given `stream` as one long message (several messages, running
// status) through a header as the MIDI module sends it, then note 60.
std::unique_ptr<SynthPort> Played(const Bytes& stream) {
    auto synth = SynthPort::createOffline(TestSoundFont);
    MidiHdr header{std::string(stream.begin(), stream.end()), std::uint32_t(stream.size())};
    if (synth->prepareHeader(header, 28) == 0 && synth->longMessage(header, 28) == 0)
        synth->unprepareHeader(header, 28);
    synth->playEvent(0x90, 60, 100);
    return synth;
}

// The tone of Played() from 0.2 s to 0.2 + `seconds`.
std::vector<double> Tone(const Bytes& stream, double seconds = 0.5) {
    auto synth = Played(stream);
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

TEST_F(SynthPortTest, BendVolumeAndEveryWayToEndANoteAreHeard) {
    // 0x3000 is a semitone up, read the other way round nearly two down; 0x3FFF two up.
    for (const auto& [lsb, msb, note] :
         {std::tuple<std::uint8_t, std::uint8_t, int>{0, 0x40, 60}, {0, 0x60, 61}, {127, 127, 62}})
        EXPECT_NEAR(FundamentalHz(Tone({0xE0, lsb, msb})), NoteHz(note), NoteHz(note) * 0.015)
            << note;
    // Attack time 127 makes the violin swell slower than 0 does: 10 ms steps to half its peak.
    const auto onset = [](std::uint8_t attack) {
        const auto level = RmsSteps(RenderSeconds(*Played({0xC0, 40, 0xB0, 73, attack}), 2), 0.01);
        return std::ranges::find_if(level,
                                    [&](double v) { return v >= 0.5 * std::ranges::max(level); }) -
               level.begin();
    };
    EXPECT_GT(onset(127), 3 * onset(0) + 3);
    const double soft = Rms(Tone({0xB0, 7, 32}, 0.3));
    EXPECT_GT(soft, 0.0);
    EXPECT_LT(soft, Rms(Tone({0xB0, 7, 127}, 0.3)) * 0.2);
    // The violin sustains while the key is held (the first), so silence can only come from the
    // messages; running status makes the last pair a note on of velocity 0: a note off.
    double held = 0;
    for (const Bytes& stop : {Bytes{}, {0x80, 60, 64}, {0xB0, 123, 0}, {0x90, 60, 100, 60, 0}}) {
        auto synth = Played({0xC0, 40});
        RenderSeconds(*synth, 0.5);
        synth->playStream(stop);
        RenderSeconds(*synth, 2.0);
        const double level = Rms(RenderSeconds(*synth, 0.25));
        if (held == 0)
            EXPECT_GT(held = level, 0.01) << "held";
        else
            EXPECT_LT(level, held / 100);
    }
}

// What a new synthesizer gets of a part stored with a program and a pitch bend (at the start, or
// when it is chosen as the output) makes it sound with them.
TEST_F(SynthPortTest, APartsStateSoundsWithItsProgramAndBend) {
    TestState t;
    t.state.PartParams.at(1).at(PartRow::ProgramFlag) = 1;
    t.state.PartParams.at(1).at(PartRow::ProgramNumber) = 41;
    t.state.PartParams.at(1).at(PartRow::PitchBend) = 127;
    SendPartStates(t.state);
    Bytes sent;
    for (const Bytes& message : t.port->messages())
        sent.insert(sent.end(), message.begin(), message.end());
    // Middle C for a second after the part's state, after a violin bent to the top of the
    // 14-bit range (a whole tone up), and after nothing.
    const auto stored = RenderSeconds(*Played(sent), 1.0);
    const auto bowed = RenderSeconds(*Played({0xC0, 40, 0xE0, 0x7F, 0x7F}), 1.0);
    const auto struck = RenderSeconds(*Played({}), 1.0);
    // The loudness envelope tells the violin's swell from the piano's decay, whatever the phase.
    const auto distance = [](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> x = RmsSteps(a, 0.02), y = RmsSteps(b, 0.02);
        std::ranges::transform(x, y, x.begin(), std::minus{});
        return Rms(x);
    };
    EXPECT_LT(distance(stored, bowed), 0.5 * distance(stored, struck));
    // Within a cent of the reference: the bend's low seven bits at 0 instead of 127 would be 3
    // cents flat.
    EXPECT_NEAR(1200 * std::log2(FundamentalHz(stored) / FundamentalHz(bowed)), 0, 1.0);
}

// Offline, the synthesizer sleeps as its PulseAudio stream does: it renders zeros once it has
// been silent for IdleSeconds, and the next message wakes it. The sleep never comes before the
// release and the reverb's tail have died away, however long the release.
TEST_F(SynthPortTest, SleepsOnlyAfterTheTailsAndWakesForTheNextMessage) {
    auto synth = Played({0xB0, 91, 127}); // as much reverb as there is
    // Note Off after `held` seconds, then 10 ms blocks until asleep: the seconds from the Note
    // Off to the end of the last block at or above the silence level, and from there to the sleep.
    const auto release = [&](double held) {
        RenderSeconds(*synth, held);
        synth->shortMessage(PackShortMessage(0x80, 60, 64));
        double t = 0, sounded = 0;
        for (; t < 60 && !synth->sleeping(); t += 0.01) {
            const auto [low, high] = std::ranges::minmax(synth->render(int(0.01 * Rate)));
            sounded = std::max(-low, high) >= SynthPort::Silence ? t + 0.01 : sounded;
        }
        // The voices outlive the audible tail a little: the idle time runs from the later.
        EXPECT_TRUE(synth->sleeping() && t - sounded >= SynthPort::IdleSeconds - 0.01) << t;
        return std::pair{sounded, t - sounded};
    };
    const auto [sounded, idle] = release(0.3);
    EXPECT_GT(sounded, 0.2) << "the reverb rings on after the Note Off";
    EXPECT_LE(idle, SynthPort::IdleSeconds + 1.0);
    EXPECT_EQ(synth->sleeps(), 1);

    // A controller wakes it; as nothing sounds, it sleeps again after QuietSeconds. The next
    // one wakes it again.
    synth->shortMessage(PackShortMessage(0xB0, 91, 0));
    EXPECT_FALSE(synth->sleeping());
    EXPECT_EQ(synth->wakes(), 1);
    double quiet = 0;
    for (; quiet < 5 && !synth->sleeping(); quiet += 0.01)
        synth->render(int(0.01 * Rate));
    EXPECT_NEAR(quiet, SynthPort::QuietSeconds, 0.015);
    synth->shortMessage(PackShortMessage(0xB0, 91, 0));
    EXPECT_EQ(synth->wakes(), 2);
    // With release time at 127 a piano note rings for seconds after its Note Off, longer than
    // the idle time: it is not cut.
    synth->shortMessage(PackShortMessage(0xB0, 72, 127));
    synth->shortMessage(PackShortMessage(0x90, 60, 100));
    EXPECT_GT(release(0.5).first, 3 * SynthPort::IdleSeconds);
    // A violin held at volume 0 has a voice and no level: it stays awake past the idle time,
    // and sounds at once when the volume comes up.
    synth->playStream({0xB0, 7, 0, 0xC0, 40, 0x90, 62, 100});
    RenderSeconds(*synth, SynthPort::IdleSeconds + 0.5);
    EXPECT_FALSE(synth->sleeping());
    synth->shortMessage(PackShortMessage(0xB0, 7, 127));
    EXPECT_GT(Rms(RenderSeconds(*synth, 0.05)), 0.01);
}

// The gate shared by the audio side and the side that plays messages, stepped in a seeded random
// interleaving: the audio side begins and ends silent periods while it is awake (a gate that
// sleeps after one silent period, so it is always about to sleep), the message side plays a
// message and wakes the audio side when the gate says so, as SynthPort and PulseOutput do. A
// message may come before a period, while it renders or after it. Whenever the audio side is
// asleep, every message must have been in a period it began: a message left in a sleeping
// synthesizer is a note never heard. QUINTARO_RANDOM_SEED replays one seed.
TEST(SleepGate, NoMessageIsLeftInASleepingSynthesizer) {
    const QByteArray env = qgetenv("QUINTARO_RANDOM_SEED");
    for (const unsigned seed :
         env.isEmpty() ? std::vector<unsigned>{1, 2, 3, 4} : std::vector{env.toUInt()}) {
        SleepGate gate(SynthPort::PeriodSize, SynthPort::PeriodSize, SynthPort::Silence);
        const std::array<float, 2 * SynthPort::PeriodSize> silence{};
        std::mt19937 rng(seed);
        bool streaming = true, inPeriod = false;
        int played = 0, before = 0, heard = 0, sleeps = 0;
        for (int step = 0; step < 100000 && (streaming || heard == played); ++step) {
            if (rng() % 2 == 0) {
                ++played;
                if (gate.messageArrived() && !std::exchange(streaming, true))
                    gate.woke();
            } else if (streaming && !std::exchange(inPeriod, !inPeriod)) {
                gate.rendering();
                before = played; // what this period plays
            } else if (streaming) {
                heard = before;
                streaming =
                    !gate.rendered(silence.data(), silence.size(), SynthPort::PeriodSize, 0);
                sleeps += !streaming;
            }
        }
        EXPECT_TRUE(streaming || heard == played)
            << "seed " << seed << ": asleep, " << played - heard << " messages never rendered";
        EXPECT_GT(sleeps, 1000) << "seed " << seed << ": the audio side slept and woke often";
    }
}
