#pragma once

#include "midi/MidiPort.h"

#include <memory>
#include <string>
#include <vector>

// A MIDI output to a port of the ALSA sequencer or of JACK. The API is always named.
// - ALSA goes through RtMidi (a default RtMidiOut would pick ALSA and throw where ALSA has no
//   sequencer, even while JACK runs).
// - JACK goes through the JACK API itself: its client knows when its server goes away (RtMidi's
//   does not, and libjack deletes such a client at the next client the program opens, so RtMidi
//   would later close freed memory); the port is unregistered only once the process callback is
//   stopped. What is sent goes through a lock-free JACK ring buffer of 16 KB to the process
//   callback, which writes it out in the next cycle.
// No exception leaves this class; every failure is a nonzero result.
class RtMidiPort : public LongMessagePort {
  public:
    enum class Api { Alsa, Jack };

    // `nameFilter` empty: the first port; otherwise the first port whose name, or stable
    // identity, contains it (PortMatches). The program's own ports are never taken.
    RtMidiPort(Api api, std::string nameFilter);
    ~RtMidiPort() override;
    RtMidiPort(const RtMidiPort&) = delete;
    RtMidiPort& operator=(const RtMidiPort&) = delete;

    // The names of the output ports the API offers now, the program's own ports left out; empty
    // when the API cannot be reached.
    static std::vector<std::string> PortNames(Api api);

    Api api() const { return api_; }
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

    class Client; // one client of the API (RtMidiPort.cpp)

  protected:
    // The bytes go on whole: the receiving side parses the stream.
    std::uint32_t sendLong(const std::vector<std::uint8_t>& bytes) override {
        return send(bytes.data(), bytes.size());
    }

  private:
    std::uint32_t openMatching(const std::string& preferredIdentity);
    std::uint32_t send(const unsigned char* bytes, std::size_t size);

    Api api_;
    std::string nameFilter_;
    std::unique_ptr<Client> client_;
    std::string openPortName_;
    std::string lastPortName_; // the port opened last, kept once closed: what reconnect() seeks
    std::string lastError_;
};
