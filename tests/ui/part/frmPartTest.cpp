#include "PartHost.h"
#include "ui/part/LevelScrollBar.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionSlider>
#include <cstdlib>
#include <gtest/gtest.h>

#include <set>

namespace {

using Lines = std::vector<std::string>;

struct PartWindowTest : ::testing::Test, PartHost {
    AppState& state() { return t.state; }
    frmPart* open(int n) { return PartHost::open(n, false); }
    void closeWindow(frmPart* which) { close(which); }
    // Presses and releases key k of a part window's keyboard.
    static void play(frmPart* which, int k) {
        QTest::mousePress(which->keyboard().Key[k], Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(which->keyboard().Key[k], Qt::LeftButton, {}, QPoint(5, 5));
    }
};

// The thumb's rectangle of a scroll bar, as its style lays it out.
QRect thumbRect(QScrollBar* bar) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider,
                                        bar);
}

TEST_F(PartWindowTest, FirstRunPartSendsItsStoredControllersInSliderOrder) {
    frmPart* w = open(3);
    // Volume, pan and bend on channel nibble 2; nothing for the velocities or the zero sliders.
    EXPECT_EQ(sent(), (Lines{"b2 07 64", "b2 0a 40", "e2 7f 40"}));
    EXPECT_EQ(state().currentPart(), 3);
    const char* boxes[] = {"100", "0", "80", "64", "0", "0", "0", "0", "0", "0", "0"};
    for (int k = 0; k < frmPart::SliderCount; ++k)
        EXPECT_EQ(w->Text2[k]->text(), QString::fromLatin1(boxes[k])) << "box " << k;
    EXPECT_EQ(w->Combo1->currentText(), QStringLiteral(" 0"));
    EXPECT_EQ(w->Text3->text(), QStringLiteral("001 Acoustic Grand Piano"));
}

TEST_F(PartWindowTest, EachSliderSendsItsMessageAndStoresItsRow) {
    frmPart* w = open(1);
    w->VScroll[0]->setValue(0);
    t.port->clear();
    state().makeCurrent(9);
    w->VScroll[0]->setValue(99);
    EXPECT_EQ(w->Text2[0]->text(), QStringLiteral("99"));
    EXPECT_EQ(row(1, 1), 99);
    EXPECT_EQ(state().currentPart(), 1);

    // Pan and bend boxes show -64..63; the velocity sliders only store their value.
    const int moves[][3] = {{1, 127, 63}, {1, 0, -64},   {6, 0, -64}, {6, 64, 0},
                            {6, 127, 63}, {2, 127, 127}, {3, 1, 1}};
    for (const auto& m : moves) {
        w->VScroll[m[0]]->setValue(m[1]);
        EXPECT_EQ(w->Text2[m[0]]->text(), QString::number(m[2])) << m[0] << " at " << m[1];
        EXPECT_EQ(row(1, m[0] + 1), m[1]);
    }
    // The controllers of the other sliders, each with its own value.
    const int sliders[] = {4, 5, 7, 8, 9, 10};
    for (int k : sliders)
        w->VScroll[k]->setValue(10 + k);
    for (int k : sliders) {
        EXPECT_EQ(row(1, k + 1), 10 + k);
        EXPECT_EQ(w->Text2[k]->text(), QString::number(10 + k));
    }
    EXPECT_EQ(sent(),
              (Lines{"b0 07 63", "b0 0a 7f", "b0 0a 00", "e0 7f 00", "e0 7f 40", "e0 7f 7f",
                     "b0 49 0e", "b0 48 0f", "b0 01 11", "b0 02 12", "b0 5b 13", "b0 5d 14"}));
}

