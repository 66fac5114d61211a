#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

// Tells an input that carries the program's own output back (a loop-back) from a musician who
// plays fast. Timing cannot: a pad's note repeat, a ratchet, a wheel flickering between two
// values or a bend re-sent at rest bring the same bytes back within milliseconds, just as a loop
// does. What only a loop does is return a message no player sends: a probe, a short system
// exclusive message of the non-commercial manufacturer 0x7D carrying a random tag,
//     F0 7D t0 t1 t2 t3 F7
// (four random 7-bit bytes, drawn again for each new input). The probe goes out when an input
// is opened next to an output (a chosen input, one that came back, a new output), and again
// when what comes in repeats what went out as a loop would (SuspectLimit messages in a row, each
// equal to one sent within SuspectWindow; twice as many for each probe that did not come back,
// up to MaxSuspectLimit, so a player's synthesizer gets few of them; a new input starts again at
// SuspectLimit, so a loop whose opening probe went out before its connections ran is found after
// that many echoes and a round trip). Only the probe coming back is a verdict; suspicion only
// sends a probe, so a player is never held back, dropped or refused, and a synthesizer ignores
// the probe (manufacturer 0x7D is for no product).
//
// The probe goes out only to an output that can loop (ALSA, JACK): `send` says whether it did.
// Runs on the UI thread.
class LoopBackGuard {
  public:
    using Clock = std::chrono::steady_clock;
    using Probe = std::array<std::uint8_t, 7>;
    // Sends the probe if the output is one that can bring it back; true when it was sent.
    using SendProbe = std::function<bool(const Probe& probe)>;

    static constexpr std::uint8_t NonCommercial = 0x7D;
    // A loop returns a message within a period or two of the audio server (43 ms at 1024 frames
    // and 48 kHz) plus the program's own handling; a loaded machine may take several times that,
    // and one echo late past the window starts the count again. A wide window costs a player
    // nothing but an early probe.
    static constexpr auto SuspectWindow = std::chrono::milliseconds(1000);
    static constexpr int SuspectLimit = 8;
    static constexpr int MaxSuspectLimit = 1024;

    explicit LoopBackGuard(SendProbe send);

    // A message the program sent (short ones are remembered for the suspicion).
    void sent(const std::uint8_t* bytes, std::size_t size);
    // One incoming message: true when it is this program's probe come back, i.e. the input
    // loops back. Anything else only feeds the suspicion and is the caller's to play.
    bool incoming(const std::vector<std::uint8_t>& message);
    // A new input, or a new output next to it: a new tag, the counts cleared, a probe sent.
    void reset();
    // Sends the probe now (when the output can loop).
    void probe();

    const Probe& probeBytes() const { return probe_; }
    int probesSent() const { return probesSent_; }

  private:
    struct Sent {
        std::array<std::uint8_t, 3> bytes{};
        Clock::time_point at{};
        bool matched = true; // an empty slot matches nothing
    };

    void newTag();
    bool suspectedEcho(const std::vector<std::uint8_t>& message, Clock::time_point now);

    SendProbe send_;
    std::minstd_rand random_;
    Probe probe_{};
    int probesSent_ = 0;
    int suspectLimit_ = SuspectLimit;
    std::array<Sent, 64> sentRing_{}; // the last messages sent, oldest overwritten
    std::size_t sentNext_ = 0;
    int echoesInARow_ = 0;
};
