#include "app/strings/StringTable.h"

QString LoadResString(int) { return {}; }
