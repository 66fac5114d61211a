// The built-in synthesizer is new at every start: a part stored with a program and a pitch bend
// sounds with them right after the start, before any window sends anything. Depends on TimGM6mb
// (scripts/setup installs it), rendered offline from what the start-up sent.
#include "midi/ports/SynthPort.h"
#include "startup/Main.h"
#include "support/Audio.h"
#include "support/RecordingPort.h"
#include "support/RecordingSink.h"
#include "ui/main/frmMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace audio;

TEST(SynthStart, APartStoredWithAProgramAndABendSoundsWithThemRightAfterTheStart) {
    if (!QFile::exists(TestSoundFont))
        GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                            QDir(folder.path()).filePath("QuintaroProgGM.txt")));
    RecordingPort* port = nullptr;
    StartupHooks hooks;
    hooks.chooseLanguage = [](AppState& s) { s.LanguageCode = 2; };
    hooks.makePort = [&port] {
        auto made = std::make_unique<RecordingPort>();
        made->emptyAtOpen = SynthPort(TestSoundFont).startsEmpty(); // as the synthesizer answers
        port = made.get();
        return made;
    };
    std::vector<std::vector<std::uint8_t>> sent; // by the second start
    for (int start = 0; start < 2; ++start) {
        AppState state;
        RecordingSink sink;
        state.messages.setSink(&sink);
        auto window = Main(state, folder.path(), hooks);
        ASSERT_TRUE(window);
        if (start == 0) { // the first run stores part 1 as a violin bent to the top
            state.PartParams.at(1).at(PartRow::ProgramFlag) = 1;
            state.PartParams.at(1).at(PartRow::ProgramNumber) = 41;
            state.PartParams.at(1).at(PartRow::PitchBend) = 127;
        }
        sent = port->messages();
        window->close();
    }

    // Middle C on a synthesizer that heard what the second start sent, and on two references.
    const auto middleC = [](SynthPort& synth) {
        synth.playEvent(0x90, 60, 100);
        return RenderSeconds(synth, 1.0);
    };
    auto started = SynthPort::createOffline(TestSoundFont);
    ASSERT_NE(started, nullptr);
    for (const auto& message : sent)
        started->playStream(message);
    auto violin = SynthPort::createOffline(TestSoundFont);
    violin->playEvent(0xC0, 40, 0);
    violin->playEvent(0xE0, 0x7F, 0x7F); // the top of the 14-bit range: a whole tone up
    auto piano = SynthPort::createOffline(TestSoundFont);
    const auto atStart = middleC(*started), bowed = middleC(*violin), struck = middleC(*piano);

    // The loudness envelope tells the violin's swell from the piano's decay, whatever the phase.
    const auto distance = [](const std::vector<double>& a, const std::vector<double>& b) {
        return RmsDifference(Envelope(a, 0.02), Envelope(b, 0.02));
    };
    EXPECT_LT(distance(atStart, bowed), 0.5 * distance(atStart, struck));
    // Within a cent of the reference: the bend's low seven bits at 0 instead of 127 would be 3
    // cents flat.
    const double cents = 1200 * std::log2(FundamentalHz(atStart) / FundamentalHz(bowed));
    std::printf("stored violin against the reference: %.2f cents\n", cents);
    EXPECT_NEAR(cents, 0, 1.0);
}