TEST_F(PartWindowTest, ADragSendsEveryValueItPasses) {
    for (int r = 1; r <= 11; ++r)
        row(2, r) = 0;
    frmPart* w = open(2);
    QCoreApplication::processEvents();
    LevelScrollBar* bar = w->VScroll[9]; // Reverb, controller 91 on channel nibble 1
    ASSERT_EQ(bar->value(), 0);

    // 0 sits at the bottom, 127 at the top. The arrow at the top raises by one, the one at the
    // bottom lowers by one; a click in the track above the thumb raises by ten, below it lowers
    // by ten; the Up key raises.
    bar->setValue(127);
    const int top = thumbRect(bar).top();
    bar->setValue(0);
    EXPECT_LT(top, thumbRect(bar).top());
    t.port->clear();
    const int x = bar->width() / 2;
    for (int y : {2, 2, bar->height() - 2, (thumbRect(bar).top() + top) / 2})
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, y));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, thumbRect(bar).bottom() + 2));
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Up);
    EXPECT_EQ(sent(),
              (Lines{"b1 5b 01", "b1 5b 02", "b1 5b 01", "b1 5b 0b", "b1 5b 01", "b1 5b 02"}));

    // Drag the thumb from the bottom past the top, one pixel at a time: every value passed is
    // sent, rising, up to 127.
    bar->setValue(0);
    t.port->clear();
    const QPoint start = thumbRect(bar).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int y = start.y() - 1; y >= -5; --y)
        QTest::mouseMove(bar, QPoint(start.x(), y));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(start.x(), -5));
    const auto values = t.port->messages();
    ASSERT_GT(values.size(), 20u) << "the drag passes many values";
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(HexLine({values[i].begin(), values[i].begin() + 2}), "b1 5b") << i;
        EXPECT_GT(values[i][2], i > 0 ? values[i - 1][2] : 0) << i;
    }
    EXPECT_EQ(values.back()[2], 127);
    EXPECT_EQ(row(2, 10), 127);
    EXPECT_EQ(w->Text2[9]->text(), QStringLiteral("127"));
}

TEST_F(PartWindowTest, APartPlaysTransposedOnItsChannelAndKeepsItsTransposition) {
    row(5, 0) = 10;  // channel 10
    row(5, 8) = 5;   // Mod 1
    row(5, 12) = 24; // +12
    frmPart* w = open(5);
    EXPECT_EQ(sent(), (Lines{"b9 07 64", "b9 0a 40", "e9 7f 40", "b9 01 05"}));
    EXPECT_EQ(w->Combo1->currentText(), QStringLiteral("+12"));
    t.port->clear();
    play(w, 0); // 36 + 12, velocities of rows 3 and 4
    // A new transposition is stored and applies to the next note; it sends nothing and leaves
    // the current part alone.
    state().makeCurrent(2);
    w->Combo1->setCurrentIndex(17); // "-5"
    EXPECT_EQ(row(5, 12), 7);
    EXPECT_EQ(state().currentPart(), 2);
    play(w, 24);
    w->VScroll[10]->setValue(33);
    QTest::mouseClick(w->keyboard().CommAllNoteOff, Qt::LeftButton);
    closeWindow(w); // closing stops the part's notes on its own channel too
    EXPECT_EQ(sent(), (Lines{"99 30 50", "89 30 40", "99 37 50", "89 37 40", "b9 5d 21", "b9 7b 00",
                             "b9 7b 00"}));
    EXPECT_EQ(open(5)->Combo1->currentText(), QStringLiteral("-5"));
}

TEST_F(PartWindowTest, ProgramDisplayAndItsPageSelector) {
    row(6, 18) = 64;
    frmPart* w = open(6);
    EXPECT_EQ(w->Text3->text(), QStringLiteral("064 SynthBrass 2"));
    state().makeCurrent(1);
    QTest::mouseClick(w->Text3, Qt::LeftButton);
    EXPECT_EQ(state().currentPart(), 6);
    EXPECT_EQ(state().programPage(), 20);
    // No program table flag: both lookups are empty and one blank remains.
    row(8, 17) = 0;
    row(8, 18) = 30;
    EXPECT_EQ(open(8)->Text3->text(), QStringLiteral(" "));
}

