#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

class Keyboard;
class Midi;

// Plays what comes in at the MIDI input through a window's keyboard, as if its keys were played:
// a note through the keyboard that `target` answers now (a part window's: its channel, its
// transposition, the mark on its key; the master keyboard's: every channel switched on), with
// the incoming velocity; sustain (controller 64), modulation (controller 1) and pitch bend to
// that keyboard's channels. Every incoming note's Note Off goes to the keyboard its Note On went
// to, and a pedal release reaches every channel the pedal went down on, so changing windows
// while keys or the pedal are held leaves nothing sounding. The channel of the incoming
// messages does not matter. Runs on the UI thread.
class MidiInputRouter {
  public:
    // `target`: the keyboard incoming notes play through now, or null when there is none.
    MidiInputRouter(Midi& midi, std::function<Keyboard*()> target);

    // One incoming message, its bytes as they came.
    void handle(const std::vector<std::uint8_t>& message);
    // Ends what the input holds, where it went: every note still down and the pedal, as when the
    // input closes.
    void releaseAll();

  private:
    void noteOff(int note, int velocity);
    void sendToChannels(const std::vector<int>& channels, std::uint32_t status, int data1,
                        int data2);

    Midi& midi_;
    std::function<Keyboard*()> target_;
    std::map<int, QPointer<Keyboard>> notes_; // incoming note -> the keyboard it went to
    std::set<int> sustained_;                 // channels the pedal went down on
};
