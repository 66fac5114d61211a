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

    AppState state;
    RecordingSink sink;
    RecordingPort* port = nullptr; // owned by state.midi
    QTemporaryDir folder;          // the program folder of this test
};
