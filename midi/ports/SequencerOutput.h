#pragma once

#include "midi/MidiPort.h"

#include <memory>
#include <string>
#include <vector>

// An output to one port of a system's MIDI routing (the ALSA sequencer, JACK), chosen by a name
// filter and reopened by the stable identity of its port after the device went away. The API
// itself is a Client of the class that derives from this one: RtMidiPort (ALSA through RtMidi),
// JackOutput (JACK's own API). No exception leaves this class; every failure is a nonzero result.
class SequencerOutput : public LongMessagePort {
  public:
    // One client of the API and the one port it opens. Errors are told in `error`.
    class Client {
      public:
        virtual ~Client() = default;
        // Whether the API can be reached at all.
        virtual bool available() const = 0;
        // The destination ports present now.
        virtual std::vector<std::string> names(std::string& error) = 0;
        virtual bool openPort(const std::string& name, std::string& error) = 0;
        virtual bool closePort(std::string& error) = 0;
        virtual bool isPortOpen() const = 0;
        virtual bool send(const unsigned char* bytes, std::size_t size, std::string& error) = 0;
    };

    ~SequencerOutput() override;
    SequencerOutput(const SequencerOutput&) = delete;
    SequencerOutput& operator=(const SequencerOutput&) = delete;

    const std::string& nameFilter() const { return nameFilter_; }
    // False when the API could not be reached at all (no ALSA sequencer).
    bool available() const;
    // The name of the port open now; empty when none is.
    const std::string& openPortName() const { return openPortName_; }
    // The text of the last error, for a diagnostic.
    const std::string& lastError() const { return lastError_; }

    // The number of ports the API offers now, the program's own left out; 0 when the API cannot
    // be reached.
    int deviceCount() override;
    std::uint32_t open() override;
    std::uint32_t close() override;
    std::uint32_t shortMessage(std::uint32_t message) override;
    bool isOpen() const override;

    // For a device that went away and came back (a JACK client restarted, an ALSA device
    // replugged): closes the port and opens it again with a new client of the API, the same
    // device first (by the stable identity of the port last opened), else by the filter, so the
    // connection to the device is made again (for JACK, also after the server restarted).
    // 0 when a port is open after, as open() says otherwise. UI thread only.
    std::uint32_t reconnect();

  protected:
    // `nameFilter` empty: the first port; otherwise the first port whose name, or stable
    // identity, contains it (PortMatches). The program's own ports are never taken. The derived
    // class's constructor gives the client (makeClient).
    explicit SequencerOutput(std::string nameFilter);
    // A new client of the API, errors told in `error`.
    virtual std::unique_ptr<Client> makeClient(std::string& error) const = 0;
    void startClient() { client_ = makeClient(lastError_); }
    // The output ports a client offers, the program's own left out.
    static std::vector<std::string> OtherPorts(Client& client);

    // The bytes go on whole: the receiving side parses the stream.
    std::uint32_t sendLong(const std::vector<std::uint8_t>& bytes) override {
        return send(bytes.data(), bytes.size());
    }

  private:
    std::uint32_t openMatching(const std::string& preferredIdentity);
    std::uint32_t send(const unsigned char* bytes, std::size_t size);

    std::string nameFilter_;
    std::unique_ptr<Client> client_;
    std::string openPortName_;
    std::string lastPortName_; // the port opened last, kept once closed: what reconnect() seeks
    std::string lastError_;
};
