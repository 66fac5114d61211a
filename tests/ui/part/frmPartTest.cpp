// A part window through its real widgets: what it sends at load and from its sliders, its
// transposition and program display, its window record, where its controls lie and what a key
// click repaints.
#include "PartHost.h"

#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <set>

namespace {

using Lines = std::vector<std::string>;

// The thumb's rectangle of a scroll bar, as its style lays it out.
QRect thumbRect(QScrollBar* bar) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.pageStep = bar->pageStep();
    opt.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider,
                                        bar);
}

TEST(PartWindow, LoadSendsTheStoredControllersAndEachSliderSendsAndStoresItsRow) {
    PartHost h;
    h.open(3, false);
    PartWindowDriver& w = h.part();
    // Volume, pan and bend on channel nibble 2; nothing for the velocities or the zero sliders.
    EXPECT_EQ(h.take(), (Lines{"b2 07 64", "b2 0a 40", "e2 7f 40"}));
    EXPECT_EQ(h.t.state.currentPart(), 3);
    const char* boxes[] = {"100", "0", "80", "64", "0", "0", "0", "0", "0", "0", "0"};
    for (int k = 0; k < frmPart::SliderCount; ++k)
        EXPECT_EQ(w.valueBox(k), QString::fromLatin1(boxes[k])) << "box " << k;
    EXPECT_EQ(w.transposition(), QStringLiteral(" 0"));
    EXPECT_EQ(w.program(), QStringLiteral("001 Acoustic Grand Piano"));

    // Slider, value, box shown, message. Pan and bend boxes show -64..63; the velocity sliders
    // only store their value.
    const struct {
        int k, v;
        const char* box;
        const char* sent;
    } moves[] = {{0, 99, "99", "b2 07 63"}, {1, 127, "63", "b2 0a 7f"}, {1, 0, "-64", "b2 0a 00"},
                 {6, 0, "-64", "e2 7f 00"}, {6, 64, "0", "e2 7f 40"},   {6, 127, "63", "e2 7f 7f"},
                 {2, 127, "127", nullptr},  {3, 1, "1", nullptr},       {4, 14, "14", "b2 49 0e"},
                 {5, 15, "15", "b2 48 0f"}, {7, 17, "17", "b2 01 11"},  {8, 18, "18", "b2 02 12"},
                 {9, 19, "19", "b2 5b 13"}, {10, 20, "20", "b2 5d 14"}};
    for (const auto& m : moves) {
        h.t.state.makeCurrent(9);
        w.setSlider(m.k, m.v);
        EXPECT_EQ(w.valueBox(m.k), QString::fromLatin1(m.box)) << m.k << " at " << m.v;
        EXPECT_EQ(h.row(3, m.k + 1), m.v);
        EXPECT_EQ(h.take(), m.sent ? Lines{m.sent} : Lines{}) << m.k << " at " << m.v;
        EXPECT_EQ(h.t.state.currentPart(), 3);
    }
}

