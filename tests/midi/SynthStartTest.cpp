// The built-in synthesizer is new at every start: a part stored with a program sounds with that
// program right after the start, before any window sends anything. Depends on TimGM6mb
// (scripts/setup installs it), rendered offline.
#include "startup/Main.h"
#include "midi/ports/SynthPort.h"
#include "support/Audio.h"
#include "support/RecordingPort.h"
#include "support/RecordingSink.h"
#include "ui/main/frmMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace audio;

// The offline synthesizer as the start-up meets a synthesizer: opened by the start, empty.
class OfflineSynthAtStart : public MidiPort {
  public:
    explicit OfflineSynthAtStart(SynthPort& synth) : synth_(synth) {}
    int deviceCount() override { return 1; }
    std::uint32_t open() override { return 0; }
    std::uint32_t close() override { return 0; }
    std::uint32_t shortMessage(std::uint32_t m) override { return synth_.shortMessage(m); }
    std::uint32_t prepareHeader(MidiHdr& h, int s) override { return synth_.prepareHeader(h, s); }
    std::uint32_t longMessage(MidiHdr& h, int s) override { return synth_.longMessage(h, s); }
    std::uint32_t unprepareHeader(MidiHdr& h, int s) override {
        return synth_.unprepareHeader(h, s);
    }
    bool startsEmpty() const override { return synth_.startsEmpty(); }

  private:
    SynthPort& synth_;
};

// The loudness envelope of middle C on channel 1 over a second: a piano's decays, a violin's
// swells and holds, whatever the phase of the samples.
std::vector<double> MiddleC(SynthPort& synth) {
    synth.playEvent(0x90, 60, 100);
    return Envelope(RenderSeconds(synth, 1.0), 0.02);
}

double Distance(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> d(std::min(a.size(), b.size()));
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = a[i] - b[i];
    return Rms(d);
}

} // namespace

using namespace audio;

TEST(SynthStart, APartStoredWithAProgramSoundsWithItRightAfterTheStart) {
    if (!QFile::exists(TestSoundFont))
        GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                            QDir(folder.path()).filePath("QuintaroProgGM.txt")));
    StartupHooks hooks;
    hooks.chooseLanguage = [](AppState& s) { s.LanguageCode = 2; };
    hooks.makePort = [] { return std::make_unique<RecordingPort>(); };
    {
        AppState first;
        RecordingSink sink;
        first.messages.setSink(&sink);
        auto window = Main(first, folder.path(), hooks);
        ASSERT_TRUE(window);
        first.PartParams.at(1).at(PartRow::ProgramFlag) = 1;
        first.PartParams.at(1).at(PartRow::ProgramNumber) = 41; // Violin
        window->close();
    }
    auto started = SynthPort::createOffline(TestSoundFont);
    ASSERT_NE(started, nullptr);
    hooks.makePort = [&started] { return std::make_unique<OfflineSynthAtStart>(*started); };
    AppState state;
    RecordingSink sink;
    state.messages.setSink(&sink);
    auto window = Main(state, folder.path(), hooks);
    ASSERT_TRUE(window);
    const std::vector<double> atStart = MiddleC(*started);

    auto violin = SynthPort::createOffline(TestSoundFont);
    violin->playEvent(0xC0, 40, 0);
    auto piano = SynthPort::createOffline(TestSoundFont);
    const double toViolin = Distance(atStart, MiddleC(*violin));
    const double toPiano = Distance(atStart, MiddleC(*piano));
    EXPECT_LT(toViolin, 0.5 * toPiano) << "violin " << toViolin << ", piano " << toPiano;
    window->close();
}
