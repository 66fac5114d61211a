// The all-parts volume window and the two program pages, driven through their controls with
// the main window wiring them to the part windows.
#include "midi/ports/SynthPort.h"
#include "support/Audio.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/mixer/frmGMPag.h"
#include "ui/mixer/frmVolumeAll.h"
#include "ui/part/LevelScrollBar.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;
using Call = RecordingPort::Call;

class MixerTest : public ::testing::Test {
  protected:
    MixerTest() : main(t.state) {}
    void SetUp() override {
        main.resize(1400, 1000);
        main.show();
    }
    std::uint8_t& row(int part, int r) { return t.state.PartParams.at(part).at(r); }
    const QString& record(int i) const { return t.state.GMProgramNames.record(i); }
    Lines sent() const { return t.port->messageLines(); }
    frmVolumeAll* openVolume() {
        main.mnuVolumeAll->trigger();
        EXPECT_TRUE(main.VolumeAllWindow());
        return main.VolumeAllWindow();
    }
    frmGMPag* page(int n) {
        main.mnuGMPag[n]->trigger();
        EXPECT_TRUE(main.GMPage(n));
        return main.GMPage(n);
    }
    // Clicks row `r` of a page's list as a user would.
    static void click(frmGMPag* p, int r) {
        QListWidget* list = p->List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(r)).center());
    }
    static void closeWindow(QWidget* w) {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TestState t;
    frmMain main;
};

TEST_F(MixerTest, FirstOpeningResendsEveryVolumeButTheTopOneAndLeavesTheLastPartCurrent) {
    row(4, 1) = 127; // the slider's own starting value: no change, nothing sent
    frmVolumeAll* w = openVolume();
    Lines expected;
    for (int ch = 0; ch < 16; ++ch)
        if (ch != 3)
            expected.push_back(HexLine({static_cast<std::uint8_t>(0xB0 | ch), 0x07, 0x64}));
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(t.state.currentPart(), 16);
    EXPECT_EQ(main.Label3->text(), QStringLiteral("16"));
    EXPECT_EQ(w->Text1[4]->text(), QStringLiteral("127"));
    EXPECT_FALSE(main.mnuVolumeAll->isEnabled());
    EXPECT_EQ(t.state.WindowRecs[19].Open, 1);
}

TEST_F(MixerTest, VolumeMovesFromEitherSideSendOnceAndTheOtherValuesAreMirrored) {
    main.mnuPart_Click(3);
    frmPart* part = main.PartWindow(3);
    frmVolumeAll* w = openVolume();
    t.port->clear();

    w->VScroll[3]->setValue(90); // handed to the part window, which sends it
    EXPECT_EQ(sent(), (Lines{"b2 07 5a"}));
    EXPECT_EQ(part->VScroll[0]->value(), 90);
    part->VScroll[0]->setValue(70); // mirrored in: the volume window sends nothing more
    EXPECT_EQ(sent(), (Lines{"b2 07 5a", "b2 07 46"}));
    EXPECT_EQ(w->VScroll[3]->value(), 70);
    EXPECT_EQ(w->Text1[3]->text(), QStringLiteral("70"));
    EXPECT_EQ(row(3, 1), 70);
    w->VScroll[9]->setValue(50); // no window for part 9: sent directly
    EXPECT_EQ(sent().back(), "b8 07 32");

    t.port->clear();
    part->VScroll[1]->setValue(40);    // pan
    part->VScroll[9]->setValue(33);    // reverb
    part->VScroll[10]->setValue(21);   // chorus
    part->Combo1->setCurrentIndex(17); // "-5"
    EXPECT_EQ(sent(), (Lines{"b2 0a 28", "b2 5b 21", "b2 5d 15"}));
    EXPECT_EQ(w->Text2[3]->text(), QStringLiteral("-24"));
    EXPECT_EQ(w->Text3[3]->text(), QStringLiteral("33"));
    EXPECT_EQ(w->Text4[3]->text(), QStringLiteral("21"));
    EXPECT_EQ(w->Text5[3]->text(), QStringLiteral("-5"));

    // While windows are being restored the sliders are not mirrored (the transposition is), and
    // the volume window sends its volume itself.
    AppState::RestoringWindowsScope restoring(t.state);
    t.port->clear();
    part->VScroll[9]->setValue(60);
    part->VScroll[0]->setValue(10);
    part->Combo1->setCurrentIndex(12);
    w->VScroll[3]->setValue(20);
    EXPECT_EQ(sent(), (Lines{"b2 5b 3c", "b2 07 0a", "b2 07 14"}));
    EXPECT_EQ(w->Text3[3]->text(), QStringLiteral("33"));
    EXPECT_EQ(w->Text5[3]->text(), QStringLiteral("0"));
    EXPECT_EQ(part->VScroll[0]->value(), 10);
}

