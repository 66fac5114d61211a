#pragma once

#include "devices/LoopBackGuard.h"
#include "engine/NoteEngine.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

class Midi;

// What incoming notes play through: the note engine of the window that answers now (null when
// there is none). The router holds on to each engine a note went to as long as the engine lives,
// so the note's Note Off reaches the same one.
struct IncomingNoteTarget {
    std::function<NoteEngine*()> current;
};

// Plays what comes in at the MIDI input through a window's note engine, each incoming note a
// source of its own (NoteSource::Kind::MidiIn): a note through the engine that `target` answers
// now (a part window's: its channel, its transposition, the mark on its key; the master
// keyboard's: every channel switched on), with the incoming velocity; sustain (controller 64),
// modulation (controller 1) and pitch bend to that engine's channels. Every incoming note's Note
// Off goes to the engine its Note On went to, and a pedal release, a bend back to the centre and a
// modulation back to 0 reach every channel the pedal, the bend or the modulation went to, so
// changing windows while keys, the pedal or the wheels are held leaves nothing sounding or bent.
// The channel of the incoming messages does not matter. Runs on the UI thread.
//
// It also tells an input that carries the program's own output back (a loop-back) through its
// LoopBackGuard: the program tells it every message it sends (sent()), the guard sends its probe
// to an output that can loop when an input opens next to it (reset(), probeLoopBack()) and
// when the input looks like a loop, and the probe coming back calls `onLoopBack`; the router then
// plays nothing more until reset() (a new input). Until then every incoming message is played.
class MidiInputRouter {
  public:
    // `target`: where incoming notes play now. `inputOpen`: whether an input is open, for the
    // guard's probe (none without it).
    MidiInputRouter(Midi& midi, IncomingNoteTarget target, std::function<bool()> inputOpen = {});

    // One incoming message, its bytes as they came.
    void handle(const std::vector<std::uint8_t>& message);
    // Ends what the input holds, where it went: every note still down, the pedal, the bend and
    // the modulation, as when the input closes or goes away.
    void releaseAll();

    // A message the program sent (`size` bytes from `bytes`), for the loop-back check.
    void sent(const std::uint8_t* bytes, std::size_t size) { guard_.sent(bytes, size); }
    // A new output next to the open input: the guard's probe goes out to it.
    void probeLoopBack() { guard_.probe(); }
    const LoopBackGuard& loopBackGuard() const { return guard_; }
    // Called once when the input is found to loop back; the router then ignores the input.
    void setLoopBackHandler(std::function<void()> handler) { onLoopBack_ = std::move(handler); }
    bool loopBackFound() const { return loopBack_; }
    // A new input: the loop-back verdict starts again, and the guard probes it.
    void reset();

  private:
    void noteOff(int note, int velocity);
    // Sends to `channels` and remembers, for a controller held away from rest, where it went; a
    // value at rest goes to the channels it went to as well.
    void sendHeld(std::set<int>& held, const std::vector<int>& channels, bool atRest,
                  std::uint32_t status, int data1, int data2);
    void sendToChannels(const std::vector<int>& channels, std::uint32_t status, int data1,
                        int data2);

    Midi& midi_;
    IncomingNoteTarget target_;
    std::map<int, QPointer<NoteEngine>> notes_; // incoming note -> the engine it went to
    std::set<int> sustained_;                   // channels the pedal went down on
    std::set<int> bent_;                        // channels bent away from the centre
    std::set<int> modulated_;                   // channels with modulation above 0

    std::function<bool()> inputOpen_;
    LoopBackGuard guard_;
    bool loopBack_ = false;
    std::function<void()> onLoopBack_;
};
