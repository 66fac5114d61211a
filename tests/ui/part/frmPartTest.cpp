// A part window through its real widgets: what it sends at load, from its sliders and its keys,
// its transposition and program display, its window record and where its controls lie.
#include "PartHost.h"

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
    EXPECT_EQ(w.transposition()->currentText() + ", " + w.text("Text3"), "+12, 064 SynthBrass 2");
    // Slider, value, box shown, message, then the row and the current part. Pan and bend boxes
    // show -64..63; the velocity sliders only store their value.
    const std::tuple<int, int, const char*, const char*> moves[] = {
        {0, 99, "99", "b9 07 63"},  {1, 0, "-64", "b9 0a 00"}, {6, 0, "-64", "e9 7f 00"},
        {6, 127, "63", "e9 7f 7f"}, {2, 127, "127", ""},       {3, 1, "1", ""},
        {4, 14, "14", "b9 49 0e"},  {5, 15, "15", "b9 48 0f"}, {7, 17, "17", "b9 01 11"},
        {8, 18, "18", "b9 02 12"},  {9, 19, "19", "b9 5b 13"}, {10, 20, "20", "b9 5d 14"}};
    for (auto [k, v, box, sent] : moves) {
        h.t.state.makeCurrent(9);
        w.setSlider(k, v);
        EXPECT_EQ(w.text(QStringLiteral("Text2_%1").arg(k)).toStdString() + ", " + h.out() + ", " +
                      std::to_string(h.row(5, k + 1) * 100 + h.t.state.currentPart()),
                  std::string(box) + ", " + sent + ", " + std::to_string(v * 100 + 5));
    }
    // Reverb (19) by the mouse and the keys: the top arrow raises by one, the bottom one lowers
    // by one, the track above the thumb raises by ten, the Up key by one; then its thumb, from
    // the middle, dragged past the top.
    LevelScrollBar* bar = w.slider(9);
    const int x = bar->width() / 2, middle = bar->height() / 2;
    for (int y : {2, bar->height() - 2, middle})
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, y));
    QTest::keyClick(bar, Qt::Key_Up);
    bar->setValue(64);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x, middle));
    QTest::mouseMove(bar, QPoint(x, -5)); // sent while the button is still down
    EXPECT_EQ(h.out() + ", " + std::to_string(h.row(5, PartRow::Reverb)),
              "b9 5b 14 b9 5b 13 b9 5b 1d b9 5b 1e b9 5b 40 b9 5b 7f, 127");
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, -5));
    // Keys play transposed with the velocities just chosen. A new transposition is stored for
    // the next note, sends nothing and leaves the current part alone; closing stops the notes.
    w.keys.act("click 0");
    h.t.state.makeCurrent(2);
    w.transposition()->setCurrentIndex(17); // "-5"
    EXPECT_EQ(h.row(5, PartRow::Transposition) * 100 + h.t.state.currentPart(), 702);
    w.keys.act("click 24; CommAllNoteOff");
    w.close();
    EXPECT_EQ(h.out(), "99 30 7f 89 30 01 99 37 7f 89 37 01 b9 7b 00 b9 7b 00");
}

// Its record, menu item, size limits and keyboard modes come back on reopening; its controls lie
// where the design places them.
TEST(PartWindow, ItsRecordModesAndControlsComeBackAsLeftAndAKeyClickActivatesIt) {
    PartHost h;
    WindowRec& rec = h.t.state.WindowRecs.at(3);
    rec = WindowRec{0, 450, 300, 9000, 6000};
    auto placement = [&h] {
        return WindowRec{0, h.w->Top(), h.w->Left(), h.w->Width(), h.w->Height()};
    };
    frmPart* w = h.open(3);
    // Placed exactly where the record says (multiples of 15 twips are whole pixels).
    EXPECT_EQ(placement(), (WindowRec{0, 450, 300, 9000, 6000}));
    // First run: key shift 2, Click Key checked, Hold Note not; key shift 0 and Hold Note
    // chosen, to be stored when the window closes.
    EXPECT_EQ(h.keys().controls(), "click 1 hold 0 [chord]");
    h.keys().act("wheel -1; wheel -1; CheckHoldNote");
    // Wider or lower than the limit snaps back, stored as the limit; narrower and taller are
    // kept and stored.
    w->setWidth(11000);
    w->setHeight(3000);
    EXPECT_EQ(rec, (WindowRec{1, 450, 300, PartWindowWidth, PartWindowHeight}));
    w->setHeight(7005);
    w->setWidth(6000);
    // Closed by its button: its placement stored, not open, its menu item back, notes stopped.
    w->move(twips::point(1500, 750));
    h.take();
    h.part().close();
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_EQ(h.out(), "b2 7b 00");
    // Reopened where it was left, in hold mode: checking Hold Note while loading stops the
    // notes first, before the sliders send; opening clears the latches of every part.
    h.t.state.HeldNotes[70] = 1;
    w = h.open(3, false);
    EXPECT_EQ(placement(), (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_EQ(h.keys().controls() + " " + std::to_string(h.keys().keyBase()),
              "click 1 hold 1 chord 12");
    EXPECT_EQ(h.out(), "b2 7b 00 b2 07 64 b2 0a 40 e2 7f 40");
    EXPECT_TRUE(h.latched().empty());
    // Maximized (no limit, nothing stored) and closed so: the normal placement is kept. Hold
    // Note stored without Click Key: loaded and stored as plain hover mode.
    w->showMaximized();
    h.keys().act("CheckClickKey");
    h.close(w);
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    h.row(3, PartRow::HoldNote) = 1;
    w = h.open(3);
    KeyboardDriver k = h.keys();
    EXPECT_EQ(k.controls() + " " + std::to_string(h.row(3, PartRow::HoldNote)),
              "click 0 [hold 0] [chord] 0");
    // Left, top, width and height in twips inside the parent; pixels are 15 twips: an edge may
    // round by half a pixel, a size by a whole one.
    auto expectAt = [&k](const QString& name, int l, int t, int w, int ht, QRect g = {}) {
        g = g.isNull() ? k.control(name)->geometry() : g;
        EXPECT_TRUE(std::abs(g.left() * 15 - l) <= 8 && std::abs(g.top() * 15 - t) <= 8 &&
                    std::abs(g.width() * 15 - w) <= 15 && std::abs(g.height() * 15 - ht) <= 15)
            << name.toStdString() << " is at " << g.left() * 15 << " " << g.top() * 15;
    };
    expectAt("Frame1", 70, 2650, 9080, 1920);
    // White keys abut; a black key lies at an offset from the white key below it.
    const int blackOffset[12] = {0, 160, 0, 190, 0, 0, 160, 0, 177, 0, 190, 0};
    for (int key = 0, white = 0; key < Keyboard::KeyCount; ++key) {
        const int offset = blackOffset[key % 12];
        white += offset ? 0 : 252;
        expectAt(QStringLiteral("key %1").arg(key), white - 252 + offset, 0, offset ? 156 : 252,
                 offset ? 972 : 1404, k.keys()->keyRect(key).translated(k.keys()->pos()));
    }
    // A click on a key of a window behind activates it and makes its part current.
    h.open(9);
    k.tapKey(5);
    EXPECT_EQ(h.main.mdiArea()->activeSubWindow(), w);
    EXPECT_EQ(h.t.state.currentPart(), 3);
}

} // namespace