TEST_F(MixerTest, SelectButtonsLightTheCurrentPartAndOpenItsWindow) {
    frmVolumeAll* w = openVolume();
    // The buttons lit, by part number.
    auto lit = [w] {
        std::vector<int> on;
        for (int i = 1; i <= 16; ++i)
            if (w->PulsPart[i]->palette().color(QPalette::Button) == QColor(255, 255, 1))
                on.push_back(i);
        return on;
    };
    EXPECT_EQ(lit(), std::vector<int>{});
    QTest::mouseClick(w->PulsPart[5], Qt::LeftButton);
    EXPECT_EQ(lit(), std::vector<int>{5});
    EXPECT_EQ(t.state.currentPart(), 5);
    QTest::mouseClick(w->PulsPart[7], Qt::LeftButton);
    EXPECT_EQ(lit(), std::vector<int>{7});
    // The current part's button with its window closed opens it again.
    closeWindow(main.PartWindow(7));
    QTest::mouseClick(w->PulsPart[7], Qt::LeftButton);
    EXPECT_TRUE(main.PartWindow(7));
    EXPECT_EQ(lit(), std::vector<int>{7});
}

TEST_F(MixerTest, ProgramNamesAndPartWindowProgramsBringUpThePageOfTheirProgram) {
    row(2, 18) = 64;
    row(6, 18) = 65;
    frmVolumeAll* w = openVolume();
    QTest::mouseClick(w->Text7[2], Qt::LeftButton);
    EXPECT_TRUE(main.GMPage(1));
    EXPECT_FALSE(main.GMPage(2));
    EXPECT_EQ(t.state.currentPart(), 2);
    QTest::mouseClick(w->Text7[6], Qt::LeftButton);
    EXPECT_TRUE(main.GMPage(2));
    EXPECT_EQ(t.state.programPage(), 21);
    // A page opened this way leaves its menu item as it was.
    EXPECT_TRUE(main.mnuGMPag[1]->isEnabled());
    EXPECT_TRUE(main.mnuGMPag[2]->isEnabled());

    closeWindow(main.GMPage(1));
    main.mnuPart_Click(2);
    QTest::mouseClick(main.PartWindow(2)->Text3, Qt::LeftButton);
    EXPECT_TRUE(main.GMPage(1));
}

TEST_F(MixerTest, PagesListTheirFamiliesInFourColumnsUnderTheirTitles) {
    for (int n = 1; n <= 2; ++n) {
        frmGMPag* p = page(n);
        EXPECT_FALSE(main.mnuGMPag[n]->isEnabled());
        const int r0 = n == 1 ? 1 : 73;
        QListWidget* list = p->List1;
        ASSERT_EQ(list->count(), 68);
        for (int m = 0; m < 4; ++m) {
            const int upper = r0 + 18 * m; // the upper family's title record
            EXPECT_EQ(p->Label1[2 * m + 1]->text(), record(upper).trimmed());
            EXPECT_EQ(p->Label1[2 * m + 2]->text(), record(upper + 9).trimmed());
            for (int k = 0; k < 17; ++k) {
                const int i = 17 * m + k;
                // Between the two families a blank row stands for the lower one's title.
                const QString expected =
                    k == 8 ? QString(10, QLatin1Char(' ')) : record(upper + 1 + k);
                EXPECT_EQ(list->item(i)->text(), expected) << "page " << n << " row " << i;
                // The rows of a column stand one above the other, the columns side by side.
                const QRect rect = list->visualItemRect(list->item(i));
                EXPECT_EQ(rect.topLeft(), QPoint(m * rect.width(), k * rect.height()));
            }
        }
    }
    // The caption follows the current part when a page becomes active.
    t.state.makeCurrent(3);
    main.mdiArea()->setActiveSubWindow(main.GMPage(1));
    EXPECT_EQ(main.GMPage(1)->windowTitle(), QStringLiteral("GM Page 1 - Part  3"));
}

