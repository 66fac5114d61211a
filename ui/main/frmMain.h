#pragma once

#include "app/AppState.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

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
class Keyboard;
class NoteEngine;
class Devices;
class frmMidi;

// The program's frame: the multiple-document area that holds every child window, the menus, the
// status bar and the timers that reopen at start the windows that were open at the last exit.
// Closing it ends the program: the children unload, then `onUnload` runs (the start-up passes the
// shutdown: the device is closed, the settings written).
class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(AppState& state, std::function<void()> onUnload = {});
    ~frmMain() override;

    AppState& state() { return state_; }
    QMdiArea* mdiArea() const { return mdiArea_; }

    // Shows the window in the state stored in WindowExtras(5): normal at the stored size in the
    // top-left corner, minimized, or maximized.
    void showAsStored();

    // The status bar's part number: Label3 := index + 1.
    void ShowPartNumber(int index);

    // Brings the window of a kind to the front, creating and loading it first when it is not
    // open (1..16 part windows, 17 master keyboard, 19 volume window, 20 and 21 the program
    // pages, 22 the notepad). A part window's kind becomes CurrentPart and a page's kind
    // GMPageSelector. Returns the window, or null for a kind without one (18, kinds not built).
    ChildWindow* OpenWindowKind(int kind);

    // The open window of a kind, or null.
    ChildWindow* WindowOfKind(int kind) const;
    frmPart* PartWindow(int n) const;
    frmVolumeAll* VolumeAllWindow() const;
    frmGMPag* GMPage(int n) const; // n = 1, 2
    frmMasterKb* MasterKbWindow() const;
    frmBloccoNote* NotepadWindow() const;

    // What the menu item of a window kind does (and the reopening at start): opens the window;
    // a program page's item stays disabled until that page unloads.
    void OpenFromMenu(int kind);

    // Menu actions.
    void mnuPart_Click(int n) { OpenFromMenu(n); }
    void mnuVolumeAll_Click() { OpenFromMenu(WindowKind::VolumeAll); }
    void mnuGMPag_Click(int n) { OpenFromMenu(WindowKind::GMPage1 - 1 + n); }
    void mnuMasterKb_Click() { OpenFromMenu(WindowKind::MasterKb); }
    void mnuBloccoNote_Click() { OpenFromMenu(WindowKind::Notepad); }
    void mnuVisBarraStato_Click();
    void mnuLanguage_Click(int code);
    void mnuInfo_Click();
    // Opens the MIDI dialog (modeless; a second click brings it up again): it lists what the
    // devices offer and chooses through them.
    void mnuMidi_Click();
    void mnuCascade_Click();
    void mnuIngrandisci_Click();
    void Timer1_Timer(int kind);

    // Menus and items, named as the menu tree names them.
    QMenu* mnuFile = nullptr;
    QAction* mnuIngrandisci = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuVolumeAll = nullptr;
    QMenu* mnuParti = nullptr;
    std::array<QAction*, 17> mnuPart{}; // 1..16
    std::array<QAction*, 3> mnuGMPag{}; // 1..2
    QAction* mnuMasterKb = nullptr;
    QAction* mnuBloccoNote = nullptr;
    QMenu* mnuPreferenze = nullptr;
    QMenu* mnuWindow = nullptr;
    QAction* mnuCascade = nullptr;
    QMenu* mnuHelp = nullptr;

    // The status bar's part number field.
    QLabel* Label3 = nullptr;

    // The keyboard the MIDI input plays through now: the current child window's when it is a part
    // window or the master keyboard, else the window of the current part; null when neither is
    // open.
    Keyboard* MidiInputKeyboard() const;
    // Its note engine, which incoming notes play through.
    NoteEngine* MidiInputEngine() const;

    // The MIDI output and input: chosen, watched, the input played through MidiInputKeyboard.
    Devices& devices() { return *devices_; }

    // Every keyboard sends the Note Offs of what it holds (nothing goes out while the output is
    // off: then they only forget) and forgets its latched notes and marks.
    void ReleaseKeyboards();

    // Set when the close has run its shutdown; a second close does nothing.
    bool unloaded() const { return unloaded_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The tests' driver reaches the controls as a user does: menus, status line, MIDI dialog.
    friend class MainWindowDriver;

    QAction* mnuChiudi = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuModifica = nullptr;
    QMenu* mnuLingua = nullptr;
    QAction* mnuItaliano = nullptr;
    QAction* mnuInglese = nullptr;
    QAction* mnuVisBarraStato = nullptr;
    QAction* mnuVelocita = nullptr; // velocity from where a key is struck
    QAction* mnuMidi = nullptr;
    QAction* mnuSaveMidi = nullptr; // what was played, as a MIDI file
    QAction* mnuGuida = nullptr;
    QAction* mnuInfo = nullptr;

    // Status bar strip and its fields.
    QWidget* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    // After the six fields: what the MIDI devices did last (gone, back, refused).
    QLabel* LabelMidi = nullptr;

    std::array<QTimer*, 23> Timer1{}; // 1..22

    QPointer<frmAbout> AboutBox;
    QPointer<frmMidi> MidiBox;

    // Creates the window of a kind, not yet loaded: the one place that knows which class each
    // kind is. OpenWindowKind connects its signals, loads and shows it; the reopening timers,
    // Cascade and Maximize follow from WindowKindTable. A new kind needs more than a case here
    // (its number and row in WindowKindTable, the window class, its menu item, and where it
    // mirrors or plays MIDI input): docs/architecture.md lists the steps.
    ChildWindow* createChild(int kind);
    // Connects the windows that show each other's values: the part windows, the volume window and
    // the program pages. None holds another; the value goes up as a signal and is handed here to
    // the window that shows it, when that one is open.
    void connectMirrors(ChildWindow* child);
    // Shows a window that is in the area, connected and loaded, where its load placed it.
    void showChild(ChildWindow* child);
    void childUnloaded(int kind);
    // Brings every menu item in step with the open windows.
    void updateMenus();
    QAction* menuItemOfKind(int kind) const;

    void buildMenus();
    void buildStatusBar();
    void Form_Load();
    void Form_Unload();
    void storePlacement();
    void rebuildWindowList();
    void layoutStatusFields();

    AppState& state_;
    std::function<void()> onUnload_;
    Devices* devices_ = nullptr;
    QMdiArea* mdiArea_ = nullptr;
    std::array<QPointer<ChildWindow>, WindowKind::LastStored + 1> windows_{}; // by kind
    // Program pages whose menu item opened them: the item stays disabled until the page unloads.
    std::array<bool, WindowKind::LastStored + 1> heldByMenu_{};
    bool childLoaded_ = false; // the Window menu is enabled from the first child's load on
    bool unloaded_ = false;
};
