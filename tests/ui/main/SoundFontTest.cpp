// The built-in synthesizer's SoundFont and level, chosen in the "MIDI..." dialog: a SoundFont
// chosen in Qt's file dialog loads while the windows go on, the parts' state follows it and the
// next start loads it; a file that is not one is refused with the old one still playing; the
// level is heard at once.
#include "app/PartStates.h"
#include "devices/Devices.h"
#include "midi/ports/MidiMapper.h"
#include "support/Audio.h"
#include "support/FileDialog.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/keyboard/Keyboard.h"

#include <gtest/gtest.h>

using audio::TestSoundFont;
using audio::WavHeard;

namespace {

class SoundFont : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SynthPort(TestSoundFont).deviceCount() == 0)
            GTEST_SKIP() << TestSoundFont << " is not installed (scripts/setup installs it)";
        // The synthesizer plays into a file in the test's folder: no sound server needed.
        qputenv("QUINTARO_SYNTH_DRIVER", "file");
        qputenv("QUINTARO_SOUNDFONT", TestSoundFont);
        ASSERT_TRUE(QDir::setCurrent(h.t.folder.path()));
        ASSERT_TRUE(h.main.devices().ChooseOutput("synth"));
        h.ui.openMidiDialog();
    }
    void TearDown() override {
        qunsetenv("QUINTARO_SYNTH_DRIVER");
        qunsetenv("QUINTARO_SOUNDFONT");
    }
    SynthPort* synth() { return dynamic_cast<SynthPort*>(h.t.state.midi.port()); }
    // Chooses `path` through the dialog and waits for the load to end.
    void choose(const QString& path) {
        QTimer answer;
        AnswerFileDialogs(answer, path);
        h.ui.clickSoundFont();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !h.main.devices().loadingSoundFont(); }, 60000));
    }
    MainHost h;
};

} // namespace

// A held key ends before the load; once loaded, the synthesizer plays the new file, has been
// given every part's state again, says so, and the choice is what the next start loads.
TEST_F(SoundFont, AChosenSoundFontPlaysWithThePartsStateAndIsLoadedAtTheNextStart) {
    const QString chosen = h.t.folder.filePath("Chosen.sf2");
    ASSERT_TRUE(QFile::copy(TestSoundFont, chosen));
    h.t.state.PartParams[1][PartRow::ProgramNumber] = 41;
    h.t.state.PartParams[1][PartRow::Volume] = 90;
    frmPart* part1 = h.ui.openPart(1);
    QTest::mousePress(part1->keyboard().Keys, Qt::LeftButton, {},
                      part1->keyboard().Keys->keyRect(24).topLeft() + QPoint(3, 3));
    SynthPort* old = synth();
    const std::size_t before = RecordedLines(h.t.state.midi).size();
    choose(chosen);

    ASSERT_NE(synth(), nullptr);
    EXPECT_NE(synth(), old);
    EXPECT_EQ(synth()->soundFontPath(), chosen.toStdString());
    EXPECT_TRUE(h.t.state.midi.outputEnabled());
    const auto sent = RecordedLines(h.t.state.midi);
    const std::vector<std::string> after(sent.begin() + static_cast<long>(before), sent.end());
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[0], "80 3c 40") << "the held key's Note Off first";
    const auto stateAt = std::ranges::find(after, "c0 28");
    ASSERT_NE(stateAt, after.end()) << "part 1's program sent to the new synthesizer";
    EXPECT_EQ(*(stateAt + 1), "b0 07 5a");
    EXPECT_NE(std::find(stateAt, after.end(), "cf 00"), after.end()) << "and part 16's";
    EXPECT_EQ(h.ui.synthEntry(), "Synth GM (Chosen.sf2)");
    EXPECT_EQ(h.ui.midiStatus(), "SoundFont: Chosen.sf2");
    EXPECT_EQ(h.ui.soundFontNote(), "");
    EXPECT_EQ(RememberedMidiChoice("soundfont"), chosen);

    // The next start: the environment's SoundFont wins; without it, the one chosen, alone.
    EXPECT_EQ(SynthPort::FindSoundFont(), TestSoundFont);
    qunsetenv("QUINTARO_SOUNDFONT");
    EXPECT_EQ(SynthPort::FindSoundFont(), chosen.toStdString());
    EXPECT_EQ(SynthPort().soundFontPath(), chosen.toStdString());
}

