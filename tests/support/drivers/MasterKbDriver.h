#pragma once

// The master keyboard driven as a user drives it: its keyboard, its sliders (each with a value
// label), its sixteen channel boxes and the Close button.
#include "support/drivers/PartWindowDriver.h"

class MasterKbDriver : public PartWindowDriver {
  public:
    using PartWindowDriver::PartWindowDriver;

    QString valueLabel(int k) const {
        return control<QLabel>(QStringLiteral("Label3_%1").arg(k))->text();
    }
    QCheckBox* channelBox(int n) const {
        return control<QCheckBox>(QStringLiteral("Check1_%1").arg(n));
    }
    void clickChannel(int n) { QTest::mouseClick(channelBox(n), Qt::LeftButton); }
};
