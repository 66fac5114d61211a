#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

class Midi;

// What incoming notes play through: the object that answers now (a window's keyboard; null when
// there is none) and how to play through one. The router holds on to each object a note went to
// as long as the object lives, so the note's Note Off reaches the same one.
struct IncomingNoteTarget {
    std::function<QObject*()> current;
    // A note played as if its key were: `note` with `velocity`, and its release.
    std::function<void(QObject* target, int note, int velocity)> noteOn;
    std::function<void(QObject* target, int note, int velocity)> noteOff;
    // The channels a controller or a bend played through it goes to.
    std::function<std::vector<int>(QObject* target)> channels;
};

// Plays what comes in at the MIDI input through a window's keyboard, as if its keys were played:
// a note through the keyboard that `target` answers now (a part window's: its channel, its
// transposition, the mark on its key; the master keyboard's: every channel switched on), with
// the incoming velocity; sustain (controller 64), modulation (controller 1) and pitch bend to
// that keyboard's channels. Every incoming note's Note Off goes to the keyboard its Note On went
// to, and a pedal release, a bend back to the centre and a modulation back to 0 reach every
// channel the pedal, the bend or the modulation went to, so changing windows while keys, the
// pedal or the wheels are held leaves nothing sounding or bent. The channel of the incoming
// messages does not matter. Runs on the UI thread.
//
// It also tells an input that carries the program's own output back (a loop-back): the program
// tells it every message it sends (sent()), and an incoming message equal to one sent within
// EchoWindow counts as an echo; EchoLimit echoes in a row call `onLoopBack` and the router plays
// nothing more until reset() (a new input). A musician's input is not an echo: what the program
// sends for it goes out after it came in.
class MidiInputRouter {
  public:
    using Clock = std::chrono::steady_clock;
    // A loop-back returns a message within a period or two of the audio server (a few ms, 43 ms
    // at 1024 frames and 48 kHz); no musician repeats a message that fast.
    static constexpr auto EchoWindow = std::chrono::milliseconds(50);
    static constexpr int EchoLimit = 12;

    MidiInputRouter(Midi& midi, IncomingNoteTarget target);

    // One incoming message, its bytes as they came.
    void handle(const std::vector<std::uint8_t>& message);
    // Ends what the input holds, where it went: every note still down, the pedal, the bend and
    // the modulation, as when the input closes or goes away.
    void releaseAll();

    // A short message the program sent (`size` bytes from `bytes`), for the loop-back check.
    void sent(const std::uint8_t* bytes, std::size_t size);
    // Called once when the input is found to loop back; the router then ignores the input.
    void setLoopBackHandler(std::function<void()> handler) { onLoopBack_ = std::move(handler); }
    bool loopBackFound() const { return loopBack_; }
    // A new input: the loop-back verdict and the echo count start again.
    void reset();

  private:
    struct Sent {
        std::array<std::uint8_t, 3> bytes{};
        Clock::time_point at{};
        bool matched = true; // an empty slot matches nothing
    };

    bool isEcho(const std::vector<std::uint8_t>& message);
    void noteOff(int note, int velocity);
    // Sends to `channels` and remembers, for a controller held away from rest, where it went; a
    // value at rest goes to the channels it went to as well.
    void sendHeld(std::set<int>& held, const std::vector<int>& channels, bool atRest,
                  std::uint32_t status, int data1, int data2);
    void sendToChannels(const std::vector<int>& channels, std::uint32_t status, int data1,
                        int data2);

    Midi& midi_;
    IncomingNoteTarget target_;
    std::map<int, QPointer<QObject>> notes_; // incoming note -> the keyboard it went to
    std::set<int> sustained_;                // channels the pedal went down on
    std::set<int> bent_;                     // channels bent away from the centre
    std::set<int> modulated_;                // channels with modulation above 0

    std::array<Sent, 64> sentRing_{}; // the last messages sent, oldest overwritten
    std::size_t sentNext_ = 0;
    int echoesInARow_ = 0;
    bool loopBack_ = false;
    std::function<void()> onLoopBack_;
};