TEST(PartWindow, TheMouseAndTheKeysMoveALevelSliderAndADragSendsEveryValueItPasses) {
    PartHost h;
    for (int r = 1; r <= 11; ++r)
        h.row(2, r) = 0;
    h.open(2);
    LevelScrollBar* bar = h.part().slider(9); // Reverb, controller 91 on channel nibble 1
    // 0 sits at the bottom, 127 at the top. The arrow at the top raises by one, the one at the
    // bottom lowers by one; a click in the track above the thumb raises by ten, below it lowers
    // by ten; the Up key raises.
    bar->setValue(127);
    const int top = thumbRect(bar).top();
    bar->setValue(0);
    EXPECT_LT(top, thumbRect(bar).top());
    h.t.port->clear();
    const int x = bar->width() / 2;
    for (int y : {2, 2, bar->height() - 2, (thumbRect(bar).top() + top) / 2})
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, y));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, thumbRect(bar).bottom() + 2));
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Up);
    EXPECT_EQ(h.take(),
              (Lines{"b1 5b 01", "b1 5b 02", "b1 5b 01", "b1 5b 0b", "b1 5b 01", "b1 5b 02"}));

    // The thumb dragged from the bottom past the top, one pixel at a time: every value passed
    // is sent, rising, up to 127.
    bar->setValue(0);
    h.t.port->clear();
    const QPoint start = thumbRect(bar).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int y = start.y() - 1; y >= -5; --y)
        QTest::mouseMove(bar, QPoint(start.x(), y));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(start.x(), -5));
    const auto values = h.t.port->messages();
    ASSERT_GT(values.size(), 20u) << "the drag passes many values";
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(HexLine({values[i].begin(), values[i].begin() + 2}), "b1 5b") << i;
        EXPECT_GT(values[i][2], i > 0 ? values[i - 1][2] : 0) << i;
    }
    EXPECT_EQ(values.back()[2], 127);
    EXPECT_EQ(h.row(2, 10), 127);
    EXPECT_EQ(h.part().valueBox(9), QStringLiteral("127"));
}

TEST(PartWindow, APartPlaysTransposedOnItsChannelAndKeepsItsTransposition) {
    PartHost h;
    h.row(5, PartRow::Channel) = 10;
    h.row(5, PartRow::Modulation1) = 5;
    h.row(5, PartRow::Transposition) = 24; // +12
    h.open(5, false);
    PartWindowDriver& w = h.part();
    EXPECT_EQ(h.take(), (Lines{"b9 07 64", "b9 0a 40", "e9 7f 40", "b9 01 05"}));
    EXPECT_EQ(w.transposition(), QStringLiteral("+12"));
    w.keys.tapKey(0); // 36 + 12, velocities of rows 3 and 4
    // A new transposition is stored and applies to the next note; it sends nothing and leaves
    // the current part alone.
    h.t.state.makeCurrent(2);
    w.chooseTransposition(17); // "-5"
    EXPECT_EQ(h.row(5, PartRow::Transposition), 7);
    EXPECT_EQ(h.t.state.currentPart(), 2);
    w.keys.tapKey(24);
    w.setSlider(10, 33); // sliders send on the part's channel too
    w.keys.clickAllNotesOff();
    w.close(); // closing stops the part's notes on its own channel too
    EXPECT_EQ(h.take(), (Lines{"99 30 50", "89 30 40", "99 37 50", "89 37 40", "b9 5d 21",
                               "b9 7b 00", "b9 7b 00"}));
    h.open(5);
    EXPECT_EQ(h.part().transposition(), QStringLiteral("-5"));
}

TEST(PartWindow, ProgramDisplayAndItsPageSelector) {
    PartHost h;
    h.row(6, PartRow::ProgramNumber) = 64;
    h.open(6);
    EXPECT_EQ(h.part().program(), QStringLiteral("064 SynthBrass 2"));
    h.t.state.makeCurrent(1);
    h.part().clickProgram();
    EXPECT_EQ(h.t.state.currentPart(), 6);
    EXPECT_EQ(h.t.state.programPage(), 20);
    // No program table flag: both lookups are empty and one blank remains.
    h.row(8, PartRow::ProgramFlag) = 0;
    h.row(8, PartRow::ProgramNumber) = 30;
    h.open(8);
    EXPECT_EQ(h.part().program(), QStringLiteral(" "));
}

