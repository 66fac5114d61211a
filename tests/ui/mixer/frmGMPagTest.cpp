#include "ui/mixer/frmGMPag.h"
#include "midi/ports/SynthPort.h"
#include "support/Audio.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/mixer/frmVolumeAll.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;
using Call = RecordingPort::Call;

class GMPageTest : public ::testing::Test {
  protected:
    GMPageTest() : main(t.state) {}
    void SetUp() override {
        main.resize(1400, 1000);
        main.show();
    }
    frmGMPag* page(int n) {
        main.mnuGMPag[n]->trigger();
        EXPECT_TRUE(main.GMPages[n]);
        return main.GMPages[n];
    }
    // Clicks row `r` of the page's list as a user would.
    static void click(frmGMPag* p, int r) {
        QListWidget* list = p->List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(r)).center());
    }
    const QString& record(int i) const { return t.state.GMProgramNames.record(i); }
    std::uint8_t& row(int part, int r) { return t.state.PartParams.at(part).at(r); }

    TestState t;
    frmMain main;
};

TEST_F(GMPageTest, PagesListTheirFamiliesInFourColumnsUnderTheirTitles) {
    for (int n = 1; n <= 2; ++n) {
        frmGMPag* p = page(n);
        EXPECT_FALSE(main.mnuGMPag[n]->isEnabled());
        EXPECT_EQ(p->windowTitle(), QStringLiteral("GM Page %1").arg(n));
        const int r0 = n == 1 ? 1 : 73;
        QListWidget* list = p->List1;
        ASSERT_EQ(list->count(), 68);
        for (int m = 0; m < 4; ++m) {
            const int upper = r0 + 18 * m; // the upper family's title record
            EXPECT_EQ(p->Label1[2 * m + 1]->text(), record(upper).trimmed());
            EXPECT_EQ(p->Label1[2 * m + 2]->text(), record(upper + 9).trimmed());
            EXPECT_LT(p->Label1[2 * m + 1]->geometry().bottom(), list->y());
            EXPECT_GT(p->Label1[2 * m + 2]->y(), list->geometry().bottom());
            for (int k = 0; k < 17; ++k) {
                const int rowIndex = 17 * m + k;
                const QString expected = k == 8  ? QString(10, QLatin1Char(' '))
                                         : k < 8 ? record(upper + 1 + k)
                                                 : record(upper + 10 + k - 9);
                EXPECT_EQ(list->item(rowIndex)->text(), expected)
                    << "page " << n << " row " << rowIndex;
                // The rows of a column stand one above the other, the columns side by side.
                const QRect rect = list->visualItemRect(list->item(rowIndex));
                const QRect top = list->visualItemRect(list->item(17 * m));
                EXPECT_EQ(rect.x(), top.x());
                EXPECT_EQ(rect.y(), top.y() + k * rect.height());
                EXPECT_LE(rect.bottom(), list->viewport()->height());
            }
        }
        EXPECT_EQ(p->Label1[1]->text(), n == 1 ? QStringLiteral("Piano") : QStringLiteral("Reed"));
        EXPECT_EQ(list->item(0)->text().trimmed(), n == 1
                                                       ? QStringLiteral("001 Acoustic Grand Piano")
                                                       : QStringLiteral("065 Soprano Sax"));
    }
    // The caption follows the current part when a page becomes active.
    t.state.CurrentPart = 3;
    main.mdiArea()->setActiveSubWindow(main.GMPages[1]);
    EXPECT_EQ(main.GMPages[1]->windowTitle(), QStringLiteral("GM Page 1 - Part  3"));
}

TEST_F(GMPageTest, AProgramClickStoresShowsAndSendsItOnlyWithAWindowToShowIt) {
    frmGMPag* p1 = page(1);
    t.state.CurrentPart = 1;
    row(1, 18) = 30;
    click(p1, 0); // program 1, neither window open
    EXPECT_TRUE(t.port->records.empty());
    EXPECT_EQ(row(1, 18), 30);

    main.mnuPart_Click(1);
    t.port->clear();
    click(p1, 8); // the blank row
    EXPECT_TRUE(t.port->records.empty());
    click(p1, 0);
    EXPECT_EQ(main.PartWindows[1]->Text3->text(), QStringLiteral("001 Acoustic Grand Piano"));
    EXPECT_EQ(row(1, 18), 1);
    // A long message of two bytes, through the three header calls.
    ASSERT_EQ(t.port->records.size(), 3u);
    EXPECT_EQ(t.port->records[0].call, Call::Prepare);
    EXPECT_EQ(t.port->records[1].call, Call::Long);
    EXPECT_EQ(t.port->records[1].bytes, (std::vector<std::uint8_t>{0xC0, 0x00}));
    EXPECT_EQ(t.port->records[1].bufferLength, 2u);
    EXPECT_EQ(t.port->records[2].call, Call::Unprepare);

    // Only the volume window open for part 16: its name box shows the name.
    main.mnuVolumeAll_Click();
    ASSERT_EQ(t.state.CurrentPart, 16);
    row(16, 17) = 0;
    frmGMPag* p2 = page(2);
    t.port->clear();
    click(p2, 67); // program 128
    EXPECT_EQ(t.port->messageLines(), (Lines{"cf 7f"}));
    EXPECT_EQ(main.VolumeAll->Text7[16]->text(), QStringLiteral("Gunshot"));
    EXPECT_EQ(row(16, 17), 1);
    EXPECT_EQ(row(16, 18), 128);

    // Lines of an edited names file whose number is no program are not programs.
    const QString broken[] = {QStringLiteral("abc Not a program"), QStringLiteral("000 Zero"),
                              QStringLiteral("200 Too high")};
    for (const QString& text : broken) {
        p2->List1->item(1)->setText(text.leftJustified(27));
        t.port->clear();
        click(p2, 1);
        EXPECT_TRUE(t.port->records.empty()) << text.toStdString();
        EXPECT_EQ(row(16, 18), 128);
        EXPECT_EQ(main.VolumeAll->Text7[16]->text(), QStringLiteral("Gunshot"));
    }
}

