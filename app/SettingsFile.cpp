#include "app/SettingsFile.h"

std::vector<std::uint8_t> ReadSettingsFile(const QString&, std::error_code&) { return {}; }
bool WriteSettingsFile(const QString&, const SettingsRecord&, std::error_code&) { return false; }
