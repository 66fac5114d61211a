#include "devices/Devices.h"

#include "app/AppState.h"
#include "app/PartStates.h"
#include "devices/MidiDeviceWatch.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/SequencerOutput.h"
#include "midi/ports/SynthPort.h"

#include <QThread>

#include <QTimer>

Devices::Devices(AppState& state, IncomingNoteTarget target, std::function<void()> releaseKeyboards,
                 QObject* parent)
    : QObject(parent), state_(state), releaseKeyboards_(std::move(releaseKeyboards)),
      router_(state.midi, std::move(target), [&state] { return state.midiIn.isOpen(); }) {
    // An input that comes back is opened again only if it is not the output's own device.
    state_.midiIn.setOutputPortName([this] {
        const auto* out = dynamic_cast<const SequencerOutput*>(state_.midi.port());
        return out != nullptr && out->isOpen() ? out->openPortName() : std::string();
    });
    state_.midiIn.setHandler(
        [this](const std::vector<std::uint8_t>& message) { router_.handle(message); });
    state_.midi.setSendObserver(
        [this](const std::uint8_t* bytes, std::size_t size) { router_.sent(bytes, size); });
    watch_ = new MidiDeviceWatch(state_, router_, releaseKeyboards_,
                                 MidiDeviceWatch::SystemAccess(state_), this);
    watch_->setOutputChoice(StartOutputChoice());
    watch_->setInputChoice(state_.midiIn.isOpen() ? state_.midiIn.choice()
                                                  : QStringLiteral("none"));
    connect(watch_, &MidiDeviceWatch::statusChanged, this, &Devices::statusChanged);
    // Found while a message of the input is being played: the input closes once that is done.
    router_.setLoopBackHandler(
        [this] { QTimer::singleShot(0, watch_, [this] { watch_->refuseInput(); }); });
    if (!RefuseInputLoopingToOutput())
        router_.probeLoopBack(); // the input opened at start, next to the output
}

Devices::~Devices() {
    if (loader_ != nullptr)
        loader_->wait(); // the port it loads is ours
    state_.midiIn.setHandler({});
    state_.midiIn.setOutputPortName({});
    state_.midi.setSendObserver({});
}

bool Devices::RefuseInputLoopingToOutput() {
    const auto* out = dynamic_cast<const SequencerOutput*>(state_.midi.port());
    const PortKind* kind = KindOf(state_.midiIn.choice());
    if (out == nullptr || !out->isOpen() || !state_.midiIn.isOpen() || kind == nullptr ||
        !kind->sameDevice(state_.midiIn.openPortName(), out->openPortName()))
        return false;
    watch_->setInputChoice(state_.midiIn.choice());
    watch_->refuseInput();
    return true;
}

void Devices::SendAllStates() {
    ::SendAllStates(state_);
}

const QString& Devices::outputChoice() {
    if (outputChoice_.isEmpty())
        outputChoice_ = StartOutputChoice();
    return outputChoice_;
}

QString Devices::inputChoice() const {
    // An ALSA port by its stable identity, without the numbers, as the list offers it.
    const MidiInput& in = state_.midiIn;
    return in.isOpen() ? StableChoice(in.choice().section(u':', 0, 0).toLower() + u':' +
                                      QString::fromStdString(in.openPortName()))
                       : QStringLiteral("none");
}

const QString& Devices::status() const {
    return watch_->status();
}

bool Devices::ChooseOutput(const QString& choice) {
    // The keyboards and the input send the Note Offs (and the pedal's release, the wheels' rest)
    // of what they hold while the old port is still there, and forget it.
    releaseKeyboards_();
    router_.releaseAll();

    const bool none = choice.trimmed().compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0;
    outputChoice_ = choice;
    // The built-in synthesizer plays the SoundFont chosen in this run, if any.
    const bool chosenSynth = !soundFontThisRun_.isEmpty() && KindOf(choice) == KindOf({});
    const bool works = SwitchOutput(
        state_, none          ? nullptr
                : chosenSynth ? std::make_unique<SynthPort>(soundFontThisRun_.toStdString())
                              : CreatePortFor(choice));
    watch_->setOutputChoice(works ? choice : QStringLiteral("none"));
    if (!RefuseInputLoopingToOutput() && works)
        router_.probeLoopBack(); // a new output next to the open input
    // A port that failed is not what the next start should try again.
    if (works || none)
        RememberMidiChoice(QStringLiteral("output"), none ? QStringLiteral("none") : choice);
    return works;
}

bool Devices::ChooseInput(const QString& choice) {
    // The input in use stays until the new one is open: the release of what it holds comes
    // after, before any message of the new one is played (they wait for the event loop).
    const bool opened = state_.midiIn.open(choice);
    if (!opened) {
        qWarning("MIDI input \"%s\" not opened: %s", qUtf8Printable(choice),
                 state_.midiIn.lastError().c_str());
        return false;
    }
    router_.releaseAll();
    router_.reset();
    watch_->setInputChoice(state_.midiIn.isOpen() ? choice : QStringLiteral("none"));
    if (RefuseInputLoopingToOutput())
        return false;
    // A port that failed is not what the next start should try again.
    RememberMidiChoice(QStringLiteral("input"),
                       state_.midiIn.isOpen() ? choice : QStringLiteral("none"));
    return true;
}