TEST_F(MixerTest, AProgramClickStoresShowsAndSendsItOnlyWithAWindowToShowIt) {
    frmGMPag* p1 = page(1);
    t.state.makeCurrent(1);
    row(1, 18) = 30;
    click(p1, 0); // program 1, neither window open
    EXPECT_TRUE(t.port->records.empty());
    EXPECT_EQ(row(1, 18), 30);

    main.mnuPart_Click(1);
    t.port->clear();
    click(p1, 8); // the blank row
    EXPECT_TRUE(t.port->records.empty());
    click(p1, 0);
    EXPECT_EQ(main.PartWindow(1)->Text3->text(), QStringLiteral("001 Acoustic Grand Piano"));
    EXPECT_EQ(row(1, 18), 1);
    // A long message of two bytes, through the header calls.
    EXPECT_EQ(sent(), (Lines{"c0 00"}));
    EXPECT_EQ(t.port->count(Call::Long), 1);

    // Only the volume window open for part 16: its name box shows the name.
    main.mnuVolumeAll_Click();
    ASSERT_EQ(t.state.currentPart(), 16);
    row(16, 17) = 0;
    frmGMPag* p2 = page(2);
    t.port->clear();
    click(p2, 67); // program 128
    EXPECT_EQ(t.port->messageLines(), (Lines{"cf 7f"}));
    EXPECT_EQ(main.VolumeAllWindow()->Text7[16]->text(), QStringLiteral("Gunshot"));
    EXPECT_EQ(row(16, 17), 1);
    EXPECT_EQ(row(16, 18), 128);

    // Lines of an edited names file whose number is no program are not programs.
    for (const char* text : {"abc Not a program", "000 Zero", "200 Too high"}) {
        p2->List1->item(1)->setText(QString::fromLatin1(text).leftJustified(27));
        t.port->clear();
        click(p2, 1);
        EXPECT_TRUE(t.port->records.empty()) << text;
        EXPECT_EQ(row(16, 18), 128);
        EXPECT_EQ(main.VolumeAllWindow()->Text7[16]->text(), QStringLiteral("Gunshot"));
    }
}

