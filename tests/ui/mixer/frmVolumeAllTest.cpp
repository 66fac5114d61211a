#include "ui/mixer/frmVolumeAll.h"
#include "support/TestState.h"
#include "ui/main/frmMain.h"
#include "ui/mixer/frmGMPag.h"
#include "ui/part/LevelScrollBar.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

class VolumeAllTest : public ::testing::Test {
  protected:
    VolumeAllTest() : main(t.state) {}
    void SetUp() override {
        main.resize(1400, 1000);
        main.show();
    }
    std::uint8_t& row(int part, int r) { return t.state.PartParams.at(part).at(r); }
    frmVolumeAll* openVolume() {
        main.mnuVolumeAll->trigger();
        EXPECT_TRUE(main.VolumeAll);
        return main.VolumeAll;
    }
    Lines sent() const { return t.port->messageLines(); }

    TestState t;
    frmMain main;
};

TEST_F(VolumeAllTest, FirstOpeningResendsEveryVolumeButTheTopOneAndLeavesTheLastPartCurrent) {
    row(4, 1) = 127; // the slider's own starting value: no change, nothing sent
    frmVolumeAll* w = openVolume();
    Lines expected;
    for (int ch = 0; ch < 16; ++ch)
        if (ch != 3)
            expected.push_back(HexLine({static_cast<std::uint8_t>(0xB0 | ch), 0x07, 0x64}));
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(t.state.CurrentPart, 16);
    EXPECT_EQ(main.Label3->text(), QStringLiteral("16"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Volume All Parts"));
    EXPECT_EQ(w->Text1[4]->text(), QStringLiteral("127"));
    EXPECT_EQ(w->Text1[5]->text(), QStringLiteral("100"));
    EXPECT_EQ(w->Text2[5]->text(), QStringLiteral("0"));
    EXPECT_EQ(w->Text7[5]->text(), QStringLiteral("Acoustic Grand Piano"));
    EXPECT_FALSE(main.mnuVolumeAll->isEnabled());
    EXPECT_EQ(t.state.WindowRecs[19].Open, 1);
}

TEST_F(VolumeAllTest, VolumeMovesFromEitherSideSendOnceAndTheOtherValuesAreMirrored) {
    main.mnuPart_Click(3);
    frmPart* part = main.PartWindows[3];
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
    t.state.RestoringWindows = true;
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

TEST_F(VolumeAllTest, SelectButtonsLightTheCurrentPartAndOpenItsWindow) {
    frmVolumeAll* w = openVolume();
    const QColor normal = w->PartButtonColour;
    auto colour = [w](int i) { return w->PulsPart[i]->palette().color(QPalette::Button); };
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(colour(i), normal) << "no button lit after loading: " << i;

    QTest::mouseClick(w->PulsPart[5], Qt::LeftButton);
    EXPECT_EQ(colour(5), QColor(255, 255, 1));
    EXPECT_EQ(t.state.CurrentPart, 5);
    ASSERT_TRUE(main.PartWindows[5]);
    QTest::mouseClick(w->PulsPart[7], Qt::LeftButton);
    EXPECT_EQ(colour(5), normal);
    EXPECT_EQ(colour(7), QColor(255, 255, 1));

    // The current part's button with its window closed opens it; the colours stay.
    main.PartWindows[7]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    t.state.CurrentPart = 7;
    QTest::mouseClick(w->PulsPart[7], Qt::LeftButton);
    EXPECT_TRUE(main.PartWindows[7]);
    EXPECT_EQ(colour(7), QColor(255, 255, 1));
    EXPECT_EQ(colour(5), normal);
}

TEST_F(VolumeAllTest, ProgramNamesAndPartWindowProgramsBringUpThePageOfTheirProgram) {
    row(2, 18) = 64;
    row(6, 18) = 65;
    frmVolumeAll* w = openVolume();
    QTest::mouseClick(w->Text7[2], Qt::LeftButton);
    EXPECT_TRUE(main.GMPages[1]);
    EXPECT_FALSE(main.GMPages[2]);
    EXPECT_EQ(t.state.CurrentPart, 2);
    EXPECT_EQ(main.Label3->text(), QStringLiteral("2"));
    QTest::mouseClick(w->Text7[6], Qt::LeftButton);
    EXPECT_TRUE(main.GMPages[2]);
    EXPECT_EQ(t.state.GMPageSelector, 21);
    // A page opened this way leaves its menu item as it was.
    EXPECT_TRUE(main.mnuGMPag[1]->isEnabled());
    EXPECT_TRUE(main.mnuGMPag[2]->isEnabled());

    main.GMPages[1]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.mnuPart_Click(2);
    QTest::mouseClick(main.PartWindows[2]->Text3, Qt::LeftButton);
    EXPECT_TRUE(main.GMPages[1]);
}

TEST_F(VolumeAllTest, SizeLimitsRecordAndReopeningAtTheNextStart) {
    t.state.WindowRecs[19] = WindowRec{0, 450, 300, 9000, 6000};
    frmVolumeAll* w = openVolume();
    EXPECT_EQ(w->Top(), 450);
    EXPECT_EQ(w->Left(), 300);
    w->setWidth(11000);
    w->setHeight(4000);
    EXPECT_EQ(w->Width(), 9372);
    EXPECT_EQ(w->Height(), 5700);
    EXPECT_EQ(t.state.WindowRecs[19], (WindowRec{1, 450, 300, 9372, 5700}));

    w->close(); // by hand: the record is closed, the menu item back
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(t.state.WindowRecs[19].Open, 0);
    EXPECT_TRUE(main.mnuVolumeAll->isEnabled());

    // Quitting with the window and part window 3 open keeps both for the next start.
    main.mnuPart_Click(3);
    openVolume();
    main.close();
    EXPECT_EQ(t.state.WindowRecs[19].Open, 1);

    TestState next;
    next.state.WindowRecs = t.state.WindowRecs;
    next.state.PartParams[3][1] = 55;
    frmMain restarted(next.state);
    restarted.show();
    QTRY_VERIFY_WITH_TIMEOUT(restarted.VolumeAll != nullptr, 1000);
    EXPECT_EQ(restarted.VolumeAll->Top(), 450);
    EXPECT_FALSE(restarted.mnuVolumeAll->isEnabled());
    EXPECT_FALSE(next.state.RestoringWindows);
    // Part 3's window was restored first; restoring, the volume window sends part 3's volume
    // itself, once.
    const Lines out = next.port->messageLines();
    EXPECT_EQ(std::count(out.begin(), out.end(), "b2 07 37"), 2) << "part window, volume window";
}

} // namespace