TEST_F(PartWindowTest, WindowRecordMenuItemAndSizeLimits) {
    WindowRec& rec = state().WindowRecs.at(3);
    rec = WindowRec{0, 450, 300, 9000, 6000};
    ASSERT_TRUE(main.mnuPart[3]->isEnabled());
    auto placement = [](frmPart* w) {
        return WindowRec{0, w->Top(), w->Left(), w->Width(), w->Height()};
    };

    frmPart* w = open(3);
    EXPECT_EQ(rec.Open, 1);
    EXPECT_FALSE(main.mnuPart[3]->isEnabled());
    EXPECT_TRUE(main.mnuWindow->menuAction()->isEnabled());
    // Placed exactly where the record says (multiples of 15 twips are whole pixels).
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, 9000, 6000}));
    // Wider or lower than the limit snaps back, stored as the limit itself, not rounded to whole
    // pixels; so does a drag of the frame in pixels. Narrower and taller are kept and stored.
    w->setWidth(11000);
    w->setHeight(3000);
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, PartWindowWidth, PartWindowHeight}));
    EXPECT_EQ(rec, (WindowRec{1, 450, 300, PartWindowWidth, PartWindowHeight}));
    w->setHeight(7005);
    w->setWidth(6000);
    EXPECT_EQ(placement(w), (WindowRec{0, 450, 300, 6000, 7005}));
    EXPECT_EQ(rec, (WindowRec{1, 450, 300, 6000, 7005}));

    // Closed by itself: not open any more, its placement stored, its menu item back.
    w->move(twips::point(1500, 750));
    t.port->clear();
    QTest::mouseClick(w->CommChiudi, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.PartWindow(3), nullptr);
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
    EXPECT_TRUE(main.mnuPart[3]->isEnabled());
    EXPECT_EQ(sent(), Lines{"b2 7b 00"});

    // Reopened where it was left; maximized (no limit, nothing stored) and closed so, the
    // normal placement is kept.
    w = open(3);
    EXPECT_EQ(placement(w), (WindowRec{0, 750, 1500, 6000, 7005}));
    w->showMaximized();
    closeWindow(w);
    EXPECT_EQ(rec, (WindowRec{0, 750, 1500, 6000, 7005}));
}

TEST_F(PartWindowTest, KeyboardSettingsAreStoredAndComeBackOnReopening) {
    // First run: key shift 2, Click Key checked, Hold Note not.
    frmPart* w = open(5);
    EXPECT_EQ(kb->KeyBase(), 36);
    EXPECT_EQ(controls(), "click 1, hold 0 enabled, chord disabled");
    for (int notch = 0; notch < 2; ++notch)
        wheel(centreOf(kb->HScroll1), -1);
    ASSERT_EQ(kb->KeyBase(), 12);
    click(centreOf(kb->CheckHoldNote));
    closeWindow(w);
    t.port->clear();
    // Reopened in hold mode: checking Hold Note while loading stops the notes first.
    w = open(5);
    EXPECT_EQ(kb->KeyBase(), 12);
    EXPECT_EQ(controls(), "click 1, hold 1 enabled, chord enabled");
    EXPECT_EQ(sent(), (Lines{"b4 7b 00", "b4 07 64", "b4 0a 40", "e4 7f 40"}));
    click(centreOf(kb->CheckClickKey));
    closeWindow(w);
    open(5);
    EXPECT_EQ(controls(), "click 0, hold 0 disabled, chord disabled");
}

