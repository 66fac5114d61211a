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
    // What a box or a label shows: "Text2_3" (a part's value box), "Label3_3" (the master
    // keyboard's value label), "Text3" (the program).
    QString text(const QString& name) const {
        auto* box = qobject_cast<QLineEdit*>(keys.control(name));
        return box ? box->text() : keys.control<QLabel>(name)->text();
    }
    // The transposition list: the entry at `index` chosen ("+12" .. "-12"), the one shown.
    void chooseTransposition(int index) {
        keys.control<QComboBox>("Combo1")->setCurrentIndex(index);
    }
    QString transposition() const { return keys.control<QComboBox>("Combo1")->currentText(); }
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
