// The keyboards as an assistive technology reads them (Qt's accessibility interfaces of the real
// windows, offscreen) and as the computer keyboard alone plays them: the keys' names and states,
// the press action's bytes, Tab, the arrows and Space, and the accessible names of the windows'
// controls. The events announced need a platform with accessibility (offscreen has none): the
// screen-reader test (tests/a11y) reads them over the bus. Depends on nothing of the machine's:
// the first-run settings (part 1 on channel 1, key shift 2, velocities 80 and 64).
#include "support/drivers/ProgramPageDriver.h"
#include "support/drivers/VolumeWindowDriver.h"
#include "ui/part/PartHost.h"

#include <QAccessible>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

QAccessibleInterface* iface(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}
QString nameOf(QObject* o) {
    return iface(o)->text(QAccessible::Name);
}

// The Frame1 of the open part window, as the assistive technology sees it.
QAccessibleInterface* keyboardOf(PartHost& h) {
    return iface(h.keys().control("Frame1"));
}

void doPress(QAccessibleInterface* key) {
    ASSERT_TRUE(
        key->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

void keyEvent(bool down, Qt::Key key, bool repeat = false) {
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, QString(),
                repeat);
    QApplication::sendEvent(QApplication::focusWidget(), &e);
}

TEST(KeyboardAccessibility, TheKeysAreNamedButtonsInPitchOrderFollowingTheLanguageAndTheKeyShift) {
    const struct {
        int language, shift, key;
        const char* name;
    } names[] = {{2, 2, 0, "C2"},     {2, 2, 1, "C#2"},    {2, 2, 24, "C4"},    {2, 2, 35, "B4"},
                 {2, 2, 60, "C7"},    {2, 0, 0, "C0"},     {2, 3, 60, "C8"},    {1, 2, 0, "Do 2"},
                 {1, 2, 25, "Do# 4"}, {1, 2, 31, "Sol 4"}, {1, 1, 46, "La# 4"}, {1, 3, 59, "Si 7"}};
    for (int language : {1, 2}) {
        PartHost h(language);
        h.open(1);
        QAccessibleInterface* kb = keyboardOf(h);
        EXPECT_EQ(kb->role(), QAccessible::List);
        EXPECT_EQ(kb->text(QAccessible::Name), language == 1 ? "Tastiera" : "Keyboard");
        ASSERT_GE(kb->childCount(), 61);
        for (int shift = 0; shift <= 3; ++shift) {
            h.keys().setKeyShift(shift);
            for (int k = 0; k < 61; ++k) {
                QAccessibleInterface* key = kb->child(k);
                EXPECT_EQ(key->object(), h.keys().key(k)) << "child " << k;
                EXPECT_EQ(kb->indexOfChild(key), k);
                EXPECT_EQ(key->role(), QAccessible::Button);
                EXPECT_EQ(key->parent(), kb);
            }
            // Each C is numbered as the octave label above it reads (English: the same text).
            for (int i = 0; i < 6 && language == 2; ++i)
                EXPECT_EQ(kb->child(12 * i)->text(QAccessible::Name),
                          h.keys().control<QLabel>(QStringLiteral("Label1_%1").arg(i))->text());
            for (const auto& n : names) {
                if (n.language == language && n.shift == shift) {
                    EXPECT_EQ(kb->child(n.key)->text(QAccessible::Name), n.name) << n.name;
                }
            }
        }
        // The master keyboard has the same keyboard.
        MasterKbDriver master = h.openMaster();
        master.keys.setKeyShift(2);
        EXPECT_EQ(nameOf(master.keys.key(24)), language == 1 ? "Do 4" : "C4");
    }
}

TEST(KeyboardAccessibility, ThePressActionPlaysAKeyAsAClickDoesInEachMode) {
    PartHost h;
    h.open(1);
    QAccessibleInterface* kb = keyboardOf(h);
    const struct {
        const char* mode; // the boxes clicked first
        int key;
        Lines sent;
        bool latched;
    } presses[] = {
        {"", 24, {"90 3c 50", "80 3c 40"}, false},           // click mode: down then up
        {"hold", 26, {"90 3e 50"}, true},                    // Hold Note: latched
        {"", 26, {"80 3e 40"}, false},                       // pressed again: released
        {"", 28, {"90 40 50"}, true},                        // latched again for the chord
        {"chord", 36, {"b0 7b 00", "90 48 50"}, true},       // the chord replayed from key 36
        {"hold click", 24, {"90 3c 50", "80 3c 40"}, false}, // hover mode: over the key and away
    };
    for (const auto& p : presses) {
        const std::string mode = p.mode;
        if (mode.find("hold") != std::string::npos)
            h.keys().clickHoldNote();
        if (mode.find("chord") != std::string::npos)
            h.keys().clickHoldChord();
        if (mode.find("click") != std::string::npos)
            h.keys().act("CheckClickKey");
        h.take();
        doPress(kb->child(p.key));
        EXPECT_EQ(h.take(), p.sent) << "key " << p.key << " " << mode;
        const QAccessible::State s = kb->child(p.key)->state();
        EXPECT_EQ(bool(s.checked), p.latched) << "key " << p.key;
        EXPECT_EQ(bool(s.pressed), p.latched) << "key " << p.key;
        EXPECT_EQ(bool(s.checkable), mode.find("click") == std::string::npos &&
                                         h.keys().controls().find("hold 1") != std::string::npos);
    }
}

TEST(KeyboardAccessibility, TabArrowsAndSpacePlayTheFocusedKeyAndTheKeyShiftKeepsItInView) {
    PartHost h;
    h.open(1);
    QApplication::setActiveWindow(&h.main);
    QWidget* frame = h.keys().control("Frame1");
    for (int i = 0; i < 40 && QApplication::focusWidget() != frame; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : h.w.data(),
                        Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), frame) << "Tab never reached the keyboard";
    QAccessibleInterface* kb = keyboardOf(h);
    EXPECT_TRUE(kb->child(24)->state().focused);
    EXPECT_EQ(kb->focusChild(), kb->child(24));

    // Right twice, then Space down (its repeats ignored) and up: note 62 on, then off.
    keyEvent(true, Qt::Key_Right);
    keyEvent(false, Qt::Key_Right);
    keyEvent(true, Qt::Key_Right);
    keyEvent(true, Qt::Key_Space);
    keyEvent(false, Qt::Key_Space, true);
    keyEvent(true, Qt::Key_Space, true);
    EXPECT_EQ(h.take(), (Lines{"90 3e 50"}));
    EXPECT_TRUE(kb->child(26)->state().focused);
    EXPECT_FALSE(kb->child(24)->state().focused);
    keyEvent(false, Qt::Key_Space);
    EXPECT_EQ(h.take(), (Lines{"80 3e 40"}));
    // The computer keys play as before: Z is the first key shown.
    h.pointer.key(true, Scan::Z);
    h.pointer.key(false, Scan::Z);
    EXPECT_EQ(h.take(), (Lines{"90 24 50", "80 24 40"}));

    // Hold Note makes every key checkable; Space latches the focused key.
    h.keys().clickHoldNote();
    EXPECT_EQ(h.take(), (Lines{"b0 7b 00"}));
    EXPECT_TRUE(kb->child(0)->state().checkable);
    frame->setFocus(Qt::MouseFocusReason); // the click on the box took it
    keyEvent(true, Qt::Key_Space);
    keyEvent(false, Qt::Key_Space);
    EXPECT_EQ(h.take(), (Lines{"90 3e 50"}));
    EXPECT_TRUE(kb->child(26)->state().checked);

    // Left past the first key: the key shift moves down an octave and the focus stays on the
    // note below C2, B1, now key 11; the names change, and the new shift is stored.
    for (int i = 0; i < 27; ++i)
        keyEvent(true, Qt::Key_Left);
    EXPECT_EQ(h.keys().keyBase(), 24);
    EXPECT_EQ(h.row(1, PartRow::KeyShift), 1);
    EXPECT_TRUE(kb->child(11)->state().focused);
    EXPECT_EQ(kb->child(11)->text(QAccessible::Name), "B1");
    // The latch moved with its note: key 38 now.
    EXPECT_TRUE(kb->child(38)->state().checked);
    // A key clicked takes the focus; at the top of the highest shift it stays on the last key.
    h.keys().tapKey(58);
    EXPECT_TRUE(kb->child(58)->state().focused);
    h.keys().setKeyShift(3);
    for (int i = 0; i < 3; ++i)
        keyEvent(true, Qt::Key_Right);
    EXPECT_EQ(h.keys().keyBase(), 48);
    EXPECT_TRUE(kb->child(60)->state().focused);
    EXPECT_FALSE(kb->child(59)->state().focused);
}

