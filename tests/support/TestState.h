#pragma once

#include "app/AppState.h"
#include "support/RecordingPort.h"
#include "support/RecordingSink.h"

#include <QFile>
#include <QTemporaryDir>

// The bytes of a file, "missing" when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}
// Replaces the file's contents with `bytes`; false when it could not.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A fresh shared state for one test: first-run settings, the program-name file of the project,
// a recording message sink and an opened in-process capture port.
struct TestState {
    explicit TestState(int languageCode = 2);
    ~TestState(); // the user's configuration folder is the one of before again

    AppState state;
    RecordingSink sink;
    RecordingPort* port = nullptr; // owned by state.midi
    QTemporaryDir folder;          // the program folder of this test
    // The user's configuration folder (where the MIDI choices are remembered) is a folder of the
    // test's while it runs: a test never changes the real one.
    QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME"); // null when unset
};
