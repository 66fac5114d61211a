#include "ui/main/frmMain.h"

#include "ui/main/ChildWindow.h"

#include <QMdiArea>

frmMain::frmMain(AppState& state) : state_(state) {
    mdiArea_ = new QMdiArea(this);
    setCentralWidget(mdiArea_);
}
frmMain::~frmMain() = default;
void frmMain::showChild(ChildWindow* child) {
    mdiArea_->addSubWindow(child);
    child->show();
}
void frmMain::ShowPartNumber(int) {}
void frmMain::OpenWindowKind(int) {}
void frmMain::mnuPart_Click(int) {}
void frmMain::mnuVisBarraStato_Click() {}
void frmMain::mnuLanguage_Click(int) {}
void frmMain::mnuInfo_Click() {}
void frmMain::Timer1_Timer(int) {}
void frmMain::closeEvent(QCloseEvent*) {}
