#include "support/JackServer.h"

#include "midi/Midi.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

JackServer::JackServer()
    : lock_(std::make_unique<QLockFile>(QDir::temp().filePath("quintaro-jack.lock"))) {
    lock_->setStaleLockTime(0); // held as long as its program lives, however long that is
    if (QStandardPaths::findExecutable("jackd").isEmpty()) {
        unavailable_ = "jackd is not installed";
        return;
    }
    if (!lock_->tryLock(240000)) {
        unavailable_ = "another JACK test server stayed up for four minutes";
        return;
    }
    savedServer_ = qgetenv("JACK_DEFAULT_SERVER");
    // The name is fixed: JACK reclaims a dead server's entry only when one of its name starts.
    qputenv("JACK_DEFAULT_SERVER", "quintaro-test-0");
    server_.setProgram(QStandardPaths::findExecutable("jackd"));
    server_.setArguments({"--no-realtime", "--sync", "-n", "quintaro-test-0", "-d", "dummy", "-r",
                          "48000", "-p", "256"});
    server_.setProcessChannelMode(QProcess::MergedChannels);
    // The server goes with the test program, even one that crashes.
    server_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // A server of this name killed before it could clean up makes the next start fail once
    // ("server already active"), clearing what was left: the second start works.
    if (!start() && !start())
        unavailable_ = "the JACK server did not come up";
}

bool JackServer::start() {
    server_.start();
    // jack_wait returns as soon as the server answers; a loaded machine may take seconds.
    QProcess wait;
    wait.start(QStandardPaths::findExecutable("jack_wait"), {"-w", "-t", "30"});
    if (server_.waitForStarted(5000) && wait.waitForFinished(40000) &&
        wait.exitStatus() == QProcess::NormalExit && wait.exitCode() == 0 &&
        server_.state() == QProcess::Running)
        return true;
    stop();
    return false;
}

// Asked to stop first, so that the server clears its entry in JACK's table itself.
void JackServer::stop() {
    server_.terminate();
    if (!server_.waitForFinished(10000)) {
        server_.kill();
        server_.waitForFinished(3000);
    }
    output_ += QString::fromLocal8Bit(server_.readAll());
}

JackServer::~JackServer() {
    if (server_.program().isEmpty())
        return; // never started: the environment is as it was
    stop();
    savedServer_.isEmpty() ? qunsetenv("JACK_DEFAULT_SERVER")
                           : qputenv("JACK_DEFAULT_SERVER", savedServer_);
}

QString JackServer::log() {
    output_ += QString::fromLocal8Bit(server_.readAll());
    return output_ + (server_.state() == QProcess::NotRunning ? "[server exited]" : "");
}

JackMidiClient::JackMidiClient(const std::string& clientName, const std::string& portName,
                               bool output)
    : output_(output) {
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client_ == nullptr) {
        error_ = "no JACK client";
        return;
    }
    port_ = jack_port_register(client_, portName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                               output ? JackPortIsOutput : JackPortIsInput, 0);
    jack_on_shutdown(
        client_, [](void* shutDown) { static_cast<std::atomic<bool>*>(shutDown)->store(true); },
        &shutDown_);
    if (port_ == nullptr || jack_set_process_callback(client_, process, this) != 0 ||
        jack_activate(client_) != 0) {
        error_ = "the JACK client's port could not be registered and activated";
        jack_client_close(std::exchange(client_, nullptr));
    }
}

JackMidiClient::~JackMidiClient() {
    // A client whose server went away is left to libjack, which deletes it at the next client
    // opened (closing it after that would close freed memory).
    if (client_ != nullptr && !shutDown_.load()) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

bool JackMidiClient::send(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() >= std::tuple_size_v<Message>)
        return false;
    Message message{static_cast<std::uint8_t>(bytes.size())};
    std::ranges::copy(bytes, message.begin() + 1);
    return queue_->push(message);
}

const std::vector<std::string>& JackMidiClient::received() {
    for (Message message{}; queue_->pop(message);)
        received_.push_back(HexLine({message.begin() + 1, message.begin() + 1 + message[0]}));
    return received_;
}

// On JACK's process thread: no allocation, no lock.
int JackMidiClient::process(std::uint32_t frames, void* arg) {
    auto* self = static_cast<JackMidiClient*>(arg);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    if (!self->output_) {
        jack_midi_event_t event;
        for (std::uint32_t i = 0; i < jack_midi_get_event_count(buffer); ++i)
            if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0 &&
                event.size < std::tuple_size_v<Message>) {
                Message message{static_cast<std::uint8_t>(event.size)};
                std::copy(event.buffer, event.buffer + event.size, message.begin() + 1);
                self->queue_->push(message);
            }
        return 0;
    }
    jack_midi_clear_buffer(buffer);
    const bool connected = jack_port_connected(self->port_) > 0;
    self->connected_.store(connected);
    std::uint64_t count = 0;
    for (const Message* message; connected && (message = self->queue_->front()) != nullptr;) {
        if (jack_midi_max_event_size(buffer) < (*message)[0] ||
            jack_midi_event_write(buffer, 0, message->data() + 1, (*message)[0]) != 0)
            break; // the port's buffer is full: the rest go in the next cycle
        self->queue_->popFront();
        ++count;
    }
    self->sent_.fetch_add(count);
    return 0;
}