TEST(PartWindow, WindowRecordMenuItemSizeLimitsAndKeyboardSettingsComeBackOnReopening) {
    PartHost h;
    WindowRec& rec = h.t.state.WindowRecs.at(3);
    rec = WindowRec{0, 450, 300, 9000, 6000};
    ASSERT_TRUE(h.main.mnuPart[3]->isEnabled());
    auto placement = [](frmPart* w) {
        return WindowRec{0, w->Top(), w->Left(), w->Width(), w->Height()};
    };
    frmPart* w = h.open(3);
    EXPECT_EQ(rec.Open, 1);
    EXPECT_FALSE(h.main.mnuPart[3]->isEnabled());
    // Placed exactly where the record says (multiples of 15 twips are whole pixels).
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, 9000, 6000}));
    // First run: key shift 2, Click Key checked, Hold Note not; key shift 0 and Hold Note
    // chosen, to be stored when the window closes.
    KeyboardDriver& k = h.keys();
    EXPECT_EQ(k.controls(), "click 1, hold 0 enabled, chord disabled");
    k.turnKeyShift(-1);
    k.turnKeyShift(-1);
    k.clickHoldNote();
    // Wider or lower than the limit snaps back, stored as the limit itself; narrower and taller
    // are kept and stored.
    w->setWidth(11000);
    w->setHeight(3000);
    EXPECT_EQ(rec, (WindowRec{1, 450, 300, PartWindowWidth, PartWindowHeight}));
    w->setHeight(7005);
    w->setWidth(6000);
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, 6000, 7005}));
    EXPECT_EQ(rec, (WindowRec{1, 450, 300, 6000, 7005}));
    // Closed by its button: not open any more, its placement stored, its menu item back, its
    // notes stopped.
    w->move(twips::point(1500, 750));
    h.t.port->clear();
    h.part().close();
    EXPECT_FALSE(h.part().isOpen());
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_TRUE(h.main.mnuPart[3]->isEnabled());
    EXPECT_EQ(h.take(), Lines{"b2 7b 00"});

    // Reopened where it was left, in hold mode: checking Hold Note while loading stops the
    // notes first, before the sliders send; opening clears the table shared with the other
    // part windows.
    h.t.state.HeldNotes[70] = 1;
    w = h.open(3, false);
    EXPECT_EQ(placement(w), (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_EQ(h.keys().keyBase(), 12);
    EXPECT_EQ(h.keys().controls(), "click 1, hold 1 enabled, chord enabled");
    EXPECT_EQ(h.take(), (Lines{"b2 7b 00", "b2 07 64", "b2 0a 40", "e2 7f 40"}));
    EXPECT_EQ(h.latched(), std::vector<int>{});
    // Maximized (no limit, nothing stored) and closed so: the normal placement is kept.
    w->showMaximized();
    h.keys().clickClickKey();
    h.close(w);
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    // Hold Note stored without Click Key: loaded and stored as plain hover mode.
    h.row(3, PartRow::HoldNote) = 1;
    h.t.port->clear();
    h.open(3, false);
    EXPECT_EQ(h.keys().controls(), "click 0, hold 0 disabled, chord disabled");
    EXPECT_EQ(h.row(3, PartRow::HoldNote), 0);
    EXPECT_EQ(h.take(), (Lines{"b2 07 64", "b2 0a 40", "e2 7f 40"}));
}

TEST(PartWindow, ControlsLieWhereTheDesignPlacesThem) {
    PartHost h;
    h.open(1);
    struct Place {
        QString name;
        int left, top, width, height; // twips inside the parent; -1: not checked
    };
    std::vector<Place> places = {
        {"Frame1", 70, 2650, -1, -1},
        {"HScroll1", 0, 1680, 9036, 228},
        {"CheckClickKey", 7752, 96, 1068, 324},
        {"CheckHoldNote", 7752, 480, 1245, 300},
        {"CommHoldChord", 7752, 888, 1140, 348},
        {"CommAllNoteOff", 7752, 1320, 1140, 348},
        {"Label1_6", 7755, 1770, 1305, 210},
        {"Text1", 7752, 2016, 1140, 300},
        {"Label3", 3480, 4800, 696, 204},
        {"Label2_11", 786, 800, -1, -1}, // R, C, L
        {"Label2_13", 786, 1350, -1, -1},
        {"Label2_12", 786, 1930, -1, -1},
        {"Label5_12", 1236, 1350, -1, -1}, // pan and bend middle marks
        {"Label5_11", 4616, 1350, -1, -1},
    };
    for (int i = 0; i < 6; ++i)
        places.push_back({QStringLiteral("Label1_%1").arg(i), 40 + 1760 * i, 1450, 276, 252});
    for (int k = 0; k < frmPart::SliderCount; ++k) {
        const int left = 280 + 676 * k;
        const QString n = QString::number(k);
        places.push_back({"VScroll" + n, left, 600, 228, 1704});
        places.push_back({"Label2_" + n, left - 253, 160, -1, -1});
        places.push_back({"Label4_" + n, left + 250, 800, -1, -1});
        places.push_back({"Label5_" + n, left + 250, 1930, -1, -1});
        places.push_back({"Text2_" + n, -1, 350, -1, -1});
        // The value box is centred over its slider.
        EXPECT_LE(std::abs(h.part().control("Text2_" + n)->geometry().center().x() -
                           h.part().slider(k)->geometry().center().x()),
                  1)
            << k;
    }
    // White keys abut; a black key lies at an offset from the white key below it.
    const int blackOffset[12] = {0, 160, 0, 190, 0, 0, 160, 0, 177, 0, 190, 0};
    int whiteLeft = 0;
    for (int k = 0; k < Keyboard::KeyCount; ++k) {
        const QString n = QStringLiteral("Key%1").arg(k);
        if (blackOffset[k % 12] != 0) {
            places.push_back({n, whiteLeft - 252 + blackOffset[k % 12], 0, 156, 972});
        } else {
            places.push_back({n, whiteLeft, 0, 252, 1404});
            whiteLeft += 252;
        }
    }
    // Pixels are 15 twips: an edge may round by half a pixel, a size by a whole one.
    for (const Place& p : places) {
        const QRect g = h.part().control(p.name)->geometry();
        const std::string name = p.name.toStdString();
        if (p.left >= 0) {
            EXPECT_NEAR(g.left() * 15, p.left, 8) << name;
        }
        EXPECT_NEAR(g.top() * 15, p.top, 8) << name;
        if (p.width >= 0) {
            EXPECT_NEAR(g.width() * 15, p.width, 15) << name;
            EXPECT_NEAR(g.height() * 15, p.height, 15) << name;
        }
    }
}

// A click on a key of a window behind activates it; in the active window a press and a release
// repaint the key and the note box, and nothing else (not the frame, not the window).
TEST(PartWindow, AKeyClickActivatesItsWindowAndRepaintsOnlyTheKeyAndTheNoteBox) {
    PartHost h;
    frmPart* w2 = h.open(2);
    KeyboardDriver k = h.keys();
    h.open(9);
    QCoreApplication::processEvents();
    k.tapKey(5);
    EXPECT_EQ(h.main.mdiArea()->activeSubWindow(), w2);
    EXPECT_EQ(h.t.state.currentPart(), 2);

    struct PaintLog : QObject {
        std::set<QObject*> painted;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted.insert(watched);
            return false;
        }
    } log;
    auto settle = [] {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    };
    settle();
    for (QWidget* widget : h.main.findChildren<QWidget*>())
        widget->installEventFilter(&log);
    for (int key : {7, 8}) { // a white key and a black key
        for (bool press : {true, false}) {
            log.painted.clear();
            if (press)
                QTest::mousePress(k.key(key), Qt::LeftButton, {}, QPoint(5, 5));
            else
                QTest::mouseRelease(k.key(key), Qt::LeftButton, {}, QPoint(5, 5));
            settle();
            EXPECT_EQ(log.painted, (std::set<QObject*>{k.key(key), k.control("Text1")}))
                << (press ? "press " : "release ") << key;
        }
    }
    EXPECT_EQ(h.main.mdiArea()->activeSubWindow(), w2);
}

} // namespace
