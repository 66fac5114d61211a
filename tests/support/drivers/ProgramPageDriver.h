#pragma once

// A program page (n = 1 or 2) as its user reaches it: its menu item, its list of programs in
// four columns and its family titles.
#include "support/drivers/MenuWindow.h"
#include "ui/main/frmMain.h"
#include "ui/mixer/frmGMPag.h"

#include <QLabel>
#include <QListWidget>

class ProgramPageDriver : public MenuWindow<ProgramPageDriver> {
  public:
    ProgramPageDriver(frmMain& main, int n) : main_(main), n_(n) {}
    QAction* menuItem() const { return main_.mnuGMPag[n_]; }
    frmGMPag* window() const { return main_.GMPage(n_); }

    QListWidget* list() const { return window()->findChild<QListWidget*>("List1"); }
    QString row(int r) const { return list()->item(r)->text(); }
    // Family title k (1..8): the upper and lower family of column (k + 1) / 2.
    QString title(int k) const {
        return window()->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(k))->text();
    }
    void click(int r) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(list()->item(r)).center());
    }

  private:
    frmMain& main_;
    int n_;
};
