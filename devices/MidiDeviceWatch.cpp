#include "devices/MidiDeviceWatch.h"

#include "app/AppState.h"
#include "app/PartStates.h"
#include "app/strings/Translation.h"
#include "devices/MidiInputRouter.h"
#include "devices/PortKinds.h"
#include "midi/ports/PortWatcher.h"

MidiDeviceWatch::Access MidiDeviceWatch::SystemAccess(AppState& state) {
    Access access;
    // One enumerating client per API for the watch's whole life: a look costs no new client.
    auto ports = std::make_shared<PortWatcher>();
    access.inputPresent = [ports](const QString& choice) { return ports->inputPresent(choice); };
    access.outputPresent = [ports](const QString& choice) { return ports->outputPresent(choice); };
    access.inputConnected = [ports](const QString& choice) {
        return ports->inputConnected(choice);
    };
    access.outputConnected = [ports](const QString& choice) {
        return ports->outputConnected(choice);
    };
    access.listen = [ports](std::function<void()> changed) {
        ports->setChangeHandler(std::move(changed));
    };
    access.openInput = [&state](const QString& choice) { return state.midiIn.open(choice); };
    access.openOutput = [&state](const QString& choice) {
        return SwitchOutput(state, CreatePortFor(choice), false);
    };
    return access;
}

MidiDeviceWatch::MidiDeviceWatch(AppState& state, MidiInputRouter& router,
                                 std::function<void()> forgetKeyboards, Access access,
                                 QObject* parent)
    : QObject(parent), state_(state), router_(router), forgetKeyboards_(std::move(forgetKeyboards)),
      settle_(this) {
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        settled_ = true;
        check();
        settled_ = false;
    });
    setAccess(std::move(access));
}

void MidiDeviceWatch::setAccess(Access access) {
    access_ = std::move(access);
    if (access_.listen)
        access_.listen([this] { check(); });
}

// The first look, once the caller is done, also opens what hears the changes of the choice's API.
void MidiDeviceWatch::setOutputChoice(const QString& choice) {
    outputChoice_ = choice.trimmed();
    outputGone_ = false;
    QMetaObject::invokeMethod(this, &MidiDeviceWatch::check, Qt::QueuedConnection);
}

void MidiDeviceWatch::setInputChoice(const QString& choice) {
    inputChoice_ = choice.trimmed();
    inputGone_ = false;
    QMetaObject::invokeMethod(this, &MidiDeviceWatch::check, Qt::QueuedConnection);
}

void MidiDeviceWatch::check() {
    checkInput();
    checkOutput();
}

void MidiDeviceWatch::checkInput() {
    if (!IsWatchedChoice(inputChoice_))
        return;
    const bool present = access_.inputPresent(inputChoice_);
    if (!inputGone_ && (!present || lostConnection(access_.inputConnected, inputChoice_))) {
        // What the musician held goes up where it went, while the output is still there.
        router_.releaseAll();
        state_.midiIn.close();
        inputGone_ = true;
        say(QT_TRANSLATE_NOOP("MidiDeviceWatch", "MIDI In gone: %1"), inputChoice_);
    }
    if (inputGone_ && present && access_.openInput(inputChoice_)) {
        router_.reset();
        inputGone_ = false;
        say(QT_TRANSLATE_NOOP("MidiDeviceWatch", "MIDI In back: %1"), inputChoice_);
    }
}

void MidiDeviceWatch::checkOutput() {
    if (!IsWatchedChoice(outputChoice_))
        return;
    const bool present = access_.outputPresent(outputChoice_);
    if (!outputGone_ && (!present || lostConnection(access_.outputConnected, outputChoice_))) {
        // Nothing can reach the device: the output goes quiet without a message, and what the
        // keyboards and the input held is forgotten rather than sent into the void.
        state_.midi.setOutputEnabled(false);
        forgetKeyboards_();
        router_.releaseAll();
        outputGone_ = true;
        say(QT_TRANSLATE_NOOP("MidiDeviceWatch", "MIDI Out gone: %1"), outputChoice_);
    }
    if (outputGone_ && present && access_.openOutput(outputChoice_)) {
        outputGone_ = false;
        say(QT_TRANSLATE_NOOP("MidiDeviceWatch", "MIDI Out back: %1"), outputChoice_);
    }
}

// A port present whose connection to the program's own port stayed missing for the settling
// time: it went and came back between two looks, and is closed and opened again.
bool MidiDeviceWatch::lostConnection(const std::function<bool(const QString&)>& connected,
                                     const QString& choice) {
    if (!connected || connected(choice))
        return false;
    if (!settled_ && !settle_.isActive())
        settle_.start();
    return settled_;
}

void MidiDeviceWatch::refuseInput() {
    const QString refused = inputChoice_;
    router_.releaseAll();
    state_.midiIn.close();
    inputChoice_ = QStringLiteral("none");
    inputGone_ = false;
    say(QT_TRANSLATE_NOOP("MidiDeviceWatch", "MIDI In refused, it returns the output: %1"),
        refused);
}

void MidiDeviceWatch::say(const char* source, const QString& name) {
    status_ = Language(state_.LanguageCode).translate("MidiDeviceWatch", source).arg(name);
    emit statusChanged(status_);
}
