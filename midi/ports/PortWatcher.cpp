#include "midi/ports/PortWatcher.h"

#include "midi/ports/PortIdentity.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <QFileInfo>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* WatcherClientName = "Quintaro watcher";

// libjack prints why a client could not be opened (no server: five lines) to the terminal. While
// the watcher tries, on its thread, that is expected and kept quiet; everything else is printed
// as libjack prints it.
thread_local bool quietJack = false;

void PrintJackMessage(const char* text) {
    if (!quietJack)
        std::fprintf(stderr, "%s\n", text);
}

class QuietJack {
  public:
    QuietJack() {
        static std::once_flag installed;
        std::call_once(installed, [] {
            jack_set_error_function(PrintJackMessage);
            jack_set_info_function(PrintJackMessage);
        });
        quietJack = true;
    }
    ~QuietJack() { quietJack = false; }
    QuietJack(const QuietJack&) = delete;
    QuietJack& operator=(const QuietJack&) = delete;
};

} // namespace

// A JACK client that only reads the port lists: never activated, it takes no part in the
// server's process cycle.
struct PortWatcher::Jack {
    jack_client_t* client = nullptr;
    std::atomic<bool> shutDown{false};
    Clock::time_point nextTry{};

    ~Jack() {
        if (client != nullptr && !shutDown.load())
            jack_client_close(client);
    }

    bool reachable() {
        if (client != nullptr && shutDown.load()) {
            // The server went away (one may run again already). The client is not closed:
            // libjack deletes the clients of a server that died itself, at the next client
            // opened in the program, and closing one after that would close freed memory.
            client = nullptr;
            shutDown.store(false);
            nextTry = {};
        }
        if (client != nullptr)
            return true;
        if (Clock::now() < nextTry)
            return false;
        const QuietJack quiet;
        jack_status_t status{};
        client = jack_client_open(WatcherClientName, JackNoStartServer, &status);
        if (client == nullptr) {
            nextTry = Clock::now() + RetryInterval;
            return false;
        }
        jack_on_shutdown(
            client, [](void* self) { static_cast<Jack*>(self)->shutDown.store(true); }, this);
        return true;
    }

    std::vector<std::string> list(bool sources) {
        std::vector<std::string> names;
        if (!reachable())
            return names;
        if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                                sources ? JackPortIsOutput : JackPortIsInput)) {
            for (const char** port = ports; *port != nullptr; ++port)
                if (!IsOwnPort(*port))
                    names.emplace_back(*port);
            jack_free(ports);
        }
        return names;
    }
};

// An ALSA sequencer client for each direction (RtMidi lists sources through an input, and
// destinations through an output), without ports.
struct PortWatcher::Alsa {
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    Clock::time_point nextTry{};

    bool reachable() {
        if (in != nullptr && out != nullptr)
            return true;
        if (Clock::now() < nextTry)
            return false;
        nextTry = Clock::now() + RetryInterval;
        // Without the sequencer device RtMidi would print its failure at every try.
        if (!QFileInfo::exists(QStringLiteral("/dev/snd/seq")))
            return false;
        const auto ignore = [](RtMidiError::Type, const std::string&, void*) {};
        try {
            in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, WatcherClientName);
            in->setErrorCallback(ignore, nullptr);
            out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, WatcherClientName);
            out->setErrorCallback(ignore, nullptr);
            return true;
        } catch (const RtMidiError&) {
            in.reset();
            out.reset();
            return false;
        }
    }

    std::vector<std::string> list(bool sources) {
        std::vector<std::string> names;
        if (!reachable())
            return names;
        RtMidi& midi = sources ? static_cast<RtMidi&>(*in) : static_cast<RtMidi&>(*out);
        try {
            const unsigned int count = midi.getPortCount();
            for (unsigned int i = 0; i < count; ++i)
                if (std::string name = midi.getPortName(i); !name.empty() && !IsOwnPort(name))
                    names.push_back(std::move(name));
        } catch (const RtMidiError&) {
        }
        return names;
    }
};

PortWatcher::PortWatcher() : jack_(std::make_unique<Jack>()), alsa_(std::make_unique<Alsa>()) {}

PortWatcher::~PortWatcher() = default;

std::vector<std::string> PortWatcher::list(Api api, bool sources) {
    return api == Api::Jack ? jack_->list(sources) : alsa_->list(sources);
}

std::vector<std::string> PortWatcher::inputs(Api api) {
    return list(api, true);
}

std::vector<std::string> PortWatcher::outputs(Api api) {
    return list(api, false);
}

bool PortWatcher::present(const QString& choice, bool sources) {
    const QString value = choice.trimmed();
    const qsizetype colon = value.indexOf(u':');
    const QString kind = (colon < 0 ? value : value.left(colon)).toLower();
    if (kind != u"alsa" && kind != u"jack")
        return true;
    const std::string filter = colon < 0 ? std::string() : value.mid(colon + 1).toStdString();
    for (const std::string& name : list(kind == u"alsa" ? Api::Alsa : Api::Jack, sources))
        if (PortMatches(name, filter))
            return true;
    return false;
}

bool PortWatcher::inputPresent(const QString& choice) {
    return present(choice, true);
}

bool PortWatcher::outputPresent(const QString& choice) {
    return present(choice, false);
}