TEST(KeyboardAccessibility, TheWindowsControlsCarryTheirCaptionsInTheRunningLanguage) {
    for (int language : {1, 2}) {
        const bool it = language == 1;
        PartHost h(language);
        h.open(1);
        MasterKbDriver master = h.openMaster();
        VolumeWindowDriver volume(h.main);
        ProgramPageDriver page(h.main, 2);
        ASSERT_TRUE(volume.open());
        ASSERT_TRUE(page.open());
        const std::pair<QObject*, QString> named[] = {
            {h.part().slider(0), "Volume"},
            {h.part().slider(6), "Bend"},
            {h.part().control("HScroll1"), "Key Shift"},
            {h.part().control("CheckHoldNote"), "Hold Note"},
            {h.part().control("CommAllNoteOff"), "All Notes Off"},
            {h.part().control("Text1"), "Note (Number)"},
            {h.part().control("CommChiudi"), it ? "Chiudi" : "Close"},
            {master.slider(10), "Chorus"},
            {master.channelBox(3), it ? "Canale MIDI 3" : "MIDI Channel 3"},
            {volume.slider(12), it ? "Volume Parte 12" : "Volume Part 12"},
            {volume.window()->findChild<QWidget*>("PulsPart5"), it ? "Parte 5" : "Part 5"},
            {page.list(), "GM Page 2"},
        };
        for (const auto& [control, name] : named)
            EXPECT_EQ(nameOf(control), name) << control->objectName().toStdString();
        EXPECT_EQ(iface(h.part().control("Combo1"))->text(QAccessible::Description),
                  it ? "Trasposizione" : "Transposition");
    }
}

} // namespace
