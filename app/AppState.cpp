#include "app/AppState.h"

#include "app/strings/StringTable.h"

QString AppState::ResString(int n) const {
    return LoadResString(LanguageBase + n);
}

int AppState::selectProgramPageFor(int part) {
    currentPart_ = part;
    programPage_ =
        partRow(part, PartRow::ProgramNumber) < 65 ? WindowKind::GMPage1 : WindowKind::GMPage2;
    return programPage_;
}
