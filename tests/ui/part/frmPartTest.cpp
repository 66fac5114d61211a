// A part window through its real widgets: what it sends at load, from its sliders and its keys,
// its transposition and program display, its window record and where its controls lie.
#include "PartHost.h"

#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(PartWindow, ItsSlidersAndKeysSendOnThePartsChannelAndItsRowsKeepWhatWasChosen) {
    PartHost h;
    h.row(5, PartRow::Channel) = 10;
    h.row(5, PartRow::Modulation1) = 5;
    h.row(5, PartRow::Transposition) = 24; // +12
    h.row(5, PartRow::ProgramNumber) = 64;
    h.open(5, false);
    PartWindowDriver& w = h.part();
    // Volume, pan, bend and the sliders not at 0, in slider order; nothing for the velocities.
    EXPECT_EQ(h.out(), "b9 07 64 b9 0a 40 e9 7f 40 b9 01 05");
    EXPECT_EQ(w.transposition(), "+12");
    EXPECT_EQ(w.text("Text3"), "064 SynthBrass 2");
    // Slider, value, box shown, message. Pan and bend boxes show -64..63; the velocity sliders
    // only store their value.
    const struct {
        int k, v;
        const char *box, *sent;
    } moves[] = {{0, 99, "99", "b9 07 63"}, {1, 127, "63", "b9 0a 7f"},
                 {1, 0, "-64", "b9 0a 00"}, {6, 0, "-64", "e9 7f 00"},
                 {6, 64, "0", "e9 7f 40"},  {6, 127, "63", "e9 7f 7f"},
                 {2, 127, "127", ""},       {3, 1, "1", ""},
                 {4, 14, "14", "b9 49 0e"}, {5, 15, "15", "b9 48 0f"},
                 {7, 17, "17", "b9 01 11"}, {8, 18, "18", "b9 02 12"},
                 {9, 19, "19", "b9 5b 13"}, {10, 20, "20", "b9 5d 14"}};
    for (const auto& m : moves) {
        h.t.state.makeCurrent(9);
        w.setSlider(m.k, m.v);
        EXPECT_EQ(w.text(QStringLiteral("Text2_%1").arg(m.k)).toStdString() + ", " + h.out() +
                      ", " + std::to_string(h.row(5, m.k + 1)) + " " +
                      std::to_string(h.t.state.currentPart()),
                  std::string(m.box) + ", " + m.sent + ", " + std::to_string(m.v) + " 5")
            << "slider " << m.k;
    }
    // Keys play transposed with the velocities just chosen. A new transposition is stored for
    // the next note, sends nothing and leaves the current part alone; closing stops the notes.
    w.keys.act("click 0");
    h.t.state.makeCurrent(2);
    w.chooseTransposition(17); // "-5"
    EXPECT_EQ(h.row(5, PartRow::Transposition), 7);
    EXPECT_EQ(h.t.state.currentPart(), 2);
    w.keys.act("click 24; CommAllNoteOff");
    w.close();
    EXPECT_EQ(h.out(), "99 30 7f 89 30 01 99 37 7f 89 37 01 b9 7b 00 b9 7b 00");
    h.open(5);
    EXPECT_EQ(h.part().transposition(), "-5");
}

TEST(PartWindow, TheMouseAndTheKeysMoveALevelSliderAndADragSendsEveryValueItPasses) {
    PartHost h;
    h.row(2, PartRow::Reverb) = 0;
    h.open(2);
    LevelScrollBar* bar = h.part().slider(9); // Reverb, controller 91 on channel nibble 1
    // 0 at the bottom, 127 at the top. The top arrow raises by one, the bottom one lowers by
    // one; the track above the thumb raises by ten, below it lowers by ten; the Up key raises.
    const int x = bar->width() / 2, middle = bar->height() / 2;
    for (int y : {2, 2, bar->height() - 2, middle})
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, y));
    bar->setValue(127);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, middle));
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Up);
    EXPECT_EQ(h.out(), "b1 5b 01 b1 5b 02 b1 5b 01 b1 5b 0b b1 5b 7f b1 5b 75 b1 5b 76");
    // The thumb dragged from the bottom past the top, a pixel at a time: every value passed is
    // sent, rising, up to 127.
    bar->setValue(0);
    h.take();
    QStyleOptionSlider opt; // the thumb, at the bottom
    opt.initFrom(bar);
    opt.orientation = Qt::Vertical;
    opt.maximum = 127;
    opt.pageStep = bar->pageStep();
    opt.upsideDown = true;
    const QPoint start =
        bar->style()
            ->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar)
            .center();
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int y = start.y() - 1; y >= -5; --y)
        QTest::mouseMove(bar, QPoint(start.x(), y));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(start.x(), -5));
    std::vector<int> levels; // the values sent, or -1 for another message
    for (const auto& m : h.t.port->messages())
        levels.push_back(m[0] == 0xb1 && m[1] == 0x5b ? m[2] : -1);
    ASSERT_GT(levels.size(), 20u);
    EXPECT_EQ(std::ranges::adjacent_find(levels, std::greater_equal<>()), levels.end());
    EXPECT_GT(levels.front(), 0);
    EXPECT_EQ(levels.back() * 1000 + h.row(2, PartRow::Reverb), 127127);
}

