// The main window's menu bar: built once in the running language, and kept in step with the
// open child windows by updateMenus().
#include "ui/main/frmMain.h"

#include "app/Preferences.h"
#include "app/strings/Translation.h"
#include "ui/child/ChildWindow.h"
#include "ui/main/SaveMidiFile.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto res = [this](int n) { return state_.ResString(n); };
    const Language language = Language::ofBase(state_.LanguageBase);

    mnuFile = bar->addMenu(res(2));
    mnuChiudi = mnuFile->addAction(res(8));
    connect(mnuChiudi, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* active = mdiArea_->activeSubWindow())
            active->close();
    });
    mnuFile->addSeparator(); // mnuSep13
    mnuExit = mnuFile->addAction(res(7));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    mnuModifica = bar->addMenu(language.translate("frmMain", "&Modifica"));
    mnuIngrandisci = mnuModifica->addAction(res(11));
    connect(mnuIngrandisci, &QAction::triggered, this, [this] { mnuIngrandisci_Click(); });

    mnuView = bar->addMenu(res(3));
    mnuVolumeAll = mnuView->addAction(language.translate("frmMain", "Volume All"));
    mnuView->addSeparator(); // mnuS32
    mnuParti = mnuView->addMenu(language.translate("frmMain", "Part"));
    for (int n = 1; n <= 16; ++n) {
        mnuPart[n] = mnuParti->addAction(language.translate("frmMain", "Part %1").arg(n));
    }
    mnuView->addSeparator(); // mnuS31
    mnuGMPag[1] = mnuView->addAction(language.translate("frmMain", "GM Page 1 "));
    mnuGMPag[2] = mnuView->addAction(language.translate("frmMain", "GM Page 2"));
    mnuView->addSeparator(); // mnuS37
    mnuMasterKb = mnuView->addAction(language.translate("frmMain", "Master Keyboard"));
    mnuBloccoNote = mnuView->addAction(res(10));
    for (int kind = WindowKind::FirstPart; kind <= WindowKind::LastStored; ++kind)
        if (QAction* item = menuItemOfKind(kind))
            connect(item, &QAction::triggered, this, [this, kind] { OpenFromMenu(kind); });

    mnuPreferenze = bar->addMenu(res(62));
    mnuLingua = mnuPreferenze->addMenu(res(63));
    mnuItaliano = mnuLingua->addAction(res(64));
    mnuInglese = mnuLingua->addAction(res(65));
    mnuItaliano->setCheckable(true);
    mnuInglese->setCheckable(true);
    connect(mnuItaliano, &QAction::triggered, this, [this] { mnuLanguage_Click(1); });
    connect(mnuInglese, &QAction::triggered, this, [this] { mnuLanguage_Click(2); });
    mnuPreferenze->addSeparator(); // mnuSep41
    mnuVisBarraStato = mnuPreferenze->addAction(res(103));
    mnuVisBarraStato->setCheckable(true);
    connect(mnuVisBarraStato, &QAction::triggered, this, [this] { mnuVisBarraStato_Click(); });
    mnuVelocita = mnuPreferenze->addAction(res(104));
    mnuVelocita->setObjectName(QStringLiteral("mnuVelocita"));
    mnuVelocita->setCheckable(true);
    state_.VelocityFromHeight = RememberedVelocityFromHeight();
    mnuVelocita->setChecked(state_.VelocityFromHeight);
    connect(mnuVelocita, &QAction::toggled, this, [this](bool on) {
        state_.VelocityFromHeight = on;
        RememberVelocityFromHeight(on); // for this run only when the file cannot be written
    });
    mnuMidi = mnuPreferenze->addAction(language.translate("frmMain", "MIDI…"));
    connect(mnuMidi, &QAction::triggered, this, [this] { mnuMidi_Click(); });
    mnuSaveMidi = mnuPreferenze->addAction(SaveMidiFileText(state_));
    mnuSaveMidi->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(mnuSaveMidi, &QAction::triggered, this, [this] { SaveMidiFile(state_, this); });

    mnuWindow = bar->addMenu(res(4));
    mnuCascade = mnuWindow->addAction(res(9));
    connect(mnuCascade, &QAction::triggered, this, [this] { mnuCascade_Click(); });
    connect(mnuWindow, &QMenu::aboutToShow, this, [this] { rebuildWindowList(); });

    mnuHelp = bar->addMenu(language.translate("frmMain", "&?"));
    mnuGuida = mnuHelp->addAction(language.translate("frmMain", "Guida Utente"));
    mnuHelp->addSeparator(); // mnuSep51
    mnuInfo = mnuHelp->addAction(res(5));
    connect(mnuInfo, &QAction::triggered, this, [this] { mnuInfo_Click(); });
    mnuHelp->addSeparator(); // mnuSep52
}

// The list of open child windows under mnuWindow, after its own items; the active one checked.
void frmMain::rebuildWindowList() {
    const auto actions = mnuWindow->actions();
    for (QAction* action : actions) {
        if (action == mnuCascade)
            continue;
        mnuWindow->removeAction(action);
        action->deleteLater();
    }
    const auto windows = mdiArea_->subWindowList();
    if (windows.isEmpty())
        return;
    mnuWindow->addSeparator();
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* item =
            mnuWindow->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
        item->setCheckable(true);
        item->setChecked(window == mdiArea_->activeSubWindow());
        connect(item, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(window)] {
            if (target)
                mdiArea_->setActiveSubWindow(target);
        });
    }
}

// The menu item that opens a window kind, or null (kind 18).
QAction* frmMain::menuItemOfKind(int kind) const {
    if (WindowKind::isPart(kind))
        return mnuPart[kind];
    switch (kind) {
    case WindowKind::MasterKb:
        return mnuMasterKb;
    case WindowKind::VolumeAll:
        return mnuVolumeAll;
    case WindowKind::GMPage1:
        return mnuGMPag[1];
    case WindowKind::GMPage2:
        return mnuGMPag[2];
    case WindowKind::Notepad:
        return mnuBloccoNote;
    default:
        return nullptr;
    }
}

// A window's menu item is disabled while the window is open; a program page's only while its own
// menu item opened it, so a page opened from a program name leaves the item as it is. The Window
// menu is enabled from the first child window's load on; Close stays disabled.
void frmMain::updateMenus() {
    for (int kind = WindowKind::FirstPart; kind <= WindowKind::LastStored; ++kind) {
        QAction* item = menuItemOfKind(kind);
        if (item == nullptr)
            continue;
        const bool open =
            WindowKind::isGMPage(kind) ? heldByMenu_[kind] : windows_[kind] != nullptr;
        item->setEnabled(!open);
    }
    mnuWindow->menuAction()->setEnabled(childLoaded_);
}
