#include "midi/ports/MidiMapper.h"

#include "midi/ports/FileCapturePort.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/PortIdentity.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QtGlobal>

std::unique_ptr<MidiPort> CreateMappedPort() {
    const QString choice = StartOutputChoice();
    if (choice == u"none" && qEnvironmentVariable("QUINTARO_MIDI_OUT").isEmpty())
        return nullptr; // no output, chosen in the program: nothing to report at start
    return CreatePortFor(choice);
}

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

std::vector<PortChoice> OutputChoices() {
    std::vector<PortChoice> choices;
    // The SoundFont by the name of its file, not of the link the system names it by.
    const QFileInfo soundFont(QString::fromStdString(SynthPort::FindSoundFont()));
    const QString canonical = soundFont.canonicalFilePath();
    choices.push_back(
        {QStringLiteral("synth"), QStringLiteral("synth"),
         QFileInfo(canonical.isEmpty() ? soundFont.filePath() : canonical).fileName()});
    for (const auto& [api, kind] : {std::pair{RtMidiPort::Api::Alsa, QStringLiteral("alsa")},
                                    std::pair{RtMidiPort::Api::Jack, QStringLiteral("jack")}})
        for (const std::string& name : RtMidiPort::PortNames(api)) {
            const QString text = QString::fromStdString(name);
            choices.push_back({StableChoice(kind + u':' + text), kind, text});
        }
    choices.push_back({QStringLiteral("none"), QStringLiteral("none"), QString()});
    return choices;
}

QString StartInputChoice() {
    const QString fromEnvironment = qEnvironmentVariable("QUINTARO_MIDI_IN").trimmed();
    const QString choice =
        fromEnvironment.isEmpty() ? RememberedMidiChoice(QStringLiteral("input")) : fromEnvironment;
    return choice.isEmpty() ? QStringLiteral("none") : choice;
}

std::vector<PortChoice> InputChoices() {
    std::vector<PortChoice> choices;
    for (const auto& [api, kind] : {std::pair{MidiInput::Api::Alsa, QStringLiteral("alsa")},
                                    std::pair{MidiInput::Api::Jack, QStringLiteral("jack")}})
        for (const QString& name : MidiInput::ports(api))
            choices.push_back({StableChoice(kind + u':' + name), kind, name});
    choices.push_back({QStringLiteral("none"), QStringLiteral("none"), QString()});
    return choices;
}

std::unique_ptr<MidiPort> CreatePortFor(const QString& choice) {
    const QString value = choice.trimmed();
    const qsizetype colon = value.indexOf(u':');
    const QString kind = (colon < 0 ? value : value.left(colon)).toLower();
    const QString argument = colon < 0 ? QString() : value.mid(colon + 1);

    if (value.isEmpty() || (kind == u"synth" && colon < 0))
        return std::make_unique<SynthPort>();
    if (kind == u"alsa")
        return std::make_unique<RtMidiPort>(RtMidiPort::Api::Alsa, argument.toStdString());
    if (kind == u"jack")
        return std::make_unique<RtMidiPort>(RtMidiPort::Api::Jack, argument.toStdString());
    if (kind == u"capture" && !argument.isEmpty())
        return std::make_unique<FileCapturePort>(argument.toLocal8Bit().toStdString());
    if (kind == u"none" && colon < 0)
        return std::make_unique<NullPort>();

    qWarning("QUINTARO_MIDI_OUT=\"%s\" is not understood; no MIDI output. Accepted values: "
             "synth (the default), alsa, alsa:NAME, jack, jack:NAME, capture:FILE, none.",
             qUtf8Printable(choice));
    return std::make_unique<NullPort>();
}
