// The all-parts volume window and the two program pages, driven through their controls with
// the main window wiring them to the part windows.
#include "support/drivers/ProgramPageDriver.h"
#include "support/drivers/VolumeWindowDriver.h"
#include "ui/part/PartHost.h"

#include <gtest/gtest.h>

namespace {

using V = VolumeWindowDriver;

class MixerTest : public ::testing::Test {
  protected:
    const QString& record(int i) const { return h.t.state.GMProgramNames.record(i); }
    // The volume (0), pan (1), reverb (9) and chorus (10) sliders of an open part window.
    static QScrollBar* partSlider(frmPart* part, int k) {
        return part->findChild<QScrollBar*>(QStringLiteral("VScroll%1").arg(k));
    }

    PartHost h;
    VolumeWindowDriver volume{h.main};
    ProgramPageDriver page1{h.main, 1}, page2{h.main, 2};
};

TEST_F(MixerTest, TheVolumeWindowResendsVolumesMakesAPartCurrentAndOpensItsWindowAndPage) {
    h.row(4, PartRow::Volume) = 127; // the slider's own starting value: no change, nothing sent
    h.row(2, PartRow::ProgramNumber) = 64;
    h.row(6, PartRow::ProgramNumber) = 65;
    ASSERT_TRUE(volume.open());
    QByteArray expected;
    for (int ch = 0; ch < 16; ++ch)
        if (ch != 3)
            expected += " b" + QByteArray::number(ch, 16) + " 07 64";
    EXPECT_EQ(h.out(), expected.mid(1).toStdString());

    // A part's button makes it current; the current part's button with its window closed opens
    // it again.
    volume.click("PulsPart", 7);
    h.close(h.main.PartWindow(7));
    volume.click("PulsPart", 7);
    EXPECT_TRUE(h.t.state.currentPart() == 7 && h.main.PartWindow(7));

    // A program name brings up the page of its program, leaving the page's menu item as it was.
    volume.click("Text7_", 2);
    EXPECT_TRUE(page1.window() && !page2.window() && h.t.state.currentPart() == 2);
    volume.click("Text7_", 6);
    EXPECT_TRUE(page2.window() && page1.menuItem()->isEnabled() && page2.menuItem()->isEnabled());
}

TEST_F(MixerTest, VolumeMovesFromEitherSideSendOnceAndTheOtherValuesAreMirrored) {
    frmPart* part = h.open(3);
    ASSERT_TRUE(volume.open());
    h.take();
    volume.slider(3)->setValue(90);    // handed to the part window, which sends it
    partSlider(part, 0)->setValue(70); // mirrored in: the volume window sends nothing more
    volume.slider(9)->setValue(50);    // no window for part 9: sent directly
    EXPECT_EQ(h.out(), "b2 07 5a b2 07 46 b8 07 32");

    partSlider(part, 1)->setValue(40);
    partSlider(part, 9)->setValue(33);
    partSlider(part, 10)->setValue(21);
    part->Combo1->setCurrentIndex(17); // "-5"
    EXPECT_EQ(h.out(), "b2 0a 28 b2 5b 21 b2 5d 15");
    QStringList shown;
    for (V::Box box : {V::Volume, V::Pan, V::Reverb, V::Chorus, V::Shift, V::Channel})
        shown << volume.shown(box, 3);
    EXPECT_EQ(shown.join(' '), "70 -24 33 21 -5 3");
}

TEST_F(MixerTest, PagesListTheirFamiliesInColumnsAndAClickSendsTheProgramOnlyWithAWindowToShowIt) {
    for (ProgramPageDriver* p : {&page1, &page2}) {
        ASSERT_TRUE(p->open());
        ASSERT_EQ(p->list()->count(), 68);
        for (int m = 0; m < 4; ++m) {
            const int upper = (p == &page1 ? 1 : 73) + 18 * m; // the upper family's title
            EXPECT_EQ(p->title(2 * m + 1) + p->title(2 * m + 2),
                      record(upper).trimmed() + record(upper + 9).trimmed());
            // Between the two families a blank row stands for the lower one's title.
            for (int k = 0; k < 17; ++k)
                EXPECT_EQ(p->row(17 * m + k), k == 8 ? QString(10, u' ') : record(upper + 1 + k));
        }
    }
    h.t.state.makeCurrent(1); // a click serves the current part
    h.row(1, PartRow::ProgramNumber) = 30;
    page1.click(0); // program 1, neither window open
    EXPECT_EQ(h.out(), "");
    EXPECT_EQ(h.row(1, PartRow::ProgramNumber), 30);
    h.open(1);
    page1.click(8); // the blank row
    page1.click(0);
    EXPECT_EQ(h.row(1, PartRow::ProgramNumber), 1);
    // A long message of two bytes, through the header calls.
    EXPECT_EQ(h.t.port->count(RecordingPort::Call::Long), 1);
    EXPECT_EQ(h.out(), "c0 00");

    // Only the volume window open for part 16: its name box shows the name.
    ASSERT_TRUE(volume.open());
    h.row(16, PartRow::ProgramFlag) = 0;
    h.take();
    page2.click(67); // program 128
    EXPECT_EQ(h.out(), "cf 7f");
    EXPECT_EQ(volume.shown(V::Program, 16), "Gunshot");
    EXPECT_EQ(h.row(16, PartRow::ProgramFlag), 1);
    EXPECT_EQ(h.row(16, PartRow::ProgramNumber), 128);
}

TEST_F(MixerTest, SizeLimitsRecordsAndReopeningAtTheNextStart) {
    auto& recs = h.t.state.WindowRecs;
    recs[19] = WindowRec{0, 450, 300, 9000, 6000};
    ASSERT_TRUE(volume.open() && page1.open());
    for (ChildWindow* c : std::initializer_list<ChildWindow*>{volume.window(), page1.window()}) {
        c->setWidth(12000);
        c->setHeight(3000);
    }
    EXPECT_EQ(recs[19], (WindowRec{1, 450, 300, 9372, 5700}));
    EXPECT_EQ(QSize(page1.window()->Width(), page1.window()->Height()), QSize(9540, 4896));
    // Closed by hand: the records are closed; a page closed while minimized keeps its record as
    // it was.
    ASSERT_TRUE(volume.close() && page1.close() && page2.open());
    page2.window()->showMinimized();
    page2.close();
    EXPECT_EQ(recs[19].Open + recs[20].Open * 10 + recs[21].Open * 100, 100);

    // Quitting with the volume window and part window 3 open keeps both for the next start.
    h.open(3);
    ASSERT_TRUE(volume.open());
    h.main.close();
    TestState next;
    next.state.WindowRecs = recs;
    next.state.PartParams[3][PartRow::Volume] = 55;
    frmMain restarted(next.state);
    restarted.show();
    QTRY_VERIFY_WITH_TIMEOUT(restarted.VolumeAllWindow() && restarted.GMPage(2), 1000);
    EXPECT_TRUE(restarted.VolumeAllWindow()->Top() == 450 && !restarted.GMPage(1));
    // Part 3's window was restored first; restoring, the volume window sends part 3's volume
    // itself, once.
    const auto out = next.port->messageLines();
    EXPECT_EQ(std::count(out.begin(), out.end(), "b2 07 37"), 2);
}

} // namespace
