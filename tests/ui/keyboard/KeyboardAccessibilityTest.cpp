// The keyboards as an assistive technology reads them (Qt's accessibility interfaces of the real
// windows, offscreen): every key's name in both languages at each key shift, the press action in
// each mode, the arrows past the key shift's edges and the accessible names of the windows'
// controls. Tab, Right and Space and the events announced are read over the bus by the
// screen-reader test (tests/a11y). Depends on nothing of the machine's: the first-run settings
// (part 1 on channel 1, key shift 2, velocities 80 and 64).
#include "ui/part/PartHost.h"

#include <QAccessible>
#include <gtest/gtest.h>

namespace {

QAccessibleInterface* iface(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

// The keys' names follow the language and the key shift, the controls' names the language.
TEST(KeyboardAccessibility, KeysAndControlsAreNamedInTheRunningLanguageAndKeysInPitchOrder) {
    const QStringList en = QStringLiteral("C C# D D# E F F# G G# A A# B").split(' ');
    const QStringList it = QStringLiteral("Do Do# Re Re# Mi Fa Fa# Sol Sol# La La# Si").split(' ');
    for (int language : {1, 2}) {
        PartHost h(language);
        h.open(1);
        QAccessibleInterface* kb = iface(h.keys().control("Frame1"));
        for (int shift = 0; shift <= 3; ++shift) {
            h.keys().act("shift " + std::to_string(shift));
            for (int k = 0, note = 12 + 12 * shift; k < 61; ++k, ++note)
                EXPECT_EQ(kb->child(k)->text(QAccessible::Name),
                          (language == 1 ? it[note % 12] + ' ' : en[note % 12]) +
                              QString::number(note / 12 - 1));
        }
        MasterKbDriver master = h.openMaster();
        KeyboardDriver& k = h.keys();
        const std::pair<QObject*, QString> named[] = {
            {h.part().slider(6), "Bend"},
            {k.control("HScroll1"), "Key Shift"},
            {k.control("Text1"), "Note (Number)"},
            {k.control("CommChiudi"), language == 1 ? "Chiudi" : "Close"},
            {master.channelBox(3), language == 1 ? "Canale MIDI 3" : "MIDI Channel 3"},
        };
        for (const auto& [control, name] : named)
            EXPECT_EQ(iface(control)->text(QAccessible::Name), name) << name.toStdString();
        EXPECT_EQ(iface(k.control("Combo1"))->text(QAccessible::Description),
                  language == 1 ? "Trasposizione" : "Transposition");
    }
}

TEST(KeyboardAccessibility,
     ThePressActionPlaysAKeyAsAClickDoesInEachModeAndTheArrowsPastTheEdgesMoveTheKeyShift) {
    PartHost h;
    h.open(1);
    QAccessibleInterface* kb = iface(h.keys().control("Frame1"));
    // Controls clicked first, the key pressed, what it sends, then whether the key is checked,
    // pressed and checkable (the chord's rules are the note engine's table's).
    const std::tuple<const char*, int, const char*> presses[] = {
        {"", 24, "90 3c 50 80 3c 40 000"}, // click mode: down then up
        {"CheckHoldNote", 26, "90 3e 50 111"},
        {"", 26, "80 3e 40 001"},
        {"CheckHoldNote; CheckClickKey", 24, "90 3c 50 80 3c 40 000"}, // hover
    };
    for (auto [act, key, after] : presses) {
        h.keys().act(act);
        h.take();
        kb->child(key)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        const QAccessible::State s = kb->child(key)->state();
        EXPECT_EQ(h.out() + ' ' + "01"[s.checked] + "01"[s.pressed] + "01"[s.checkable], after);
    }

    QWidget* frame = h.keys().control("Frame1");
    h.keys().act("CheckClickKey; CheckHoldNote; click 26"); // 62 latched, key 26 focused
    EXPECT_EQ(kb->focusChild(), kb->child(26));
    // Left past the first key: the key shift moves down an octave, is stored, and the focus stays
    // on the note below C2, B1, now key 11; the latch moves with its note, to key 38.
    for (int i = 0; i < 27; ++i)
        QTest::keyPress(frame, Qt::Key_Left);
    EXPECT_EQ(h.keys().keyBase() * 10 + h.row(1, PartRow::KeyShift), 241);
    EXPECT_TRUE(kb->focusChild() == kb->child(11) && kb->child(38)->state().checked);
    // At the top of the highest shift the focus stays on the last key.
    h.keys().tapKey(58);
    h.keys().act("shift 3");
    for (int i = 0; i < 3; ++i)
        QTest::keyPress(frame, Qt::Key_Right);
    EXPECT_EQ(h.keys().keyBase(), 48);
    EXPECT_TRUE(kb->child(60)->state().focused && !kb->child(59)->state().focused);
}

} // namespace