TEST(PartWindow, ItsRecordMenuItemSizeLimitsAndKeyboardModesComeBackOnReopening) {
    PartHost h;
    WindowRec& rec = h.t.state.WindowRecs.at(3);
    rec = WindowRec{0, 450, 300, 9000, 6000};
    auto placement = [](frmPart* w) {
        return WindowRec{0, w->Top(), w->Left(), w->Width(), w->Height()};
    };
    frmPart* w = h.open(3);
    EXPECT_FALSE(h.main.mnuPart[3]->isEnabled());
    // Placed exactly where the record says (multiples of 15 twips are whole pixels).
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, 9000, 6000}));
    // First run: key shift 2, Click Key checked, Hold Note not; key shift 0 and Hold Note
    // chosen, to be stored when the window closes.
    EXPECT_EQ(h.keys().controls(), "click 1, hold 0 enabled, chord disabled");
    h.keys().act("wheel -1; wheel -1; CheckHoldNote");
    // Wider or lower than the limit snaps back, stored as the limit; narrower and taller are
    // kept and stored.
    w->setWidth(11000);
    w->setHeight(3000);
    EXPECT_EQ(rec, (WindowRec{1, 450, 300, PartWindowWidth, PartWindowHeight}));
    w->setHeight(7005);
    w->setWidth(6000);
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, 6000, 7005}));
    // Closed by its button: its placement stored, not open, its menu item back, notes stopped.
    w->move(twips::point(1500, 750));
    h.take();
    h.part().close();
    EXPECT_TRUE(h.w.isNull());
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_TRUE(h.main.mnuPart[3]->isEnabled());
    EXPECT_EQ(h.out(), "b2 7b 00");
    // Reopened where it was left, in hold mode: checking Hold Note while loading stops the
    // notes first, before the sliders send; opening clears the latches of every part.
    h.t.state.HeldNotes[70] = 1;
    w = h.open(3, false);
    EXPECT_EQ(placement(w), (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_EQ(h.keys().keyBase(), 12);
    EXPECT_EQ(h.keys().controls(), "click 1, hold 1 enabled, chord enabled");
    EXPECT_EQ(h.out(), "b2 7b 00 b2 07 64 b2 0a 40 e2 7f 40");
    EXPECT_EQ(h.latched(), std::vector<int>{});
    // Maximized (no limit, nothing stored) and closed so: the normal placement is kept.
    w->showMaximized();
    h.keys().act("CheckClickKey");
    h.close(w);
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    // Hold Note stored without Click Key: loaded and stored as plain hover mode.
    h.row(3, PartRow::HoldNote) = 1;
    h.open(3);
    EXPECT_EQ(h.keys().controls(), "click 0, hold 0 disabled, chord disabled");
    EXPECT_EQ(h.row(3, PartRow::HoldNote), 0);
}

TEST(PartWindow, ControlsLieWhereTheDesignPlacesThemAndAKeyClickActivatesItsWindow) {
    PartHost h;
    frmPart* w1 = h.open(1);
    KeyboardDriver k = h.keys();
    // Name, left, top, width and height in twips inside the parent.
    std::vector<std::string> places = {
        "Frame1 70 2650 9080 1920",        "HScroll1 0 1680 9036 228",
        "CheckClickKey 7752 96 1068 324",  "CheckHoldNote 7752 480 1245 300",
        "CommHoldChord 7752 888 1140 348", "CommAllNoteOff 7752 1320 1140 348",
        "Text1 7752 2016 1140 300",        "Label1_0 40 1450 276 252",
        "Label1_5 8840 1450 276 252",      "VScroll0 280 600 228 1704",
        "VScroll10 7040 600 228 1704",     "Text2_10 6884 350 540 240"};
    // White keys abut; a black key lies at an offset from the white key below it.
    const int blackOffset[12] = {0, 160, 0, 190, 0, 0, 160, 0, 177, 0, 190, 0};
    for (int key = 0, white = 0; key < Keyboard::KeyCount; ++key) {
        const int offset = blackOffset[key % 12];
        white += offset ? 0 : 252;
        places.push_back("Key" + std::to_string(key) + " " + std::to_string(white - 252 + offset) +
                         (offset ? " 0 156 972" : " 0 252 1404"));
    }
    // Pixels are 15 twips: an edge may round by half a pixel, a size by a whole one.
    for (const std::string& place : places) {
        char name[16];
        int l, t, w, ht;
        std::sscanf(place.c_str(), "%15s %d %d %d %d", name, &l, &t, &w, &ht);
        const QRect g = k.control(name)->geometry();
        EXPECT_TRUE(std::abs(g.left() * 15 - l) <= 8 && std::abs(g.top() * 15 - t) <= 8 &&
                    std::abs(g.width() * 15 - w) <= 15 && std::abs(g.height() * 15 - ht) <= 15)
            << place << " is at " << g.left() * 15 << " " << g.top() * 15 << " " << g.width() * 15
            << " " << g.height() * 15;
    }

    // A click on a key of a window behind activates it and makes its part current.
    h.open(9);
    k.tapKey(5);
    EXPECT_EQ(h.main.mdiArea()->activeSubWindow(), w1);
    EXPECT_EQ(h.t.state.currentPart(), 1);
}

} // namespace
