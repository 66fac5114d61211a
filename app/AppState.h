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

// Shows the MIDI module's device messages through `messages`, under the product title, once the
// send or load that failed has returned.
inline Midi::MessageHandler ShowMidiMessages(Messages& messages) {
    return [&messages](int number) { messages.ShowMessageLater(number, ProductTitle); };
}

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

    int CurrentPart = 0;
    bool AppClosing = false;
    bool RestoringWindows = false;
    bool WindowLoading = false;
    int GMPageSelector = 0;

    WindowRec ScratchRec;      // the shared working record of LoadWindowRecord
    NoteTable HeldNotes;       // latched notes, shared by all part windows
    NoteTable MasterHeldNotes; // latched notes of the master keyboard

    ProgramNameTable GMProgramNames;

    Messages messages;
    Midi midi;
    MidiInput midiIn; // played through the parts by the main window; opened by the start-up

    // Copies window record `kind` (0..24) into ScratchRec; true when its Open flag is 1.
    bool LoadWindowRecord(int kind) {
        ScratchRec = WindowRecs.at(kind);
        return ScratchRec.Open == 1;
    }
    // Whether window record `kind` has its Open flag at 1 (the window is open, or was open when
    // the program last closed); changes nothing.
    bool IsWindowOpen(int kind) const { return WindowRecs.at(kind).Open == 1; }
    // Stores ScratchRec back as record `kind`.
    void StoreWindowRecord(int kind) { WindowRecs.at(kind) = ScratchRec; }

    QString ResString(int n) const; // the string table entry LanguageBase + n
};
