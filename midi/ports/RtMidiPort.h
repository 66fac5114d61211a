#pragma once

#include "midi/MidiPort.h"

#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

// A MIDI output through RtMidi: the ALSA sequencer or JACK. The API is always named: a default
// RtMidiOut picks ALSA and throws where ALSA has no sequencer, even while JACK runs. No RtMidi
// exception leaves this class; every failure is a nonzero result.
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
    // False when the API could not be reached at all (no ALSA sequencer, JACK library missing).
    bool available() const { return out_ != nullptr; }
    // The name of the port open now; empty when none is.
    const std::string& openPortName() const { return openPortName_; }
    // The text of the last RtMidi error, for a diagnostic.
    const std::string& lastError() const { return lastError_; }

    // The number of ports the API offers now; 0 when the API cannot be reached.
    int deviceCount() override;
    std::uint32_t open() override;
    std::uint32_t close() override;
    std::uint32_t shortMessage(std::uint32_t message) override;
    bool isOpen() const override;

    // For a device that went away and came back (a JACK client restarted, an ALSA device
    // replugged): closes the port and opens it again with a new client of the API, the same
    // device first (by the stable identity of the port last opened), else by the filter, so the
    // connection to the device is made again (for JACK, even after the server restarted).
    // 0 when a port is open after, as open() says otherwise. UI thread only.
    std::uint32_t reconnect();

  protected:
    // The bytes go on whole: the receiving side parses the stream.
    std::uint32_t sendLong(const std::vector<std::uint8_t>& bytes) override {
        return send(bytes.data(), bytes.size());
    }

  private:
    void createClient();
    std::uint32_t openMatching(const std::string& preferredIdentity);
    std::uint32_t send(const unsigned char* bytes, std::size_t size);
    static void onError(int type, const std::string& text, void* self);

    Api api_;
    std::string nameFilter_;
    std::unique_ptr<RtMidiOut> out_;
    std::string openPortName_;
    std::string lastPortName_; // the port opened last, kept once closed: what reconnect() seeks
    std::string lastError_;
    bool failed_ = false; // set by the error callback during one call
};
