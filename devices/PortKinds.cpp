#include "devices/PortKinds.h"

#include "app/strings/Translation.h"
#include "midi/ports/FileCapturePort.h"
#include "midi/ports/JackOutput.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/PortIdentity.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"

#include <QFileInfo>
#include <QtGlobal>
#include <array>

namespace {

std::vector<PortChoice> Nothing() {
    return {};
}
bool NeverSame(const std::string&, const std::string&) {
    return false;
}

QString SynthCaption(const QString& name, int languageCode, bool) {
    const Language language(languageCode);
    return name.isEmpty() ? language.translate("PortKinds", "Synth GM")
                          : language.translate("PortKinds", "Synth GM (%1)").arg(name);
}
std::vector<PortChoice> SynthOutputs() {
    // The SoundFont by the name of its file, not of the link the system names it by.
    const QFileInfo soundFont(QString::fromStdString(SynthPort::FindSoundFont()));
    const QString canonical = soundFont.canonicalFilePath();
    return {{QStringLiteral("synth"), QStringLiteral("synth"),
             QFileInfo(canonical.isEmpty() ? soundFont.filePath() : canonical).fileName()}};
}

QString AlsaCaption(const QString& name, int languageCode, bool) {
    return Language(languageCode).translate("PortKinds", "ALSA: %1").arg(name);
}
QString JackCaption(const QString& name, int languageCode, bool) {
    return Language(languageCode).translate("PortKinds", "JACK: %1").arg(name);
}
std::vector<PortChoice> PortsOf(const QString& kind, const std::vector<std::string>& names) {
    std::vector<PortChoice> choices;
    for (const std::string& name : names) {
        const QString text = QString::fromStdString(name);
        choices.push_back({StableChoice(kind + u':' + text), kind, text});
    }
    return choices;
}
std::vector<PortChoice> InputsOf(const QString& kind, const QStringList& names) {
    std::vector<PortChoice> choices;
    for (const QString& name : names)
        choices.push_back({StableChoice(kind + u':' + name), kind, name});
    return choices;
}

QString NoneCaption(const QString&, int languageCode, bool input) {
    const Language language(languageCode);
    return input ? language.translate("PortKinds", "No input")
                 : language.translate("PortKinds", "No output");
}
std::vector<PortChoice> NoneEntry() {
    return {{QStringLiteral("none"), QStringLiteral("none"), QString()}};
}

using Argument = PortKind::Argument;
const std::array<PortKind, 5> Kinds{{
    {QStringLiteral("synth"), Argument::Refused, false, SynthCaption, SynthOutputs, Nothing,
     [](const QString&) -> std::unique_ptr<MidiPort> { return std::make_unique<SynthPort>(); },
     NeverSame},
    {QStringLiteral("alsa"), Argument::Optional, true, AlsaCaption,
     [] { return PortsOf(QStringLiteral("alsa"), RtMidiPort::PortNames()); },
     [] { return InputsOf(QStringLiteral("alsa"), MidiInput::ports(MidiInput::Api::Alsa)); },
     [](const QString& name) -> std::unique_ptr<MidiPort> {
         return std::make_unique<RtMidiPort>(name.toStdString());
     },
     SameDevice},
    {QStringLiteral("jack"), Argument::Optional, true, JackCaption,
     [] { return PortsOf(QStringLiteral("jack"), JackOutput::PortNames()); },
     [] { return InputsOf(QStringLiteral("jack"), MidiInput::ports(MidiInput::Api::Jack)); },
     [](const QString& name) -> std::unique_ptr<MidiPort> {
         return std::make_unique<JackOutput>(name.toStdString());
     },
     SameDevice},
    {QStringLiteral("capture"), Argument::Required, false, nullptr, Nothing, Nothing,
     [](const QString& file) -> std::unique_ptr<MidiPort> {
         return std::make_unique<FileCapturePort>(file.toLocal8Bit().toStdString());
     },
     NeverSame},
    {QStringLiteral("none"), Argument::Refused, false, NoneCaption, NoneEntry, NoneEntry,
     [](const QString&) -> std::unique_ptr<MidiPort> { return std::make_unique<NullPort>(); },
     NeverSame},
}};

} // namespace

std::span<const PortKind> PortKinds() {
    return Kinds;
}

const PortKind* KindOf(const QString& choice) {
    const QString value = choice.trimmed();
    if (value.isEmpty())
        return &Kinds.front();
    const QString prefix = value.section(u':', 0, 0).toLower();
    for (const PortKind& kind : Kinds)
        if (kind.prefix == prefix)
            return &kind;
    return nullptr;
}

std::unique_ptr<MidiPort> CreateMappedPort() {
    const QString choice = StartOutputChoice();
    if (choice == u"none" && qEnvironmentVariable("QUINTARO_MIDI_OUT").isEmpty())
        return nullptr; // no output, chosen in the program: nothing to report at start
    return CreatePortFor(choice);
}

std::unique_ptr<MidiPort> CreatePortFor(const QString& choice) {
    const QString value = choice.trimmed();
    const qsizetype colon = value.indexOf(u':');
    const QString argument = colon < 0 ? QString() : value.mid(colon + 1);
    if (const PortKind* kind = KindOf(value)) {
        const bool fits = kind->argument == Argument::Optional ||
                          (kind->argument == Argument::Refused && colon < 0) ||
                          (kind->argument == Argument::Required && !argument.isEmpty());
        if (fits)
            return kind->createOutput(argument);
    }
    qWarning("QUINTARO_MIDI_OUT=\"%s\" is not understood; no MIDI output. Accepted values: "
             "synth (the default), alsa, alsa:NAME, jack, jack:NAME, capture:FILE, none.",
             qUtf8Printable(choice));
    return std::make_unique<NullPort>();
}

std::vector<PortChoice> OutputChoices() {
    std::vector<PortChoice> choices;
    for (const PortKind& kind : Kinds)
        for (PortChoice& choice : kind.outputs())
            choices.push_back(std::move(choice));
    return choices;
}

std::vector<PortChoice> InputChoices() {
    std::vector<PortChoice> choices;
    for (const PortKind& kind : Kinds)
        for (PortChoice& choice : kind.inputs())
            choices.push_back(std::move(choice));
    return choices;
}

bool IsWatchedChoice(const QString& choice) {
    const PortKind* kind = KindOf(choice);
    return kind != nullptr && kind->comesAndGoes;
}
