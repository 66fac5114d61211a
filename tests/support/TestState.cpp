#include "support/TestState.h"

#include "app/strings/StringTable.h"

#include <memory>

TestState::TestState(int languageCode) {
    qputenv("XDG_CONFIG_HOME", folder.filePath("config").toLocal8Bit());
    state.messages.setSink(&sink);
    ApplyFirstRunDefaults(state);
    state.LanguageCode = static_cast<std::uint8_t>(languageCode);
    state.LanguageBase = LanguageBaseOf(languageCode);

    state.ProgramFolder = folder.path();
    state.SettingsFile = folder.filePath("QuintaroV10.ini");
    state.GMNamesFile = folder.filePath("QuintaroProgGM.txt");
    state.NotepadFile = folder.filePath("BloccoNote.txt");

    state.GMProgramNames.loadFromBytes(ReadFile(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"));

    auto recording = std::make_unique<RecordingPort>();
    port = recording.get();
    state.midi.setPort(std::move(recording));
    state.midi.OpenMidiOutput();
    port->clear();
}

TestState::~TestState() {
    savedConfigHome.isNull() ? qunsetenv("XDG_CONFIG_HOME")
                             : qputenv("XDG_CONFIG_HOME", savedConfigHome);
}
