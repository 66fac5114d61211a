// Devices: the built-in synthesizer's SoundFont and level.
#include "app/AppState.h"
#include "app/PartStates.h"
#include "app/strings/Translation.h"
#include "devices/Devices.h"
#include "devices/MidiDeviceWatch.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/SynthPort.h"

#include <QFileInfo>
#include <QThread>
#include <atomic>

namespace {

SynthPort* SynthOutput(Midi& midi) {
    return dynamic_cast<SynthPort*>(midi.port());
}

} // namespace

QString Devices::SoundFont() const {
    return soundFontThisRun_.isEmpty() ? QString::fromStdString(SynthPort::FindSoundFont())
                                       : soundFontThisRun_;
}

std::vector<PortChoice> Devices::outputs() const {
    std::vector<PortChoice> choices = OutputChoices();
    for (PortChoice& choice : choices)
        if (choice.kind == u"synth" && !soundFontThisRun_.isEmpty())
            choice.name = QFileInfo(soundFontThisRun_).fileName();
    return choices;
}

bool Devices::ChooseSoundFont(const QString& path) {
    if (loader_ != nullptr)
        return false;
    // What sounds ends before the old synthesizer goes quiet for the load.
    releaseKeyboards_();
    router_.releaseAll();
    const bool toOutput = SynthOutput(state_.midi) != nullptr;
    if (toOutput)
        for (int channel = 0; channel < 16; ++channel)
            state_.midi.SendAllNotesOff(channel);

    // Made here, so that what its audio says later reaches this thread; loaded on the loader's.
    // While the synthesizer is not the output, the file is only tried offline.
    loadedPort_ = std::make_unique<SynthPort>(path.toStdString());
    SynthPort* port = loadedPort_.get();
    auto ok = std::make_shared<std::atomic<bool>>(false);
    loader_ = QThread::create([port, toOutput, ok] {
        ok->store(toOutput ? port->preload() == MidiError::NoError
                           : SynthPort::createOffline(port->soundFontPath()) != nullptr);
    });
    connect(loader_, &QThread::finished, this, [this, path, toOutput, ok] {
        soundFontDone(path, toOutput && ok->load(), ok->load());
    });
    loader_->start();
    const QString name = QFileInfo(path).fileName();
    emit statusChanged(
        Language(state_.LanguageCode).translate("Devices", "Loading SoundFont %1…").arg(name));
    emit soundFontLoading(path);
    return true;
}

void Devices::soundFontDone(const QString& path, bool preloaded, bool ok) {
    loader_->wait();
    loader_->deleteLater();
    loader_ = nullptr;
    std::unique_ptr<SynthPort> port = std::move(loadedPort_);
    const QString name = QFileInfo(path).fileName();
    const Language language(state_.LanguageCode);
    if (!ok) {
        emit statusChanged(language.translate("Devices", "Not a readable SoundFont: %1").arg(name));
        emit soundFontLoaded(path, false);
        return;
    }
    soundFontThisRun_ = path;
    RememberMidiChoice(QStringLiteral("soundfont"), path);
    // The synthesizer loaded for the output replaces the old one, and learns every part's state
    // as after a switch; what was held while it loaded ends first.
    if (preloaded && SynthOutput(state_.midi) != nullptr) {
        releaseKeyboards_();
        router_.releaseAll();
        const bool works = SwitchOutput(state_, std::move(port));
        watch_->setOutputChoice(works ? QStringLiteral("synth") : QStringLiteral("none"));
    }
    emit statusChanged(language.translate("Devices", "SoundFont: %1").arg(name));
    emit soundFontLoaded(path, true);
}

double Devices::SynthGain() {
    return SynthPort::RememberedGain();
}

double Devices::SynthGainMin() {
    return SynthPort::MinGain;
}

double Devices::SynthGainMax() {
    return SynthPort::MaxGain;
}

void Devices::SetSynthGain(double gain) {
    RememberMidiChoice(QStringLiteral("gain"), QString::number(gain, 'f', 2));
    if (SynthPort* synth = SynthOutput(state_.midi))
        synth->setGain(gain);
}