TEST_F(GMPageTest, SizeLimitsAndAPageClosedMinimizedComesBackAtTheNextStart) {
    frmGMPag* p = page(1);
    EXPECT_EQ(p->Height(), 4896);
    EXPECT_EQ(p->Width(), 9540);
    p->setWidth(12000);
    p->setHeight(3000);
    EXPECT_EQ(p->Width(), 9540);
    EXPECT_EQ(p->Height(), 4896);
    p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(t.state.WindowRecs[20].Open, 0);
    EXPECT_TRUE(main.mnuGMPag[1]->isEnabled());

    p = page(2);
    p->showMinimized();
    p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(t.state.WindowRecs[21].Open, 1);
    EXPECT_TRUE(main.mnuGMPag[2]->isEnabled());

    TestState next;
    next.state.WindowRecs = t.state.WindowRecs;
    frmMain restarted(next.state);
    restarted.show();
    QTRY_VERIFY_WITH_TIMEOUT(restarted.GMPages[2] != nullptr, 1000);
    EXPECT_FALSE(restarted.GMPages[1]);
    EXPECT_FALSE(restarted.mnuGMPag[2]->isEnabled());
}

// The levels of harmonics 2..12 of `hz` against the fundamental, in dB (Goertzel): the colour
// of a tone, whatever its loudness.
std::vector<double> HarmonicLevels(const std::vector<double>& x, double hz) {
    std::vector<double> amplitude;
    for (int h = 1; h <= 12; ++h) {
        const double w = 2 * M_PI * h * hz / audio::Rate;
        double re = 0, im = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            re += x[i] * std::cos(w * static_cast<double>(i));
            im -= x[i] * std::sin(w * static_cast<double>(i));
        }
        amplitude.push_back(std::hypot(re, im) + 1e-9);
    }
    // Below -60 dB a harmonic is as good as absent: its level is noise.
    std::vector<double> levels;
    for (int h = 1; h < 12; ++h)
        levels.push_back(std::max(-60.0, 20 * std::log10(amplitude[h] / amplitude[0])));
    return levels;
}

// The root-mean-square difference of two sets of levels, dB.
double LevelDistance(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum / static_cast<double>(a.size()));
}

TEST(GMPageSound, AChosenProgramChangesTheSoundOfThePartsNextNote) {
    const std::string soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    auto offline = SynthPort::createOffline(soundFont);
    if (offline == nullptr)
        GTEST_SKIP() << soundFont << " is not installed";
    SynthPort& synth = *offline;
    TestState t;
    t.state.midi.setPort(std::move(offline));
    t.port = nullptr;
    frmMain main(t.state);
    main.show();
    main.mnuPart_Click(2);
    frmPart* part = main.PartWindows[2];
    main.mnuGMPag_Click(2);
    frmGMPag* p = main.GMPages[2];
    ASSERT_EQ(t.state.CurrentPart, 2);

    auto note60 = [&] {
        Keyboard& kb = part->keyboard();
        QWidget* key = kb.Key.at(60 - kb.KeyBase());
        QTest::mousePress(key, Qt::LeftButton, {}, QPoint(4, 4));
        audio::RenderSeconds(synth, 0.15);
        const auto profile = HarmonicLevels(audio::RenderSeconds(synth, 0.4), audio::NoteHz(60));
        QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(4, 4));
        audio::RenderSeconds(synth, 2.0);
        return profile;
    };
    const auto piano = note60();
    const auto pianoAgain = note60();
    QListWidget* list = p->List1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(17)).center()); // 081 Lead 1 (square)
    ASSERT_EQ(part->Text3->text(), QStringLiteral("081 Lead 1 (square)"));
    const auto square = note60();
    const double same = LevelDistance(piano, pianoAgain);
    const double changed = LevelDistance(piano, square);
    std::printf("harmonic levels apart: piano/piano %.2f dB, piano/square %.2f dB\n", same,
                changed);
    EXPECT_LT(same, 3.0);
    EXPECT_GT(changed, 10.0) << "piano against square";
}

} // namespace
