#include "support/JackServer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <thread>

namespace {

// Whether this process may run a thread with real-time scheduling, as a JACK server would.
bool RealTimeGranted() {
    bool granted = false;
    std::thread probe([&granted] {
        sched_param param{};
        param.sched_priority = 1;
        granted = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    });
    probe.join();
    return granted;
}

// Stops a server of `name` left running by a test program that crashed (its parent is gone, and
// its lock is ours now): the start of ours would fail with "server already active" while its
// clients would find the orphan.
void StopOrphanServer(const QString& name) {
    const QByteArray option = "-n";
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toInt() <= 0 || !file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> arguments = file.readAll().split('\0');
        if (arguments.isEmpty() || !arguments[0].endsWith("jackd"))
            continue;
        const qsizetype at = arguments.indexOf(option);
        if (at < 0 || at + 1 >= arguments.size() || arguments[at + 1] != name.toLocal8Bit())
            continue;
        // Only an orphan: a server whose test program still runs is that program's.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray status = stat.readAll();
        const QList<QByteArray> fields = status.mid(status.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1] != "1")
            continue;
        qWarning("Stopping the JACK server %s left by a test that crashed (pid %s)",
                 qUtf8Printable(name), qUtf8Printable(pid));
        ::kill(pid.toInt(), SIGTERM);
        // Gone, or a zombie nobody reaps: its command line is empty then.
        const auto running = [&file] {
            file.close();
            return file.open(QIODevice::ReadOnly) && !file.readAll().isEmpty();
        };
        for (QDeadlineTimer deadline(5000); running() && !deadline.hasExpired();)
            QThread::msleep(20);
        ::kill(pid.toInt(), SIGKILL);
    }
}

} // namespace

JackServer::JackServer() : JackServer(QStringLiteral("quintaro-test-0")) {}

JackServer::JackServer(const QString& name) {
    // One JACK test server at a time on the machine: while one starts or stops, the servers
    // beside it turn clients away ("Cannot open ... client") or go down themselves.
    lock_ =
        std::make_unique<QLockFile>(QDir::temp().filePath(QStringLiteral("quintaro-jack.lock")));
    // The lock of the name "quintaro-test-0" of earlier versions, which took names from a pool,
    // is held too: a program built from them does not run that server beside ours.
    nameLock_ =
        std::make_unique<QLockFile>(QDir::temp().filePath(QStringLiteral("quintaro-jack-0.lock")));
    for (QLockFile* lock : {lock_.get(), nameLock_.get()}) {
        lock->setStaleLockTime(0); // held as long as its program lives, however long that is
        if (!lock->tryLock(240000)) {
            unavailable_ = "another JACK test server stayed up for four minutes";
            return;
        }
    }
    begin(name);
}

void JackServer::begin(const QString& name) {
    name_ = name;
    jackd_ = QStandardPaths::findExecutable("jackd");
    wait_ = QStandardPaths::findExecutable("jack_wait");
    if (jackd_.isEmpty() || wait_.isEmpty()) {
        unavailable_ = "JACK tools are not installed";
        return;
    }
    realTime_ = RealTimeGranted();
    savedServer_ = qgetenv("JACK_DEFAULT_SERVER");
    qputenv("JACK_DEFAULT_SERVER", name.toLocal8Bit());
    server_.setProgram(jackd_);
    QStringList arguments;
    if (!realTime_)
        arguments << "--no-realtime";
    arguments << "-n" << name << "-d"
              << "dummy"
              << "-r"
              << "48000"
              << "-p"
              << "256";
    server_.setArguments(arguments);
    server_.setProcessChannelMode(QProcess::MergedChannels);
    // The server goes with the test program, even one that crashes.
    server_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // A server of this name killed before it could clean up makes the next start fail once
    // ("server already active"), clearing what was left: the second start works.
    for (int attempt = 0; attempt < 2; ++attempt)
        if (start())
            return;
    unavailable_ = "the JACK server did not come up";
}

bool JackServer::start() {
    StopOrphanServer(name_);
    server_.start();
    // jack_wait returns as soon as the server answers; a loaded machine may take seconds. What it
    // prints while it waits (libjack's "cannot connect") is not news.
    QProcess wait;
    wait.setStandardOutputFile(QProcess::nullDevice());
    wait.setStandardErrorFile(QProcess::nullDevice());
    if (server_.waitForStarted(5000)) {
        wait.start(wait_, {"-w", "-t", "30"});
        if (wait.waitForFinished(40000) && wait.exitStatus() == QProcess::NormalExit &&
            wait.exitCode() == 0 && server_.state() == QProcess::Running)
            return true;
    }
    output_ += QString::fromLocal8Bit(server_.readAll());
    server_.kill();
    server_.waitForFinished(3000);
    return false;
}

bool JackServer::restartIfExited() {
    if (unavailable_ != nullptr || server_.state() != QProcess::NotRunning)
        return false;
    qWarning("JACK server exited, started again: %s", qUtf8Printable(log()));
    if (!start())
        unavailable_ = "the JACK server did not come up again";
    return true;
}

bool JackServer::restart() {
    if (unavailable_ != nullptr)
        return false;
    server_.terminate();
    if (!server_.waitForFinished(10000)) {
        server_.kill();
        server_.waitForFinished(3000);
    }
    output_ += QString::fromLocal8Bit(server_.readAll());
    // As at the first start, a name whose server just went may need a second start.
    return start() || start();
}

