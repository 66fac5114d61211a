#pragma once

// The all-parts volume window as its user reaches it: the menu item that opens it, and per part
// its select button, its program name box, its volume slider and its value boxes.
#include "support/drivers/MenuWindow.h"
#include "ui/main/frmMain.h"
#include "ui/mixer/frmVolumeAll.h"
#include "ui/part/LevelScrollBar.h"

#include <QLineEdit>

class VolumeWindowDriver : public MenuWindow<VolumeWindowDriver> {
  public:
    // The value boxes of a part's column, named after the window's own controls.
    enum Box { Volume = 1, Pan, Reverb, Chorus, Shift, Channel, Program };

    explicit VolumeWindowDriver(frmMain& main) : main_(main) {}
    QAction* menuItem() const { return main_.mnuVolumeAll; }
    frmVolumeAll* window() const { return main_.VolumeAllWindow(); }

    // The control of `part` named `name` followed by the part's number.
    template <class T = QWidget> T* child(const QString& name, int part) const {
        return window()->findChild<T*>(name + QString::number(part));
    }
    LevelScrollBar* slider(int part) const { return child<LevelScrollBar>("VScroll", part); }
    QString shown(Box box, int part) const {
        return child<QLineEdit>(QStringLiteral("Text%1_").arg(int(box)), part)->text();
    }
    // Clicks a part's select button ("PulsPart") or program name ("Text7_").
    void click(const char* name, int part) { QTest::mouseClick(child(name, part), Qt::LeftButton); }

  private:
    frmMain& main_;
};
