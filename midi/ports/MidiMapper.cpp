#include "midi/ports/MidiMapper.h"

#include "midi/ports/FileCapturePort.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"

#include <QtGlobal>

std::unique_ptr<MidiPort> CreateMappedPort() {
    return CreatePortFor(qEnvironmentVariable("QUINTARO_MIDI_OUT"));
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
