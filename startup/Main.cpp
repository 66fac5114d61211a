#include "startup/Main.h"

#include "app/PartStates.h"
#include "app/SettingsFile.h"
#include "ui/main/CachingStyle.h"
#include "ui/main/frmMain.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <exception>

namespace {

// The data-file folder: the current directory without a trailing separator, so that appending
// "/" and a file name always gives one separator (the root "/" becomes "").
QString ProgramFolderFrom(const QString& currentDirectory) {
    QString folder = QDir::cleanPath(currentDirectory);
    while (folder.endsWith('/'))
        folder.chop(1);
    return folder;
}

// A current directory the program can use as its folder: an absolute path to a folder that
// exists. A folder removed while a terminal sat in it has no path (or one marked unreachable),
// and an empty folder would put the data files at the root.
bool FolderResolvable(const QString& currentDirectory) {
    return QDir::isAbsolutePath(currentDirectory) && QFileInfo(currentDirectory).isDir();
}

void ReportAndAbort(AppState& state, const std::error_code& error) {
    state.messages.ReportFileError(state.OperationTitle, error.value());
    state.StartAborted = true;
}

} // namespace

void LoadSettings(AppState& state, const QString& currentDirectory, const StartupHooks& hooks) {
    if (!FolderResolvable(currentDirectory)) {
        ReportAndAbort(state, std::error_code(ENOENT, std::generic_category()));
        return;
    }
    state.ProgramFolder = ProgramFolderFrom(currentDirectory);
    state.SettingsFile = state.ProgramFolder + "/QuintaroV10.ini";
    state.GMNamesFile = state.ProgramFolder + "/QuintaroProgGM.txt";
    state.NotepadFile = state.ProgramFolder + "/BloccoNote.txt";
    state.startSession();

    std::error_code error;
    const std::vector<std::uint8_t> bytes = ReadSettingsFile(state.SettingsFile, error);
    if (error) {
        ReportAndAbort(state, error);
        return;
    }

    if (const std::optional<SettingsRecord> record = RecordFromFile(bytes)) {
        DecodeSettings(*record, state);
    } else {
        // First run: ask for the language, then store it with every first-run default at once,
        // as the exit would store them. A run that never reaches its exit (a crash, a power cut)
        // then leaves a record that plays as this run did, not one of zeros and blanks that the
        // next start would read as parts at volume 0, velocity 0 and an octave down.
        state.LanguageCode = 0;
        if (hooks.chooseLanguage)
            hooks.chooseLanguage(state);
        if (state.StartAborted || (state.LanguageCode != 1 && state.LanguageCode != 2)) {
            state.StartAborted = true;
            return;
        }
        const std::uint8_t language = state.LanguageCode;
        ApplyFirstRunDefaults(state);
        state.LanguageCode = language;
        // A file that was there but could not be read as settings is kept beside the new one.
        if (!KeepUnreadableSettingsFile(state.SettingsFile, error) ||
            !WriteSettingsFile(state.SettingsFile, EncodeSettings(FirstRunRecord(language), state),
                               error)) {
            state.takeLanguageBase();
            ReportAndAbort(state, error);
            return;
        }
    }
    state.takeLanguageBase();

    const qint64 length = LoadProgramNameFile(state.GMNamesFile, state.GMProgramNames, error);
    const QString namesTitle = state.ResString(111) + QFileInfo(state.GMNamesFile).fileName();
    if (length < 0) {
        state.OperationTitle = namesTitle;
        ReportAndAbort(state, error);
    } else if (length == 0) {
        state.OperationTitle = namesTitle;
        state.messages.ShowMessage(27, state.OperationTitle);
        state.StartAborted = true;
    }
}

std::unique_ptr<frmMain> Main(AppState& state, const QString& currentDirectory,
                              const StartupHooks& hooks) {
    state.midi.resetOutputFlags();
    state.StartAborted = false;
    LoadSettings(state, currentDirectory, hooks);
    if (state.StartAborted)
        return nullptr;

    state.OperationTitle = state.ResString(113);
    try {
        bool noOutputChosen = false;
        if (hooks.makePort) {
            std::unique_ptr<MidiPort> port = hooks.makePort();
            noOutputChosen = port == nullptr;
            state.midi.setPort(std::move(port));
        }
        if (noOutputChosen) {
            state.midi.setOutputEnabled(false);
        } else {
            const std::uint32_t result = state.midi.OpenMidiOutput();
            // No handler runs yet: the device's own message is shown now, before the start goes on.
            state.messages.ShowPendingMessages();
            if (result != 0) {
                state.messages.ShowMessage(21, state.OperationTitle);
                state.midi.setOutputEnabled(false);
            } else if (state.midi.port()->startsEmpty()) {
                // A synthesizer made now plays piano on every channel until told otherwise: it
                // gets every stored state, which the windows' loads would only partly send.
                SendAllStates(state);
                state.messages.ShowPendingMessages();
            }
        }
    } catch (const std::exception&) {
        state.messages.ReportFileError(state.OperationTitle, EIO);
        return nullptr;
    }

    // A MIDI input that cannot be opened leaves the program playable from its own keys.
    if (!state.midiIn.open(hooks.midiInChoice))
        qWarning("MIDI input \"%s\" not opened: %s", qUtf8Printable(hooks.midiInChoice),
                 state.midiIn.lastError().c_str());

    CachingStyle::install();
    auto window = std::make_unique<frmMain>(state, [&state] { Shutdown(state); });
    window->showAsStored();
    return window;
}

bool SaveSettings(AppState& state) {
    state.OperationTitle = state.ResString(111) + QFileInfo(state.SettingsFile).fileName();
    std::error_code error;
    const std::vector<std::uint8_t> bytes = ReadSettingsFile(state.SettingsFile, error);
    if (error) {
        // Without the old record the bytes the program does not own would be lost: keep the file.
        state.messages.ReportFileError(state.OperationTitle, error.value());
        return false;
    }
    const SettingsRecord old = RecordFromFile(bytes).value_or(NewSettingsRecord());
    if (!WriteSettingsFile(state.SettingsFile, EncodeSettings(old, state), error)) {
        state.messages.ReportFileError(state.OperationTitle, error.value());
        return false;
    }
    return true;
}

void Shutdown(AppState& state) {
    state.OperationTitle = state.ResString(114);
    state.midiIn.close();
    if (state.midi.outputOpen())
        state.midi.CloseMidiOutput();
    // The windows are gone: what the device still has to say is shown before the settings go.
    state.messages.ShowPendingMessages();
    SaveSettings(state);
}
