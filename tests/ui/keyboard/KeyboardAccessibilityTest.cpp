// The keyboards as an assistive technology reads them (Qt's accessibility interfaces of the real
// windows, offscreen): every key's name in both languages at each key shift, the press action in
// each mode, the arrows past the key shift's edges and the accessible names of the windows'
// controls. Tab, Right and Space and the events announced are read over the bus by the
// screen-reader test (tests/a11y). Depends on nothing of the machine's: the first-run settings
// (part 1 on channel 1, key shift 2, velocities 80 and 64).
#include "support/drivers/ProgramPageDriver.h"
#include "support/drivers/VolumeWindowDriver.h"
#include "ui/part/PartHost.h"

#include <QAccessible>
#include <gtest/gtest.h>

namespace {

QAccessibleInterface* iface(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}
QString nameOf(QObject* o) {
    return iface(o)->text(QAccessible::Name);
}

TEST(KeyboardAccessibility, TheKeysAreNamedButtonsInPitchOrderFollowingTheLanguageAndTheKeyShift) {
    const char* en[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const char* it[] = {"Do",  "Do#", "Re",   "Re#", "Mi",  "Fa",
                        "Fa#", "Sol", "Sol#", "La",  "La#", "Si"};
    for (int language : {1, 2}) {
        PartHost h(language);
        h.open(1);
        QAccessibleInterface* kb = iface(h.keys().control("Frame1"));
        EXPECT_EQ(kb->role(), QAccessible::List);
        EXPECT_EQ(kb->text(QAccessible::Name), language == 1 ? "Tastiera" : "Keyboard");
        ASSERT_GE(kb->childCount(), 61);
        for (int shift = 0; shift <= 3; ++shift) {
            h.keys().setKeyShift(shift);
            for (int k = 0, note = 12 + 12 * shift; k < 61; ++k, ++note) {
                const std::string octave = std::to_string(note / 12 - 1);
                EXPECT_EQ(kb->child(k)->text(QAccessible::Name).toStdString(),
                          language == 1 ? it[note % 12] + (" " + octave) : en[note % 12] + octave);
            }
        }
    }
}

TEST(KeyboardAccessibility,
     ThePressActionPlaysAKeyAsAClickDoesInEachModeAndTheArrowsPastTheEdgesMoveTheKeyShift) {
    PartHost h;
    h.open(1);
    QAccessibleInterface* kb = iface(h.keys().control("Frame1"));
    // Controls clicked first, the key pressed, what it sends, then latched, then checkable.
    const struct {
        const char* act;
        int key;
        const char* sent;
        bool latched, checkable;
    } presses[] = {
        {"", 24, "90 3c 50 80 3c 40", false, false}, // click mode: down then up
        {"CheckHoldNote", 26, "90 3e 50", true, true},
        {"", 26, "80 3e 40", false, true},
        {"", 28, "90 40 50", true, true},
        {"CommHoldChord", 36, "b0 7b 00 90 48 50", true, true}, // the chord replayed from 36
        {"CheckHoldNote; CheckClickKey", 24, "90 3c 50 80 3c 40", false, false}, // hover
    };
    for (const auto& p : presses) {
        SCOPED_TRACE(p.key);
        h.keys().act(p.act);
        h.take();
        QAccessibleActionInterface* action = kb->child(p.key)->actionInterface();
        ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
        action->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(h.out(), p.sent);
        const QAccessible::State s = kb->child(p.key)->state();
        EXPECT_EQ(std::vector<bool>({bool(s.checked), bool(s.pressed), bool(s.checkable)}),
                  std::vector<bool>({p.latched, p.latched, p.checkable}));
    }

    QWidget* frame = h.keys().control("Frame1");
    h.keys().act("CheckClickKey; CheckHoldNote; click 26"); // 62 latched, key 26 focused
    EXPECT_EQ(kb->focusChild(), kb->child(26));
    // Left past the first key: the key shift moves down an octave, is stored, and the focus stays
    // on the note below C2, B1, now key 11; the latch moves with its note, to key 38.
    for (int i = 0; i < 27; ++i)
        QTest::keyPress(frame, Qt::Key_Left);
    EXPECT_EQ(h.keys().keyBase(), 24);
    EXPECT_EQ(h.row(1, PartRow::KeyShift), 1);
    EXPECT_EQ(kb->focusChild(), kb->child(11));
    EXPECT_TRUE(kb->child(38)->state().checked);
    // At the top of the highest shift the focus stays on the last key.
    h.keys().tapKey(58);
    h.keys().setKeyShift(3);
    for (int i = 0; i < 3; ++i)
        QTest::keyPress(frame, Qt::Key_Right);
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
