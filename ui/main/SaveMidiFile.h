#pragma once

#include <QString>

struct AppState;
class QWidget;

// "Save MIDI file…": asks for a file name in Qt's own file dialog (a ".mid" suffix added when the
// name has none) and saves what the recorder holds as a Standard MIDI File, through a temporary
// file and a rename. A failure is reported as the program reports a file error. The dialog is
// the menu item's own, run from the menu handler, never from inside a send or a load.
void SaveMidiFile(AppState& state, QWidget* parent);

// Writes what the recorder holds at this moment to `path`; false, with errno's value in
// `errnoValue`, when the file could not be written.
bool WriteMidiFile(const AppState& state, const QString& path, int& errnoValue);

// The menu item's text in the program's language.
QString SaveMidiFileText(const AppState& state);
