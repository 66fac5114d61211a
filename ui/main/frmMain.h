#pragma once

#include "app/AppState.h"

#include <QMainWindow>
#include <QPointer>
#include <array>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QWidget;
class ChildWindow;
class frmPart;
class frmAbout;
class frmVolumeAll;
class frmGMPag;
class frmMasterKb;
class frmBloccoNote;

// The program's frame: the multiple-document area that holds every child window, the menus, the
// status bar and the timers that reopen at start the windows that were open at the last exit.
// Closing it ends the program: the children unload, the device is closed, the settings written.
class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(AppState& state);
    ~frmMain() override;

    AppState& state() { return state_; }
    QMdiArea* mdiArea() const { return mdiArea_; }

    // Shows the window in the state stored in WindowExtras(5): normal at the stored size in the
    // top-left corner, minimized, or maximized.
    void showAsStored();

    // Adds a child window to the area and shows it.
    void showChild(ChildWindow* child);

    // The status bar's part number: Label3 := index + 1.
    void ShowPartNumber(int index);

    // Opens the window of a kind as its menu item does (1..16 part windows, 17 master keyboard,
    // 19 volume window, 20 and 21 the program pages, 22 the notepad). Kinds not built yet and 18
    // open nothing.
    void OpenWindowKind(int kind);

    // The open window of a kind, or null (kinds whose windows are not built yet, kind 18).
    ChildWindow* WindowOfKind(int kind) const;

    // Menu actions.
    void mnuPart_Click(int n);
    void mnuVolumeAll_Click();
    void mnuGMPag_Click(int n);
    void mnuMasterKb_Click();
    void mnuBloccoNote_Click();
    void mnuVisBarraStato_Click();
    void mnuLanguage_Click(int code);
    void mnuInfo_Click();
    void mnuCascade_Click();
    void mnuIngrandisci_Click();
    void Timer1_Timer(int kind);

    // Menus and items, named as the menu tree names them.
    QMenu* mnuFile = nullptr;
    QAction* mnuChiudi = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuModifica = nullptr;
    QAction* mnuIngrandisci = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuVolumeAll = nullptr;
    QMenu* mnuParti = nullptr;
    std::array<QAction*, 17> mnuPart{}; // 1..16
    std::array<QAction*, 3> mnuGMPag{}; // 1..2
    QAction* mnuMasterKb = nullptr;
    QAction* mnuBloccoNote = nullptr;
    QMenu* mnuPreferenze = nullptr;
    QMenu* mnuLingua = nullptr;
    QAction* mnuItaliano = nullptr;
    QAction* mnuInglese = nullptr;
    QAction* mnuVisBarraStato = nullptr;
    QMenu* mnuWindow = nullptr;
    QAction* mnuCascade = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuGuida = nullptr;
    QAction* mnuInfo = nullptr;

    // Status bar strip and its fields.
    QWidget* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;

    std::array<QTimer*, 23> Timer1{}; // 1..22

    std::array<QPointer<frmPart>, 17> PartWindows{}; // 1..16
    QPointer<frmMasterKb> MasterKb;
    QPointer<frmBloccoNote> BloccoNote;
    QPointer<frmAbout> AboutBox;
    QPointer<frmVolumeAll> VolumeAll;
    std::array<QPointer<frmGMPag>, 3> GMPages{}; // 1..2

    // Set when the close has run its shutdown; a second close does nothing.
    bool unloaded() const { return unloaded_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildStatusBar();
    void Form_Load();
    void Form_Unload();
    void storePlacement();
    void rebuildWindowList();
    void layoutStatusFields();
    // Opens program page kind 20 or 21, or brings the open one to the front.
    void showGMPage(int kind);
    // Hands a part window's value to the volume window, and the volume window's volume for an
    // open part window to that window.
    void connectPartWindow(frmPart* window);

    AppState& state_;
    QMdiArea* mdiArea_ = nullptr;
    bool unloaded_ = false;
};
