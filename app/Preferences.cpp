#include "app/Preferences.h"

#include "midi/ports/MidiMapper.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString VelocityKey = QStringLiteral("velocityFromHeight");
}

QString PreferencesFile() {
    return QFileInfo(MidiChoiceFile()).dir().filePath(QStringLiteral("preferences.conf"));
}

bool RememberedVelocityFromHeight() {
    return QSettings(PreferencesFile(), QSettings::IniFormat).value(VelocityKey, false).toBool();
}

bool RememberVelocityFromHeight(bool on) {
    QDir().mkpath(QFileInfo(PreferencesFile()).path());
    QSettings file(PreferencesFile(), QSettings::IniFormat);
    file.setValue(VelocityKey, on);
    file.sync();
    return file.status() == QSettings::NoError;
}

Zones RememberedZones() {
    QSettings file(PreferencesFile(), QSettings::IniFormat);
    Zones zones;
    for (int n = 1; n <= static_cast<int>(zones.size()); ++n) {
        file.beginGroup(QStringLiteral("zones/%1").arg(n));
        Zone zone;
        bool ok[3] = {true, true, true};
        zone.low = file.value(QStringLiteral("low"), zone.low).toInt(&ok[0]);
        zone.high = file.value(QStringLiteral("high"), zone.high).toInt(&ok[1]);
        zone.transpose = file.value(QStringLiteral("transpose"), zone.transpose).toInt(&ok[2]);
        file.endGroup();
        if (ok[0] && ok[1] && ok[2] && zone.valid())
            zones[n - 1] = zone;
    }
    return zones;
}

bool RememberZones(const Zones& zones) {
    QDir().mkpath(QFileInfo(PreferencesFile()).path());
    QSettings file(PreferencesFile(), QSettings::IniFormat);
    for (int n = 1; n <= static_cast<int>(zones.size()); ++n) {
        file.beginGroup(QStringLiteral("zones/%1").arg(n));
        file.setValue(QStringLiteral("low"), zones[n - 1].low);
        file.setValue(QStringLiteral("high"), zones[n - 1].high);
        file.setValue(QStringLiteral("transpose"), zones[n - 1].transpose);
        file.endGroup();
    }
    file.sync();
    return file.status() == QSettings::NoError;
}
