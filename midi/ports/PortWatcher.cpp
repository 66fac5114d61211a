#include "midi/ports/PortWatcher.h"

#include "midi/ports/JackMessages.h"
#include "midi/ports/PortIdentity.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <QFileInfo>
#include <QSocketNotifier>

#include <cstdio>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* WatcherClientName = "Quintaro watcher";

const char* OwnPortName(bool sources) {
    return sources ? OwnInputPortName : OwnOutputPortName;
}

} // namespace

// A JACK client without ports: activated only to hear the server's notifications, it takes no
// part in the process cycle.
struct PortWatcher::Jack {
    PortWatcher& owner;
    jack_client_t* client = nullptr;
    std::atomic<bool> shutDown{false};
    std::atomic<bool> raised{false}; // a wake-up is on its way to the UI thread
    Clock::time_point nextTry{};
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    std::unique_ptr<QSocketNotifier> notifier;

    explicit Jack(PortWatcher& watcher) : owner(watcher) {
        if (wakeFd < 0)
            return;
        notifier = std::make_unique<QSocketNotifier>(wakeFd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] {
            std::uint64_t count = 0;
            if (::read(wakeFd, &count, sizeof count) < 0)
                return;
            raised.store(false); // what comes from now on wakes again
            owner.changed();
        });
    }

    ~Jack() {
        // A client whose server went away is not closed: libjack deletes the clients of a server
        // that died itself, at the next client opened, and closing one after that would close
        // freed memory.
        if (client != nullptr && !shutDown.load())
            jack_client_close(client);
        notifier.reset();
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
    Jack(const Jack&) = delete;
    Jack& operator=(const Jack&) = delete;

    // JACK's notification thread: an atomic and at most one write per batch; no allocation, no
    // lock, no Qt event.
    static void Wake(void* arg) {
        auto* self = static_cast<Jack*>(arg);
        const std::uint64_t one = 1;
        if (!self->raised.exchange(true) && ::write(self->wakeFd, &one, sizeof one) < 0)
            self->raised.store(false);
    }

    bool reachable() {
        if (client != nullptr && shutDown.load()) {
            client = nullptr; // left to libjack, see ~Jack
            shutDown.store(false);
            nextTry = {};
        }
        if (client != nullptr)
            return true;
        if (Clock::now() < nextTry || wakeFd < 0)
            return false;
        client = OpenJackClientQuietly(WatcherClientName); // no server: the common case
        if (client != nullptr && listen())
            return true;
        if (client != nullptr)
            jack_client_close(std::exchange(client, nullptr));
        nextTry = Clock::now() + RetryInterval;
        return false;
    }

    bool listen() {
        jack_on_shutdown(
            client,
            [](void* self) {
                static_cast<Jack*>(self)->shutDown.store(true);
                Wake(self);
            },
            this);
        return jack_set_port_registration_callback(
                   client, [](jack_port_id_t, int, void* self) { Wake(self); }, this) == 0 &&
               jack_set_client_registration_callback(
                   client, [](const char*, int, void* self) { Wake(self); }, this) == 0 &&
               jack_set_port_connect_callback(
                   client, [](jack_port_id_t, jack_port_id_t, int, void* self) { Wake(self); },
                   this) == 0 &&
               jack_activate(client) == 0;
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

    bool connected(const std::string& name, bool sources) {
        bool found = false;
        jack_port_t* port = jack_port_by_name(client, name.c_str());
        if (port == nullptr)
            return false;
        if (const char** peers = jack_port_get_all_connections(client, port)) {
            for (const char** peer = peers; *peer != nullptr; ++peer)
                found = found || std::strstr(*peer, OwnPortName(sources)) != nullptr;
            jack_free(peers);
        }
        return found;
    }
};

// The ALSA sequencer: RtMidi clients without ports for the lists (RtMidi lists sources through an
// input and destinations through an output), and a client of its own whose one port hears the
// system's announcements.
struct PortWatcher::Alsa {
    PortWatcher& owner;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    snd_seq_t* seq = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    Clock::time_point nextTry{};

    explicit Alsa(PortWatcher& watcher) : owner(watcher) {}
    ~Alsa() {
        notifier.reset();
        if (seq != nullptr)
            snd_seq_close(seq);
    }
    Alsa(const Alsa&) = delete;
    Alsa& operator=(const Alsa&) = delete;

    bool reachable() {
        if (seq != nullptr)
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
            if (listen())
                return true;
        } catch (const RtMidiError&) {
        }
        in.reset();
        out.reset();
        return false;
    }

    bool listen() {
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
            seq = nullptr;
            return false;
        }
        snd_seq_set_client_name(seq, WatcherClientName);
        // Not offered to anyone: no other client may subscribe to it.
        const int port = snd_seq_create_simple_port(
            seq, "announcements", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
            SND_SEQ_PORT_TYPE_APPLICATION);
        pollfd descriptor{};
        if (port < 0 ||
            snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) <
                0 ||
            snd_seq_poll_descriptors(seq, &descriptor, 1, POLLIN) != 1) {
            snd_seq_close(std::exchange(seq, nullptr));
            return false;
        }
        notifier = std::make_unique<QSocketNotifier>(descriptor.fd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] {
            // What the announcements say is read again from the lists: they are only emptied.
            snd_seq_event_t* event = nullptr;
            while (snd_seq_event_input(seq, &event) >= 0) {
            }
            owner.changed();
        });
        return true;
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

    // Whether one of the port's subscriptions joins it to this program's own port: a source
    // read by it, a destination written by it. RtMidi ends an ALSA port's name with its
    // "client:port" address.
    bool connected(const std::string& name, bool sources) {
        int client = 0;
        int port = 0;
        const std::size_t space = name.rfind(' ');
        if (space == std::string::npos ||
            std::sscanf(name.c_str() + space + 1, "%d:%d", &client, &port) != 2)
            return false;
        const snd_seq_addr_t root{static_cast<unsigned char>(client),
                                  static_cast<unsigned char>(port)};
        snd_seq_query_subscribe_t* query = nullptr;
        snd_seq_query_subscribe_alloca(&query);
        snd_seq_port_info_t* info = nullptr;
        snd_seq_port_info_alloca(&info);
        snd_seq_query_subscribe_set_root(query, &root);
        snd_seq_query_subscribe_set_type(query, sources ? SND_SEQ_QUERY_SUBS_READ
                                                        : SND_SEQ_QUERY_SUBS_WRITE);
        for (int index = 0;; ++index) {
            snd_seq_query_subscribe_set_index(query, index);
            if (snd_seq_query_port_subscribers(seq, query) < 0)
                return false;
            const snd_seq_addr_t* peer = snd_seq_query_subscribe_get_addr(query);
            if (snd_seq_get_any_port_info(seq, peer->client, peer->port, info) == 0 &&
                std::strcmp(snd_seq_port_info_get_name(info), OwnPortName(sources)) == 0)
                return true;
        }
    }
};

