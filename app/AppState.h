#pragma once

#include "app/NoteTable.h"
#include "app/ProgramNames.h"
#include "app/Settings.h"
#include "app/WindowKinds.h"
#include "app/strings/Messages.h"
#include "app/strings/StringTable.h"
#include "midi/Midi.h"
#include "midi/ports/MidiInput.h"

#include <QString>
#include <cstdint>
#include <utility>

// Shows the MIDI module's device messages through `messages`, under the product title, once the
// send or load that failed has returned.
inline Midi::MessageHandler ShowMidiMessages(Messages& messages) {
    return [&messages](int number) { messages.ShowMessageLater(number, ProductTitle); };
}

// Sets a flag for its lifetime, then gives it back the value it had.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : flag_(flag), before_(std::exchange(flag, true)) {}
    ~FlagScope() { flag_ = before_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& flag_;
    bool before_;
};

// The program's shared state: the settings tables and every flag and table the windows share.
// Main creates one and hands it by reference to every window; a test builds a fresh one.
struct AppState : SettingsTables {
    AppState() : messages(LanguageBase) { midi.setMessageHandler(ShowMidiMessages(messages)); }
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Folder of the data files (the current directory at start) and the files in it.
    QString ProgramFolder;
    QString SettingsFile;
    QString GMNamesFile;
    QString NotepadFile;

    int LanguageBase = 0; // (LanguageCode - 1) * 200
    QString OperationTitle;
    bool StartAborted = false;

    // "Velocity from the click's height" (Preferences menu, kept in PreferencesFile()): a key
    // struck with the mouse or a finger sends the velocity of where it was struck.
    bool VelocityFromHeight = false;

    NoteTable HeldNotes;       // latched notes, shared by all part windows
    NoteTable MasterHeldNotes; // latched notes of the master keyboard

    ProgramNameTable GMProgramNames;

    Messages messages;
    Midi midi;
    MidiInput midiIn; // played through the parts by the main window; opened by the start-up

    // Window record `kind` (0..24).
    WindowRec& windowRecord(int kind) { return WindowRecs.at(kind); }
    // Whether window record `kind` has its Open flag at 1 (the window is open, or was open when
    // the program last closed); changes nothing.
    bool IsWindowOpen(int kind) const { return WindowRecs.at(kind).Open == 1; }

    // Row `row` of part `part`'s column of PartParams.
    std::uint8_t& partRow(int part, int row) { return PartParams.at(part).at(row); }
    // The part that the program pages and the volume window act on: the last part played,
    // clicked or opened (0 before any).
    int currentPart() const { return currentPart_; }
    void makeCurrent(int part) { currentPart_ = part; }
    // The program page shown last (its window kind, 0 before any).
    int programPage() const { return programPage_; }
    void showProgramPage(int kind) { programPage_ = kind; }
    // Makes `part` current and chooses the program page that lists its program (page 1 programs
    // 1..64, page 2 programs 65..128); returns that page's window kind.
    int selectProgramPageFor(int part);

    // Set once the main window closes: every window then closes without asking or waiting.
    bool appClosing() const { return appClosing_; }
    void beginClosing() { appClosing_ = true; }
    // A new run of the program on this state: no part current, not closing.
    void startSession() {
        currentPart_ = 0;
        appClosing_ = false;
    }

    // True while the main window reopens the windows that were open at the last close: a part
    // window then mirrors nothing into the volume window (see WindowKindInfo::restores).
    bool restoringWindows() const { return restoringWindows_; }

    // True while a child window loads: its controls are being set from the tables, and what
    // their handlers would store or limit is not done.
    bool windowLoading() const { return windowLoading_; }
    // Set WindowLoading and RestoringWindows for their lifetime, then give back the value they
    // found: a load that runs inside another never clears the flag the outer one set. Child
    // windows hold a WindowLoadingScope around their load (ChildWindow::Load) and the main window
    // a RestoringWindowsScope around reopening a window at start; nothing else sets the flags.
    struct WindowLoadingScope : FlagScope {
        explicit WindowLoadingScope(AppState& state) : FlagScope(state.windowLoading_) {}
    };
    struct RestoringWindowsScope : FlagScope {
        explicit RestoringWindowsScope(AppState& state) : FlagScope(state.restoringWindows_) {}
    };

    // Takes LanguageBase from LanguageCode: the language the program speaks until the next
    // start (a language chosen in the menu waits for it).
    void takeLanguageBase() { LanguageBase = LanguageBaseOf(LanguageCode); }

    QString ResString(int n) const; // the string table entry LanguageBase + n

  private:
    bool windowLoading_ = false;
    bool restoringWindows_ = false;
    bool appClosing_ = false;
    int currentPart_ = 0;
    int programPage_ = 0;
};
