// A part window playing through the built-in synthesizer, rendered offline: what sounds is the
// transposed note.
#include "midi/ports/SynthPort.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double Rate = SynthPort::SampleRate;

std::vector<double> RenderMono(SynthPort& synth, double seconds) {
    const std::vector<float> stereo = synth.render(static_cast<int>(seconds * Rate));
    std::vector<double> mono(stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5 * (stereo[2 * i] + stereo[2 * i + 1]);
    return mono;
}

// Fundamental frequency by autocorrelation: the first lag between 1 and 20 ms whose normalised
// autocorrelation is a local maximum within 10 % of the best, refined by a parabola.
double FundamentalHz(const std::vector<double>& x) {
    const int minLag = static_cast<int>(Rate / 1000);
    const int maxLag = static_cast<int>(Rate / 50);
    const int n = static_cast<int>(x.size()) - maxLag - 1;
    if (n <= 0)
        return 0;
    double energy = 0;
    for (int i = 0; i < n; ++i)
        energy += x[i] * x[i];
    if (energy <= 0)
        return 0;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += x[i] * x[i + lag];
        r[lag] = sum / energy;
    }
    const double best = *std::max_element(r.begin() + minLag, r.begin() + maxLag + 1);
    for (int lag = minLag; lag <= maxLag; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
            const double d = a - 2 * b + c;
            return Rate / (lag + (d != 0 ? 0.5 * (a - c) / d : 0));
        }
    }
    return 0;
}

double NoteHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Presses and holds the key of `note`, renders the steady part of the tone, releases the key and
// lets the sound die away; returns the fundamental heard while the key was down.
double PlayedHz(frmPart& window, SynthPort& synth, int note) {
    Keyboard& kb = window.keyboard();
    QWidget* key = kb.Key.at(note - kb.KeyBase());
    QTest::mousePress(key, Qt::LeftButton, {}, QPoint(4, 4));
    RenderMono(synth, 0.15); // the attack
    const double hz = FundamentalHz(RenderMono(synth, 0.4));
    QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(4, 4));
    RenderMono(synth, 2.0);
    return hz;
}

TEST(PartSound, TheTransposedNoteIsTheOneThatSounds) {
    const std::string soundFont = SynthPort::FindSoundFont();
    if (soundFont.empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
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
    frmPart* w = main.PartWindows[2];
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