PortWatcher::PortWatcher()
    : jack_(std::make_unique<Jack>(*this)), alsa_(std::make_unique<Alsa>(*this)) {
    retry_.setSingleShot(true);
    retry_.setInterval(RetryInterval);
    QObject::connect(&retry_, &QTimer::timeout, [this] {
        jack_->nextTry = {};
        alsa_->nextTry = {};
        changed();
    });
}

PortWatcher::~PortWatcher() = default;

void PortWatcher::changed() {
    if (changed_)
        changed_();
}

std::vector<std::string> PortWatcher::list(Api api, bool sources) {
    std::vector<std::string> names = api == Api::Jack ? jack_->list(sources) : alsa_->list(sources);
    // No notification can come from an API not reached: it is tried again after a while.
    if ((api == Api::Jack ? jack_->client == nullptr : alsa_->seq == nullptr) && !retry_.isActive())
        retry_.start();
    return names;
}

std::vector<std::string> PortWatcher::inputs(Api api) {
    return list(api, true);
}

std::vector<std::string> PortWatcher::outputs(Api api) {
    return list(api, false);
}

bool PortWatcher::find(const QString& choice, bool sources, bool connected) {
    const QString value = choice.trimmed();
    const qsizetype colon = value.indexOf(u':');
    const QString kind = (colon < 0 ? value : value.left(colon)).toLower();
    if (kind != u"alsa" && kind != u"jack")
        return true;
    const Api api = kind == u"alsa" ? Api::Alsa : Api::Jack;
    const std::string filter = colon < 0 ? std::string() : value.mid(colon + 1).toStdString();
    for (const std::string& name : list(api, sources))
        if (PortMatches(name, filter) &&
            (!connected || (api == Api::Jack ? jack_->connected(name, sources)
                                             : alsa_->connected(name, sources))))
            return true;
    return false;
}

bool PortWatcher::inputPresent(const QString& choice) {
    return find(choice, true, false);
}

bool PortWatcher::outputPresent(const QString& choice) {
    return find(choice, false, false);
}

bool PortWatcher::inputConnected(const QString& choice) {
    return find(choice, true, true);
}

bool PortWatcher::outputConnected(const QString& choice) {
    return find(choice, false, true);
}