TEST_F(PartWindowTest, ControlsLieWhereTheDesignPlacesThem) {
    frmPart* w = open(1);
    struct Place {
        QWidget* widget;
        int left, top, width, height; // twips inside the parent; -1: not checked
    };
    std::vector<Place> places = {
        {kb->Frame1, 70, 2650, -1, -1},
        {kb->HScroll1, 0, 1680, 9036, 228},
        {kb->CheckClickKey, 7752, 96, 1068, 324},
        {kb->CheckHoldNote, 7752, 480, 1245, 300},
        {kb->CommHoldChord, 7752, 888, 1140, 348},
        {kb->CommAllNoteOff, 7752, 1320, 1140, 348},
        {kb->Label1[6], 7755, 1770, 1305, 210},
        {kb->Text1, 7752, 2016, 1140, 300},
        {w->Label3, 3480, 4800, 696, 204},
        {w->Label2[11], 786, 800, -1, -1}, // pan scale: R, C, L
        {w->Label2[13], 786, 1350, -1, -1},
        {w->Label2[12], 786, 1930, -1, -1},
        {w->Label5[12], 1236, 1350, -1, -1}, // pan middle mark
        {w->Label5[11], 4616, 1350, -1, -1}, // bend middle mark
    };
    for (int i = 0; i < 6; ++i)
        places.push_back({kb->Label1[i], 40 + 1760 * i, 1450, 276, 252});
    for (int k = 0; k < frmPart::SliderCount; ++k) {
        const int left = 280 + 676 * k;
        places.push_back({w->VScroll[k], left, 600, 228, 1704});
        places.push_back({w->Label2[k], left - 253, 160, -1, -1});
        places.push_back({w->Label4[k], left + 250, 800, -1, -1});
        places.push_back({w->Label5[k], left + 250, 1930, -1, -1});
        places.push_back({w->Text2[k], -1, 350, -1, -1});
        // The value box is centred over its slider.
        EXPECT_LE(
            std::abs(w->Text2[k]->geometry().center().x() - w->VScroll[k]->geometry().center().x()),
            1)
            << k;
    }
    // White keys abut; a black key lies at an offset from the white key below it.
    const int blackOffset[12] = {0, 160, 0, 190, 0, 0, 160, 0, 177, 0, 190, 0};
    int whiteLeft = 0;
    for (int k = 0; k < Keyboard::KeyCount; ++k) {
        if (blackOffset[k % 12] != 0) {
            places.push_back({kb->Key[k], whiteLeft - 252 + blackOffset[k % 12], 0, 156, 972});
        } else {
            places.push_back({kb->Key[k], whiteLeft, 0, 252, 1404});
            whiteLeft += 252;
        }
    }
    // Pixels are 15 twips: an edge may round by half a pixel, a size by a whole one.
    for (const Place& p : places) {
        const QRect g = p.widget->geometry();
        const std::string name = p.widget->objectName().toStdString() + " " +
                                 p.widget->metaObject()->className() + " " +
                                 std::to_string(p.left) + "," + std::to_string(p.top);
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
// repaint the key and the note-name box, and nothing else (not the frame, not the window).
TEST_F(PartWindowTest, AKeyClickActivatesItsWindowAndRepaintsOnlyTheKeyAndTheNoteBox) {
    frmPart* w2 = open(2);
    open(9);
    QCoreApplication::processEvents();
    Keyboard& kb = w2->keyboard();
    play(w2, 5);
    EXPECT_EQ(main.mdiArea()->activeSubWindow(), w2);
    EXPECT_EQ(state().currentPart(), 2);

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
    for (QWidget* widget : main.findChildren<QWidget*>())
        widget->installEventFilter(&log);
    for (int k : {7, 8}) { // a white key and a black key
        log.painted.clear();
        QTest::mousePress(kb.Key[k], Qt::LeftButton, {}, QPoint(5, 5));
        settle();
        EXPECT_EQ(log.painted, (std::set<QObject*>{kb.Key[k], kb.Text1})) << "press " << k;
        log.painted.clear();
        QTest::mouseRelease(kb.Key[k], Qt::LeftButton, {}, QPoint(5, 5));
        settle();
        EXPECT_EQ(log.painted, (std::set<QObject*>{kb.Key[k], kb.Text1})) << "release " << k;
    }
    EXPECT_EQ(main.mdiArea()->activeSubWindow(), w2);
}

} // namespace
