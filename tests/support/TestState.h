#pragma once

#include "app/AppState.h"
#include "support/RecordingPort.h"
#include "support/RecordingSink.h"

#include <QTemporaryDir>
#include <memory>

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
    bool configHomeWasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
};
