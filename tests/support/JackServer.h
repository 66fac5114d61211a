#pragma once

#include "midi/ports/SpscRing.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QLockFile;
struct _jack_client;
struct _jack_port;

// A private JACK server on the dummy backend (48 kHz, 256 frames) for one test program, found by
// its clients through JACK_DEFAULT_SERVER while it runs.
//
// One at a time: JACK servers running side by side disturb each other while one of them starts
// or stops (the others turn clients away for a moment, "Cannot open ... client", and now and
// then one goes down), so each JackServer holds a lock file in the temporary folder
// ("quintaro-jack.lock") from before its start until after its stop, and test programs with a
// JACK server wait for each other, whatever build folder they run from.
//
// JACK keeps a table of eight servers and reclaims the entry of a dead one only when a server of
// the same name starts again, so names are never made up per run: JackServer() runs
// "quintaro-test-0", JackServer(name) a server of that fixed name.
//
// The server runs with real-time scheduling when the machine grants it (root, or an rtprio
// limit), else without: realTime() says which. A JACK client's lateness (an XRun naming it) only
// means something on a real-time server; on another one, any busy process can delay it.
class JackServer {
  public:
    JackServer();
    explicit JackServer(const QString& name);
    ~JackServer(); // stops the server and restores JACK_DEFAULT_SERVER
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // Null when the server runs; otherwise why not (tools missing, server did not come up).
    const char* unavailable() const { return unavailable_; }
    const QString& name() const { return name_; }
    bool realTime() const { return realTime_; }
    // Starts the server again when it has exited (JACK servers starting and stopping side by
    // side may take one down); true when it did.
    bool restartIfExited();
    // Stops the server and starts it again: every client of the old one is gone.
    bool restart();
    // What the server printed so far, and whether it still runs: for a failure's message.
    QString log();
    // The lines of the log so far that report an XRun naming `client`.
    QStringList xruns(const QString& client);

  private:
    void begin(const QString& name);
    bool start();

    QString name_;
    QString jackd_;
    QString wait_;
    QProcess server_;
    QString output_;
    QByteArray savedServer_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLockFile> nameLock_;
    bool realTime_ = false;
    const char* unavailable_ = nullptr;
};

// A JACK client of the test with one MIDI output port: what a keyboard or a sequencer would be.
// Messages queued with send() go out in order, in the process cycles in which the port is
// connected as that cycle sees it (so none is lost to a connection that is made but not yet in
// the running graph), as many in one cycle as the port's buffer holds: full speed.
class JackMidiSender {
  public:
    using Message = std::array<std::uint8_t, 8>; // size, then up to seven bytes
    static constexpr std::size_t QueueSize = 65536;

    JackMidiSender(const std::string& clientName, const std::string& portName);
    ~JackMidiSender();
    JackMidiSender(const JackMidiSender&) = delete;
    JackMidiSender& operator=(const JackMidiSender&) = delete;

    // Empty when the client runs; otherwise why not.
    const std::string& error() const { return error_; }
    // "client:port", as the other clients see it.
    const std::string& portName() const { return portName_; }

    // Queues a message of one to seven bytes; false when the queue is full.
    bool send(std::initializer_list<std::uint8_t> bytes);
    bool send(const std::vector<std::uint8_t>& bytes);
    // Queued and not yet written into a cycle.
    std::size_t pending() const { return queue_->size(); }
    // Whether the last process cycle saw the port connected; waits up to `ms` for it while Qt's
    // events are processed.
    bool connected() const { return connected_.load(); }
    bool waitConnected(int ms) const;
    // Messages sent, the most in one cycle, and the messages JACK reports lost in the port.
    std::uint64_t sent() const { return sent_.load(); }
    std::uint32_t mostInOneCycle() const { return mostInOneCycle_.load(); }
    std::uint32_t lost() const { return lost_.load(); }

  private:
    static int process(std::uint32_t frames, void* self);

    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
    std::string portName_;
    std::string error_;
    std::unique_ptr<SpscRing<Message, QueueSize>> queue_ =
        std::make_unique<SpscRing<Message, QueueSize>>();
    std::atomic<bool> shutDown_{false};
    std::atomic<bool> connected_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<std::uint32_t> mostInOneCycle_{0};
    std::atomic<std::uint32_t> lost_{0};
};

// A JACK client of the test with one MIDI input port: what a synthesizer or a monitor would be.
// Its process callback copies what arrives into a ring; received() collects it.
class JackMidiReceiver {
  public:
    using Message = std::array<std::uint8_t, 4>; // size, then up to three bytes

    JackMidiReceiver(const std::string& clientName, const std::string& portName);
    ~JackMidiReceiver();
    JackMidiReceiver(const JackMidiReceiver&) = delete;
    JackMidiReceiver& operator=(const JackMidiReceiver&) = delete;

    const std::string& error() const { return error_; }
    const std::string& portName() const { return portName_; }
    // Every message received so far, as hex lines ("90 3c 64"), longer ones left out.
    const std::vector<std::string>& received();
    // Waits up to `ms`, processing Qt's events, until `count` messages have been received.
    bool waitReceived(std::size_t count, int ms);

  private:
    static int process(std::uint32_t frames, void* self);

    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
    std::string portName_;
    std::string error_;
    std::atomic<bool> shutDown_{false};
    std::unique_ptr<SpscRing<Message, 4096>> queue_ = std::make_unique<SpscRing<Message, 4096>>();
    std::vector<std::string> received_;
};
