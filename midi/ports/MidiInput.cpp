#include "midi/ports/MidiInput.h"

#include <rtmidi/RtMidi.h>

#include <QtGlobal>

namespace {

constexpr const char* ClientName = "Quintaro";
constexpr const char* InputName = "Quintaro input";
// The program's own output port: never taken as a source, or what it sends would come back.
constexpr const char* OwnOutputName = "Quintaro output";

RtMidi::Api ToRtMidi(MidiInput::Api api) {
    return api == MidiInput::Api::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

// An RtMidiIn of a named API (a default one throws where ALSA has no sequencer), errors thrown
// rather than printed.
std::unique_ptr<RtMidiIn> MakeIn(MidiInput::Api api, std::string& error) {
    try {
        auto in = std::make_unique<RtMidiIn>(ToRtMidi(api), ClientName);
        in->setErrorCallback([](RtMidiError::Type, const std::string& text,
                                void* target) { *static_cast<std::string*>(target) = text; },
                             &error);
        return in;
    } catch (const RtMidiError& e) {
        error = e.getMessage();
        return nullptr;
    }
}

bool OwnPort(const std::string& name) {
    return name.find(OwnOutputName) != std::string::npos ||
           name.find(InputName) != std::string::npos;
}

} // namespace

MidiInput::MidiInput() = default;

MidiInput::~MidiInput() {
    close();
}

QStringList MidiInput::ports(Api api) {
    QStringList names;
    std::string error;
    const std::unique_ptr<RtMidiIn> in = MakeIn(api, error);
    if (in == nullptr)
        return names;
    try {
        const unsigned int count = in->getPortCount();
        for (unsigned int i = 0; i < count; ++i)
            if (const std::string name = in->getPortName(i); !OwnPort(name))
                names << QString::fromStdString(name);
    } catch (const RtMidiError&) {
    }
    return names;
}

bool MidiInput::open(const QString& choice) {
    close();
    const QString value = choice.trimmed();
    const qsizetype colon = value.indexOf(u':');
    const QString kind = (colon < 0 ? value : value.left(colon)).toLower();
    const std::string filter = colon < 0 ? std::string() : value.mid(colon + 1).toStdString();
    lastError_.clear();

    if (value.isEmpty() || (kind == u"none" && colon < 0))
        return true;
    if (kind != u"alsa" && kind != u"jack") {
        lastError_ = "\"" + value.toStdString() +
                     "\" is not understood; accepted: alsa, alsa:NAME, jack, jack:NAME, none";
        return false;
    }
    const Api api = kind == u"alsa" ? Api::Alsa : Api::Jack;
    std::unique_ptr<RtMidiIn> in = MakeIn(api, lastError_);
    if (in == nullptr)
        return false;
    try {
        const unsigned int count = in->getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            const std::string name = in->getPortName(i);
            if (OwnPort(name) || name.find(filter) == std::string::npos)
                continue;
            receiver_ = std::make_unique<QObject>();
            in->setCallback(
                [](double, std::vector<unsigned char>* message, void* self) {
                    static_cast<MidiInput*>(self)->deliver(
                        std::vector<std::uint8_t>(message->begin(), message->end()));
                },
                this);
            in->openPort(i, InputName);
            if (!in->isPortOpen()) {
                receiver_.reset();
                return false;
            }
            in_ = std::move(in);
            choice_ = value;
            openPortName_ = name;
            return true;
        }
        lastError_ = "no MIDI input port matches \"" + filter + "\"";
    } catch (const RtMidiError& e) {
        lastError_ = e.getMessage();
    }
    receiver_.reset();
    return false;
}

void MidiInput::close() {
    if (in_ != nullptr) {
        try {
            // Closing stops RtMidi's thread: no callback runs after this.
            in_->cancelCallback();
            in_->closePort();
        } catch (const RtMidiError&) {
        }
        in_.reset();
    }
    // Messages already queued for the closed port go with their receiver.
    receiver_.reset();
    choice_ = QStringLiteral("none");
    openPortName_.clear();
}

bool MidiInput::isOpen() const {
    return in_ != nullptr && in_->isPortOpen();
}

// On RtMidi's thread: only queues the message for the receiver's thread.
void MidiInput::deliver(std::vector<std::uint8_t> message) {
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this, message = std::move(message)] {
            if (handler_)
                handler_(message);
        },
        Qt::QueuedConnection);
}
