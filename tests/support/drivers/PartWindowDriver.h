#pragma once

// A part window or the master keyboard driven as a user drives it: its keyboard, its sliders,
// the boxes and labels showing their values, the transposition list, the master keyboard's
// channel boxes and the Close button.
#include "support/drivers/KeyboardDriver.h"
#include "ui/part/LevelScrollBar.h"

#include <QComboBox>

class PartWindowDriver {
  public:
    PartWindowDriver(Pointer& p, QWidget* window)
        : keys(p, window->findChild<QWidget*>(QStringLiteral("Client"))) {}

    LevelScrollBar* slider(int k) const {
        return keys.control<LevelScrollBar>(QStringLiteral("VScroll%1").arg(k));
    }
    // Slider k dragged to v.
    void setSlider(int k, int v) { slider(k)->setValue(v); }
    // What a box shows: "Text2_3" (a part's value box), "Text3" (the program).
    QString text(const QString& name) const { return keys.control<QLineEdit>(name)->text(); }
    // The transposition list ("+12" .. "-12").
    QComboBox* transposition() const { return keys.control<QComboBox>("Combo1"); }
    // The master keyboard's box of channel n (1..16).
    QCheckBox* channelBox(int n) const {
        return keys.control<QCheckBox>(QStringLiteral("Check1_%1").arg(n));
    }
    // The Close button clicked; the window is gone once this returns.
    void close() {
        QTest::mouseClick(keys.control("CommChiudi"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    KeyboardDriver keys;
};

// The master keyboard is driven as a part window is, with its channel boxes besides.
using MasterKbDriver = PartWindowDriver;
