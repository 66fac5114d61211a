#include "app/Settings.h"

// Placeholder bodies: replaced by the settings codec work.
bool HasSignature(const std::vector<std::uint8_t>&) { return false; }
SettingsRecord NewSettingsRecord() { return {}; }
void ApplyFirstRunDefaults(SettingsTables&) {}
void DecodeSettings(const SettingsRecord&, SettingsTables&) {}
SettingsRecord EncodeSettings(const SettingsRecord& old, const SettingsTables&) { return old; }
