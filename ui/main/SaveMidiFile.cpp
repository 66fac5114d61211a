#include "ui/main/SaveMidiFile.h"

#include "app/AppState.h"
#include "app/PartStates.h"
#include "app/SettingsFile.h"
#include "app/strings/Translation.h"
#include "midi/StandardMidiFile.h"

#include <QFileDialog>
#include <QLineEdit>

QString SaveMidiFileText(const AppState& state) {
    return Language::ofBase(state.LanguageBase).translate("SaveMidiFile", "Save MIDI file…");
}

bool WriteMidiFile(const AppState& state, const QString& path, int& errnoValue) {
    const std::vector<std::uint8_t> bytes = StandardMidiFile::Write(
        state.midi.recorder().take(), MidiFileTrackNames(state), ShownChannelStates(state));
    std::error_code error;
    const bool written = WriteWholeFile(path, bytes.data(), bytes.size(), error);
    errnoValue = error.value();
    return written;
}

void SaveMidiFile(AppState& state, QWidget* parent) {
    QString title = SaveMidiFileText(state);
    title.chop(1); // without the ellipsis
    QFileDialog dialog(parent, title, state.ProgramFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(
        Language::ofBase(state.LanguageBase).translate("SaveMidiFile", "MIDI (*.mid *.midi)"));
    dialog.setDefaultSuffix(QStringLiteral("mid"));
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setFocus();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    int errnoValue = 0;
    if (!WriteMidiFile(state, dialog.selectedFiles().constFirst(), errnoValue))
        state.messages.ReportFileError(title, errnoValue);
}
