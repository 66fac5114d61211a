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
