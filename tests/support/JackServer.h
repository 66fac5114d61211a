#pragma once

#include "midi/ports/SpscRing.h"

#include <QProcess>
#include <QTest>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QLockFile;
struct _jack_client;
struct _jack_port;

// A private JACK server "quintaro-test-0" on the dummy backend (48 kHz, 256 frames, no real-time
// scheduling) for one test program, synchronous: each cycle waits for every client to finish, so
// a client late on a loaded machine delays the cycle instead of having what it wrote dropped (an
// asynchronous server's "client was not finished" xrun loses that cycle's events), found by its
// clients through JACK_DEFAULT_SERVER while it runs. One runs at a time on the machine (servers
// starting or stopping side by side turn each other's clients away): each holds the lock file
// "quintaro-jack.lock" in the temporary folder.
class JackServer {
  public:
    JackServer();
    ~JackServer(); // stops the server and restores JACK_DEFAULT_SERVER

    // Null when the server runs; otherwise why not (tools missing, server did not come up).
    const char* unavailable() const { return unavailable_; }
    // What the server printed so far, and whether it still runs: for a failure's message.
    QString log();

  private:
    bool start();
    void stop();

    QProcess server_;
    QString output_;
    QByteArray savedServer_;
    std::unique_ptr<QLockFile> lock_;
    const char* unavailable_ = nullptr;
};

// A JACK client of the test with one MIDI port: an output (JackMidiSender, what a keyboard would
// be) or an input (JackMidiReceiver, what a synthesizer would be). Its process callback only moves
// messages between the port and a lock-free ring.
class JackMidiClient {
  public:
    JackMidiClient(const std::string& clientName, const std::string& portName, bool output);
    ~JackMidiClient();

    // Empty when the client runs; otherwise why not.
    const std::string& error() const { return error_; }

    // Output: queues a message of one to eleven bytes; false when the queue is full. Queued
    // messages go out in order, as many in one cycle as the port's buffer holds, in the cycles
    // that see the port connected (none is lost to a connection not yet in the running graph).
    bool send(const std::vector<std::uint8_t>& bytes);
    // Whether the last process cycle saw the port connected.
    bool connected() const { return connected_.load(); }
    bool waitConnected(int ms) const {
        return QTest::qWaitFor([this] { return connected(); }, ms);
    }
    // Messages written out.
    std::uint64_t sent() const { return sent_.load(); }

    // Input: every message received so far, as hex lines ("90 3c 64"), longer ones left out.
    const std::vector<std::string>& received();
    bool waitReceived(std::size_t count, int ms) {
        return QTest::qWaitFor([&] { return received().size() >= count; }, ms);
    }

  private:
    using Message = std::array<std::uint8_t, 12>; // size, then up to eleven bytes
    static int process(std::uint32_t frames, void* self);

    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
    bool output_;
    std::string error_;
    std::unique_ptr<SpscRing<Message, 65536>> queue_ = std::make_unique<SpscRing<Message, 65536>>();
    std::atomic<bool> shutDown_{false}, connected_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::vector<std::string> received_;
};

template <bool Output> struct JackMidiPort : JackMidiClient {
    JackMidiPort(const std::string& client, const std::string& port)
        : JackMidiClient(client, port, Output) {}
};
using JackMidiSender = JackMidiPort<true>;
using JackMidiReceiver = JackMidiPort<false>;
