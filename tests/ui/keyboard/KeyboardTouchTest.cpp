// Fingers on the keyboard of a part window, and the velocity taken from where a key is struck,
// through a real main window and the recording port. Both start from the first-run modes (Click
// Key checked, Hold Note not) and Vel On 0x50, Vel Off 0x40.
#include "../part/PartHost.h"
#include "support/drivers/TouchDriver.h"

#include <gtest/gtest.h>

TEST(KeyboardTouch, ACancelledTouchLeavesNothingSounding) {
    PartHost h;
    h.open(1);
    KeyboardDriver& k = h.keys();
    // In hover mode: two fingers down (one after the other: the order of one touch's points is
    // Qt's), one sliding, a third down; then the system takes the touch away, and a finger plays
    // again. Every mode ends what sounds alike (the note engine's table: ReleaseAll, latched
    // notes too).
    k.act("CheckClickKey; window");
    h.take();
    Fingers f(h.main);
    f.press(1, k.onKey(24));
    f.press(2, k.onKey(31));
    f.move(2, k.onKey(33));
    f.press(3, k.onKey(40));
    EXPECT_EQ(h.out(), "90 3c 50 90 43 50 80 43 40 90 45 50 90 4c 50");
    f.cancel({k.control("Frame1")});
    EXPECT_EQ(h.out(), "80 3c 40 80 45 40 80 4c 40");
    EXPECT_TRUE(k.marks().empty() && h.latched().empty());
    f.press(1, k.onKey(50));
    f.lift(1);
    EXPECT_EQ(h.out(), "90 56 50 80 56 40");
}

TEST(KeyboardTouch, VelocityFromTheClicksHeightIsChosenInTheMenuAndKeptForTheNextStart) {
    PartHost h;
    MasterKbDriver master = h.openMaster(); // on its first-run channel 1
    h.open(1);
    h.main.MasterKbWindow()->move(0, h.w->geometry().bottom() + 1); // beside the part window
    KeyboardDriver& k = h.keys();
    // A point `depth` down key `key` (0 its top row of pixels, 1 its bottom row).
    auto at = [&h](KeyboardDriver& kb, int key, double depth) {
        const int y = int(depth * (kb.keys()->keyRect(key).height() - 1));
        return kb.keys()->mapTo(&h.main, kb.inKey(key, QPoint(3, y)));
    };
    QAction* item = h.main.findChild<QAction*>(QStringLiteral("mnuVelocita"));
    EXPECT_FALSE(item->isChecked()); // off at the first start: Vel On
    k.p.click(at(k, 0, 1.0));
    item->trigger();
    // Top, middle and bottom of a white key, then of a black key; the Note Off keeps Vel Off.
    for (int key : {0, 1})
        for (double depth : {0.0, 0.5, 1.0})
            k.p.click(at(k, key, depth));
    EXPECT_EQ(h.out(), "90 24 50 80 24 40 90 24 01 80 24 40 90 24 3f 80 24 40 90 24 7f 80 24 40 "
                       "90 25 01 80 25 40 90 25 40 80 25 40 90 25 7f 80 25 40");
    // A finger by its height, or by its pressure where the screen reports one (QTest's fingers
    // press at 1.0); the master keyboard; the computer keys by Vel On.
    for (auto caps : {QInputDevice::Capabilities(QInputDevice::Capability::Position),
                      QInputDevice::Capability::Position | QInputDevice::Capability::Pressure}) {
        Fingers f(h.main, caps);
        f.press(1, at(k, 1, 0.0));
        f.lift(1);
    }
    master.keys.p.click(at(master.keys, 0, 0.0));
    k.focus();
    k.act("down 52; up 52");
    k.p.key(true, 0, Qt::Key_Space); // the focused key, played from the keyboard
    k.p.key(false, 0, Qt::Key_Space);
    EXPECT_EQ(h.out(), "90 25 01 80 25 40 90 25 7f 80 25 40 90 24 01 80 24 40 90 24 50 80 24 40 "
                       "90 25 50 80 25 40");
    // The next start finds the choice; turned off there, the start after finds it off.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    for (bool on : {true, false}) {
        TestState next;
        qputenv("XDG_CONFIG_HOME", config);
        frmMain again(next.state);
        QAction* menu = again.findChild<QAction*>(QStringLiteral("mnuVelocita"));
        EXPECT_EQ(std::pair(menu->isChecked(), next.state.VelocityFromHeight), std::pair(on, on));
        if (on)
            menu->trigger();
    }
}
