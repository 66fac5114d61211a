// A part window playing through the built-in synthesizer, rendered offline: what sounds is the
// transposed note.
#include "midi/ports/SynthPort.h"
#include "support/Audio.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using audio::FundamentalHz;
using audio::NoteHz;
using audio::RenderSeconds;

// Presses and holds the key of `note`, renders the steady part of the tone, releases the key and
// lets the sound die away; returns the fundamental heard while the key was down.
double PlayedHz(frmPart& window, SynthPort& synth, int note) {
    Keyboard& kb = window.keyboard();
    QWidget* key = kb.Key.at(note - kb.KeyBase());
    QTest::mousePress(key, Qt::LeftButton, {}, QPoint(4, 4));
    RenderSeconds(synth, 0.15); // the attack
    const double hz = FundamentalHz(RenderSeconds(synth, 0.4));
    QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(4, 4));
    RenderSeconds(synth, 2.0);
    return hz;
}

TEST(PartSound, TheTransposedNoteIsTheOneThatSounds) {
    const std::string soundFont = audio::TestSoundFont;
    if (SynthPort(soundFont).deviceCount() == 0)
        GTEST_SKIP() << soundFont << " is not installed (scripts/setup installs it)";
    TestState t;
    auto offline = SynthPort::createOffline(soundFont);
    ASSERT_NE(offline, nullptr);
    SynthPort& synth = *offline;
    t.state.midi.setPort(std::move(offline));
    t.port = nullptr;

    frmMain main(t.state);
    main.show();
    t.state.PartParams[2][12] = 24; // +12
    main.mnuPart_Click(2);
    frmPart* w = main.PartWindow(2);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->Combo1->currentText(), QStringLiteral("+12"));

    // The key of note 48 sounds middle C, 261.6 Hz.
    const double up = PlayedHz(*w, synth, 48);
    EXPECT_NEAR(up, NoteHz(60), NoteHz(60) * 0.02);

    // Without transposition the same key sounds an octave lower; five semitones down, lower
    // still.
    w->Combo1->setCurrentIndex(12); // " 0"
    const double plain = PlayedHz(*w, synth, 48);
    EXPECT_NEAR(plain, NoteHz(48), NoteHz(48) * 0.02);
    w->Combo1->setCurrentIndex(17); // "-5"
    const double down = PlayedHz(*w, synth, 60);
    EXPECT_NEAR(down, NoteHz(55), NoteHz(55) * 0.02);
}

} // namespace
