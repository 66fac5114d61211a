#pragma once

#include "midi/MidiPort.h"
#include "midi/Recorder.h"
#include "midi/ShortMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The MIDI module: the one output device and every message that leaves it. After the first
// device error the output is disabled and every routine returns at once. It tells the user of a
// device error through the message handler the start-up gives it, by message number: 20 device
// already in use, 21 device error, 22 no device, 23 closing error.
class Midi {
  public:
    using MessageHandler = std::function<void(int messageNumber)>;

    Midi();
    ~Midi();

    // Without a handler device errors still silence the output, but nobody is told.
    void setMessageHandler(MessageHandler handler) { showMessage_ = std::move(handler); }

    // Told what the port says of its sound (SoundStatus), now and for every port set later.
    void setStatusHandler(std::function<void(int status)> handler);

    // Told the bytes of every message the port took (short and long), after it took them.
    using SendObserver = std::function<void(const std::uint8_t* bytes, std::size_t size)>;
    void setSendObserver(SendObserver observer) { sent_ = std::move(observer); }

    // Keeps every channel message the port took, for "Save MIDI file".
    const Recorder& recorder() const { return recorder_; }

    void setPort(std::unique_ptr<MidiPort> port);
    MidiPort* port() const { return port_.get(); }

    // Whether messages go out: true until a device error, a missing device or a choice of no
    // output turns it off.
    bool outputEnabled() const { return enabled_; }
    void setOutputEnabled(bool enabled) { enabled_ = enabled; }
    // Whether the port is open (from a successful open until a successful close).
    bool outputOpen() const { return open_; }
    // Whether the last open found no device at all.
    bool noDevice() const { return noDevice_; }
    // The state at start: output enabled, nothing open.
    void resetOutputFlags();

    std::uint32_t OpenMidiOutput();
    void CloseMidiOutput();

    // A channel message: `status` (0x80..0xE0, see MidiStatus) on `channel` (0..15), with its
    // data bytes; a two-byte message ignores `data2` (the port sends the bytes its status calls
    // for).
    void send(int channel, std::uint32_t status, int data1, int data2);
    // A short message already packed as the port takes it (see PackShortMessage).
    void sendShort(std::uint32_t message);
    void SendNoteOn(int channel, int note, int velocity);
    void SendNoteOff(int channel, int note, int velocity);
    void SendAllNotesOff(int channel);
    // A long message: its bytes go to the port in one piece (prepared, sent, unprepared).
    void sendLong(std::string_view bytes);

    // Replaces the output with `port`, as a new choice of the user: while the old port is open,
    // All Notes Off on all sixteen channels, then it is closed; the new one is opened as at start,
    // output enabled again first (a choice made after a failure is a deliberate retry). A failure
    // is reported once, by its device message, and leaves the output disabled. A null `port` is
    // no output at all, chosen: disabled without a message. Returns whether the output works.
    // `report` false: a failure of the new port is not shown (a device that came back and went
    // again at once is said elsewhere).
    bool ReplacePort(std::unique_ptr<MidiPort> port, bool report = true);

  private:
    // The size of the platform's header that the long-message calls are given.
    static constexpr int HeaderSize = 28;

    void report(int messageNumber) const;
    // A failed call reports its device message and disables the output.
    void check(std::uint32_t result);
    void tellSent(const std::uint8_t* bytes, std::size_t size);

    MessageHandler showMessage_;
    SendObserver sent_;
    std::function<void(int)> status_;
    std::unique_ptr<MidiPort> port_;
    Recorder recorder_;
    bool enabled_ = true;
    bool open_ = false;
    bool noDevice_ = false;
    MidiHdr header_;
};

// Sends a program change (channel 0..15, program 0..127) as a two-byte long message, as the
// program pages do.
void SendProgramChange(Midi& midi, int channel, int program);
