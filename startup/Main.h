#pragma once

#include "app/AppState.h"

#include <QString>
#include <functional>
#include <memory>

class frmMain;

// What the start-up takes from its surroundings, so that a test can stand in for the dialog and
// the MIDI mapper.
struct StartupHooks {
    // Shows the language dialog modally; sets LanguageCode, or StartAborted when closed unchosen.
    std::function<void(AppState&)> chooseLanguage;
    // The port the MIDI mapper reaches; null when the user chose no output (start silent).
    std::function<std::unique_ptr<MidiPort>()> makePort;
    // The MIDI input's port, named as MidiInput::open takes it ("none": no input).
    QString midiInChoice = QStringLiteral("none");
};

// The start routine: settings, language, program names, MIDI output, then the main window,
// which it shows. Returns nullptr when the start-up stopped before a window appeared.
std::unique_ptr<frmMain> Main(AppState& state, const QString& currentDirectory,
                              const StartupHooks& hooks);

// Start-up steps 3 to 9: the folder and file paths, the settings record (or the first run with
// its language dialog), the language, the program-name table. Sets StartAborted on failure.
void LoadSettings(AppState& state, const QString& currentDirectory, const StartupHooks& hooks);

// The shutdown's last two steps, run by the main window's unload: the MIDI output is closed and
// the settings record written. The main window has already stored its placement.
void Shutdown(AppState& state);

// Writes the settings record: the file's record is read, the program's positions overwritten and
// the result replaces the file. A failure is reported with ReportFileError. Returns success.
bool SaveSettings(AppState& state);
