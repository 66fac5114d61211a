#include "midi/ports/MidiMapper.h"

#include "midi/ports/PortIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QtGlobal>

QString MidiChoiceFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quintaro/midi.conf");
}

QString StableChoice(const QString& choice) {
    const QString value = choice.trimmed();
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0 || value.left(colon).compare(QStringLiteral("alsa"), Qt::CaseInsensitive) != 0)
        return value;
    return value.left(colon + 1) +
           QString::fromStdString(StablePortIdentity(value.mid(colon + 1).toStdString()));
}

QString RememberedMidiChoice(const QString& key) {
    const QSettings file(MidiChoiceFile(), QSettings::IniFormat);
    return StableChoice(file.value(key).toString());
}

bool RememberMidiChoice(const QString& key, const QString& choice) {
    QDir().mkpath(QFileInfo(MidiChoiceFile()).path());
    QSettings file(MidiChoiceFile(), QSettings::IniFormat);
    file.setValue(key, StableChoice(choice));
    file.sync();
    return file.status() == QSettings::NoError;
}

QString StartOutputChoice() {
    const QString fromEnvironment = qEnvironmentVariable("QUINTARO_MIDI_OUT");
    return fromEnvironment.isEmpty() ? RememberedMidiChoice(QStringLiteral("output"))
                                     : fromEnvironment;
}

QString StartInputChoice() {
    const QString fromEnvironment = qEnvironmentVariable("QUINTARO_MIDI_IN").trimmed();
    const QString choice =
        fromEnvironment.isEmpty() ? RememberedMidiChoice(QStringLiteral("input")) : fromEnvironment;
    return choice.isEmpty() ? QStringLiteral("none") : choice;
}