TEST_F(MixerTest, SizeLimitsRecordsAndReopeningAtTheNextStart) {
    t.state.WindowRecs[19] = WindowRec{0, 450, 300, 9000, 6000};
    frmVolumeAll* w = openVolume();
    frmGMPag* p = page(1);
    for (ChildWindow* c : {static_cast<ChildWindow*>(w), static_cast<ChildWindow*>(p)}) {
        c->setWidth(12000);
        c->setHeight(3000);
    }
    EXPECT_EQ(t.state.WindowRecs[19], (WindowRec{1, 450, 300, 9372, 5700}));
    EXPECT_EQ(QSize(p->Width(), p->Height()), QSize(9540, 4896)) << "a page keeps its size";

    // Closed by hand: the records are closed, the menu items back.
    closeWindow(w);
    closeWindow(p);
    EXPECT_EQ(t.state.WindowRecs[19].Open + t.state.WindowRecs[20].Open, 0);
    EXPECT_TRUE(main.mnuVolumeAll->isEnabled() && main.mnuGMPag[1]->isEnabled());
    // A page closed while minimized keeps its record as it was.
    p = page(2);
    p->showMinimized();
    closeWindow(p);
    EXPECT_EQ(t.state.WindowRecs[21].Open, 1);
    EXPECT_TRUE(main.mnuGMPag[2]->isEnabled());

    // Quitting with the volume window and part window 3 open keeps both for the next start.
    main.mnuPart_Click(3);
    openVolume();
    main.close();
    EXPECT_EQ(t.state.WindowRecs[19].Open, 1);

    TestState next;
    next.state.WindowRecs = t.state.WindowRecs;
    next.state.PartParams[3][1] = 55;
    frmMain restarted(next.state);
    restarted.show();
    QTRY_VERIFY_WITH_TIMEOUT(restarted.VolumeAllWindow() && restarted.GMPage(2), 1000);
    EXPECT_EQ(restarted.VolumeAllWindow()->Top(), 450);
    EXPECT_FALSE(restarted.GMPage(1));
    // Part 3's window was restored first; restoring, the volume window sends part 3's volume
    // itself, once.
    const Lines out = next.port->messageLines();
    EXPECT_EQ(std::count(out.begin(), out.end(), "b2 07 37"), 2) << "part window, volume window";
}

// How far apart two tones' colours are: the root-mean-square difference, in dB, of the levels of
// harmonics 2..10 of `hz` against the fundamental (Goertzel; levels below -60 dB count as -60).
double TimbreDistance(const std::vector<double>& a, const std::vector<double>& b, double hz) {
    auto levels = [hz](const std::vector<double>& x) {
        std::vector<double> amplitude;
        for (int h = 1; h <= 10; ++h) {
            const double w = 2 * M_PI * h * hz / audio::Rate;
            double re = 0, im = 0;
            for (std::size_t i = 0; i < x.size(); ++i) {
                re += x[i] * std::cos(w * static_cast<double>(i));
                im -= x[i] * std::sin(w * static_cast<double>(i));
            }
            amplitude.push_back(std::hypot(re, im) + 1e-12);
        }
        const double fundamental = amplitude[0];
        for (double& v : amplitude)
            v = std::max(-60.0, 20 * std::log10(v / fundamental));
        return amplitude;
    };
    const auto la = levels(a), lb = levels(b);
    double sum = 0;
    for (std::size_t h = 1; h < la.size(); ++h)
        sum += (la[h] - lb[h]) * (la[h] - lb[h]);
    return std::sqrt(sum / static_cast<double>(la.size() - 1));
}

TEST_F(MixerTest, AChosenProgramChangesTheSoundOfThePartsNextNote) {
    const std::string soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    auto offline = SynthPort::createOffline(soundFont);
    if (offline == nullptr)
        GTEST_SKIP() << soundFont << " is not installed";
    SynthPort& synth = *offline;
    t.state.midi.setPort(std::move(offline));
    t.port = nullptr;
    main.mnuPart_Click(2);
    frmPart* part = main.PartWindow(2);
    frmGMPag* p = page(2);
    auto note60 = [&] {
        QWidget* key = part->keyboard().Key.at(60 - part->keyboard().KeyBase());
        QTest::mousePress(key, Qt::LeftButton, {}, QPoint(4, 4));
        audio::RenderSeconds(synth, 0.15);
        const auto tone = audio::RenderSeconds(synth, 0.4);
        QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(4, 4));
        audio::RenderSeconds(synth, 2.0);
        return tone;
    };
    const auto piano = note60();
    const auto pianoAgain = note60();
    click(p, 17);
    ASSERT_EQ(part->Text3->text(), QStringLiteral("081 Lead 1 (square)"));
    const auto square = note60();
    const double same = TimbreDistance(piano, pianoAgain, audio::NoteHz(60));
    const double changed = TimbreDistance(piano, square, audio::NoteHz(60));
    std::printf("timbre apart: piano/piano %.2f dB, piano/square %.2f dB\n", same, changed);
    EXPECT_LT(same, 3.0);
    EXPECT_GT(changed, 10.0);
}

} // namespace
