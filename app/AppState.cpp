#include "app/AppState.h"

#include "app/strings/StringTable.h"

QString AppState::ResString(int n) const { return LoadResString(LanguageBase + n); }