// A file that is no SoundFont is refused in the dialog and the status bar; the synthesizer in
// use goes on playing its SoundFont, and nothing is remembered.
TEST_F(SoundFont, AFileThatIsNoSoundFontIsRefusedAndTheOldOneKeepsPlaying) {
    const QString bad = h.t.folder.filePath("Broken.sf2");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF\x10\0\0\0sfbkLIST this is not a SoundFont");
    file.close();
    SynthPort* old = synth();
    choose(bad);
    EXPECT_EQ(synth(), old);
    EXPECT_EQ(synth()->soundFontPath(), TestSoundFont);
    EXPECT_TRUE(h.t.state.midi.outputEnabled());
    EXPECT_EQ(h.ui.soundFontNote(),
              "Broken.sf2 is not a readable SoundFont: the previous one stays.");
    EXPECT_EQ(h.ui.midiStatus(), "Not a readable SoundFont: Broken.sf2");
    EXPECT_EQ(RememberedMidiChoice("soundfont"), "");
    EXPECT_EQ(h.ui.synthEntry(), "Synth GM (TimGM6mb.sf2)");
    // What is played now is heard: the file driver writes it beside the test.
    const QString wav = h.t.folder.filePath("fluidsynth.wav");
    const qint64 from = QFileInfo(wav).size();
    h.t.state.midi.SendNoteOn(0, 67, 110);
    EXPECT_TRUE(WavHeard(wav, from, 10000));
}

// The level slider sets the synthesizer's gain at once and is remembered; the gain is heard,
// in proportion; at the first-run level a full mix does not clip: 16 parts at their first-run
// volume (100), each a six-note chord at the keyboard's first-run velocity (80).
TEST_F(SoundFont, TheLevelIsHeardAtOnceAndTheDefaultDoesNotClipAFullMix) {
    auto mix = SynthPort::createOffline(TestSoundFont);
    ASSERT_DOUBLE_EQ(mix->gain(), SynthPort::Gain);
    for (std::uint8_t ch = 0; ch < 16; ++ch) {
        mix->playEvent(0xC0 | ch, ch * 8, 0);
        mix->playEvent(0xB0 | ch, 7, 100);
        for (std::uint8_t note : {48, 55, 60, 64, 67, 72})
            mix->playEvent(0x90 | ch, static_cast<std::uint8_t>(note + ch % 3), 80);
    }
    const auto stereo = mix->render(static_cast<int>(SynthPort::SampleRate));
    float peak = 0;
    for (float v : stereo)
        peak = std::max(peak, std::abs(v));
    std::printf("full mix peak at gain %.2f: %.3f\n", SynthPort::Gain, peak);
    EXPECT_LT(peak, 1.0f);

    auto offline = SynthPort::createOffline(TestSoundFont);
    ASSERT_NE(offline, nullptr);
    const auto level = [&](double gain) {
        offline->setGain(gain);
        offline->playEvent(0x90, 60, 100);
        const double rms = audio::Rms(audio::RenderSeconds(*offline, 0.5));
        offline->playEvent(0x80, 60, 0);
        audio::RenderSeconds(*offline, 2);
        return rms;
    };
    const double quiet = level(0.2), loud = level(0.8);
    EXPECT_GT(quiet, 0.001);
    EXPECT_NEAR(loud / quiet, 4.0, 0.4);

    h.ui.levelSlider()->setValue(16); // 0.80
    EXPECT_DOUBLE_EQ(synth()->gain(), 0.8);
    EXPECT_EQ(RememberedMidiChoice("gain"), "0.80");
}