JackServer::~JackServer() {
    // A server that went away by itself is news for whoever reads a failure.
    if (unavailable_ == nullptr && server_.state() == QProcess::NotRunning)
        qWarning("The JACK server exited by itself: %s", qUtf8Printable(log()));
    // Asked to stop, so that the server cleans up its entry after itself.
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(10000)) {
            server_.kill();
            server_.waitForFinished(3000);
        }
    }
    if (!jackd_.isEmpty()) {
        if (savedServer_.isEmpty())
            qunsetenv("JACK_DEFAULT_SERVER");
        else
            qputenv("JACK_DEFAULT_SERVER", savedServer_);
    }
}

QString JackServer::log() {
    output_ += QString::fromLocal8Bit(server_.readAll());
    QString text = output_;
    if (server_.state() == QProcess::NotRunning)
        text += QStringLiteral("[server exited, code %1]").arg(server_.exitCode());
    return text;
}

QStringList JackServer::xruns(const QString& client) {
    QStringList lines;
    for (const QString& line : log().split(u'\n'))
        if (line.contains(QStringLiteral("XRun")) && line.contains(client))
            lines << line;
    return lines;
}

JackMidiSender::JackMidiSender(const std::string& clientName, const std::string& portName) {
    jack_status_t status{};
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (client_ == nullptr) {
        error_ = "no JACK client (status " + std::to_string(status) + ")";
        return;
    }
    port_ =
        jack_port_register(client_, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_on_shutdown(
        client_, [](void* shutDown) { static_cast<std::atomic<bool>*>(shutDown)->store(true); },
        &shutDown_);
    if (port_ == nullptr || jack_set_process_callback(client_, process, this) != 0 ||
        jack_activate(client_) != 0) {
        error_ = "the JACK client's port could not be registered and activated";
        jack_client_close(client_);
        client_ = nullptr;
        port_ = nullptr;
        return;
    }
    portName_ = jack_port_name(port_);
}

JackMidiSender::~JackMidiSender() {
    if (client_ != nullptr) {
        // A client whose server went away is left to libjack, which deletes it at the next
        // client opened (closing it after that would close freed memory).
        if (!shutDown_.load()) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
}

bool JackMidiSender::send(std::initializer_list<std::uint8_t> bytes) {
    return send(std::vector<std::uint8_t>(bytes));
}

bool JackMidiSender::send(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() >= std::tuple_size_v<Message>)
        return false;
    Message message{static_cast<std::uint8_t>(bytes.size())};
    std::copy(bytes.begin(), bytes.end(), message.begin() + 1);
    return queue_->push(message);
}

bool JackMidiSender::waitConnected(int ms) const {
    for (QDeadlineTimer deadline(ms); !connected() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return connected();
}

// On JACK's process thread: no allocation, no lock.
int JackMidiSender::process(std::uint32_t frames, void* arg) {
    auto* self = static_cast<JackMidiSender*>(arg);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    jack_midi_clear_buffer(buffer);
    const bool connected = jack_port_connected(self->port_) > 0;
    self->connected_.store(connected);
    if (!connected)
        return 0;
    std::uint32_t count = 0;
    while (const Message* message = self->queue_->front()) {
        const std::size_t size = (*message)[0];
        if (jack_midi_max_event_size(buffer) < size)
            break; // the port's buffer is full: the rest go in the next cycle
        if (jack_midi_event_write(buffer, 0, message->data() + 1, size) != 0)
            break;
        self->queue_->popFront();
        ++count;
    }
    self->sent_.fetch_add(count);
    if (count > self->mostInOneCycle_.load())
        self->mostInOneCycle_.store(count);
    self->lost_.store(jack_midi_get_lost_event_count(buffer));
    return 0;
}

JackMidiReceiver::JackMidiReceiver(const std::string& clientName, const std::string& portName) {
    jack_status_t status{};
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (client_ == nullptr) {
        error_ = "no JACK client (status " + std::to_string(status) + ")";
        return;
    }
    port_ =
        jack_port_register(client_, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_on_shutdown(
        client_, [](void* shutDown) { static_cast<std::atomic<bool>*>(shutDown)->store(true); },
        &shutDown_);
    if (port_ == nullptr || jack_set_process_callback(client_, process, this) != 0 ||
        jack_activate(client_) != 0) {
        error_ = "the JACK client's port could not be registered and activated";
        jack_client_close(client_);
        client_ = nullptr;
        port_ = nullptr;
        return;
    }
    portName_ = jack_port_name(port_);
}

JackMidiReceiver::~JackMidiReceiver() {
    if (client_ != nullptr) {
        // A client whose server went away is left to libjack, which deletes it at the next
        // client opened (closing it after that would close freed memory).
        if (!shutDown_.load()) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
}

const std::vector<std::string>& JackMidiReceiver::received() {
    Message message{};
    while (queue_->pop(message)) {
        std::string line;
        for (std::size_t i = 1; i <= message[0]; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, i == 1 ? "%02x" : " %02x", message[i]);
            line += hex;
        }
        received_.push_back(line);
    }
    return received_;
}

bool JackMidiReceiver::waitReceived(std::size_t count, int ms) {
    for (QDeadlineTimer deadline(ms); received().size() < count && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return received_.size() >= count;
}

int JackMidiReceiver::process(std::uint32_t frames, void* arg) {
    auto* self = static_cast<JackMidiReceiver*>(arg);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0 || event.size > 3)
            continue;
        Message message{static_cast<std::uint8_t>(event.size)};
        std::copy(event.buffer, event.buffer + event.size, message.begin() + 1);
        self->queue_->push(message);
    }
    return 0;
}
