#pragma once

#include "midi/MidiPort.h"
#include "midi/ports/SleepGate.h"

class QObject;
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The built-in General MIDI synthesizer: FluidSynth with a GM SoundFont, playing through the
// desktop's audio with a short buffer, so that a key pressed on screen sounds at once. It takes
// MIDI events, so it parses short messages and the byte stream of long ones, and hands them to
// the audio thread through SynthFeed: while audio runs, only that thread calls FluidSynth. Attack
// time (73), release time (72) and breath (2) have modulators of their own, as on a GM2 sound
// module.
//
// Through a PulseAudio or PipeWire server it plays with a stream of its own (PulseOutput) that
// sleeps when the synthesizer has been silent for IdleSeconds (no voice, nothing above Silence),
// or QuietSeconds when nothing sounded since it woke, and wakes at the next message: silent, it
// renders nothing and wakes nobody. JACK runs a fixed period for every client and ALSA direct holds
// the device: those keep FluidSynth's own driver, which renders all the time.
//
// The SoundFont is the one it is made with: by default QUINTARO_SOUNDFONT when set,
// else the one remembered in midi.conf (soundfont=PATH) while it is a SoundFont, else the first
// of the system's GM SoundFonts that exists. Without one the synthesizer counts no device.
// FluidSynth's log stays off the terminal unless QUINTARO_SYNTH_LOG is set. QUINTARO_SYNTH_DRIVER
// names the FluidSynth audio driver instead of ChooseAudioDriver(), QUINTARO_SYNTH_DEVICE the ALSA
// device (e.g. "null", a sink that plays nothing).
class SynthPort : public LongMessagePort {
  public:
    // What the audio driver was asked for and what it took, after a successful open. The ALSA
    // driver reports a period size or count it could not have; other drivers report nothing, and
    // then what was asked is all that is known (JACK, for one, uses the server's own period).
    struct AudioSetup {
        std::string driver;    // FluidSynth's name of the audio driver
        double sampleRate = 0; // frames per second
        int periodSize = 0;    // frames per period
        int periods = 0;       // periods in the buffer
        int requestedPeriodSize = 0;
        int requestedPeriods = 0;
        // periodSize * periods / sampleRate, in milliseconds
        double bufferMilliseconds() const {
            return sampleRate > 0 ? 1000.0 * periodSize * periods / sampleRate : 0;
        }
    };

    static constexpr double SampleRate = 44100;
    static constexpr int PeriodSize = 64;  // frames
    static constexpr int Periods = 4;      // FluidSynth's drivers: 256 frames, 5.8 ms at 44.1 kHz
    static constexpr int PulsePeriods = 2; // PulseAudio: 128 frames queued, its own latency in
    // The output level (synth.gain), kept in midi.conf as gain=VALUE. 0.35: one part is well
    // heard (FluidSynth's default 0.2 is faint), and 16 parts at their first-run volume, each
    // playing a six-note chord at the keyboard's first-run velocity, peak at 0.86 of full scale
    // with TimGM6mb (0.5 peaked at 1.22 and clipped). Louder settings are the user's choice.
    static constexpr double Gain = 0.35;
    static constexpr double MinGain = 0.05;
    static constexpr double MaxGain = 1.0;
    // The stream sleeps after this long with no active voice and every sample below Silence
    // (-80 dBFS), so release phases and the reverb's and chorus's tails end first.
    static constexpr double IdleSeconds = 1.0;
    static constexpr float Silence = 1e-4f;
    // After a wake in which nothing sounded (a controller, a program, the stream's opening) it
    // waits only this long for a further message: no tail can follow.
    static constexpr double QuietSeconds = 0.1;

    // Uses the SoundFont found by FindSoundFont().
    SynthPort();
    explicit SynthPort(std::string soundFontPath);
    ~SynthPort() override;
    SynthPort(const SynthPort&) = delete;
    SynthPort& operator=(const SynthPort&) = delete;

    // QUINTARO_SOUNDFONT when set (even when it is no SoundFont: then there is no device), else
    // the one remembered in midi.conf while it is a SoundFont, else the first SoundFont found
    // among the system's GM SoundFonts; empty when there is none.
    static std::string FindSoundFont();
    // The level remembered in midi.conf, within MinGain..MaxGain; Gain when none is.
    static double RememberedGain();
    // QUINTARO_SYNTH_DRIVER when set; else "pulseaudio" when a PulseAudio or PipeWire server
    // answers (PULSE_SERVER, or the socket under XDG_RUNTIME_DIR), "jack" when a JACK server
    // runs already, "alsa" otherwise. Never starts a JACK server, and sets JACK_NO_START_SERVER
    // so that nothing later does.
    static std::string ChooseAudioDriver(); // SynthAudioDriver.cpp

    // A synthesizer with no audio driver, already open, rendered on demand with render(): for
    // tests and offline use. Null when the SoundFont cannot be loaded.
    static std::unique_ptr<SynthPort> createOffline(const std::string& soundFontPath);
    // Offline only: the next `frames` frames as interleaved stereo floats (left, right, left,
    // ...), 2 * frames values at SampleRate. Empty for a synthesizer playing through a driver.
    // Rendered in periods as the PulseAudio stream renders them, each after applying what waits
    // in the same SynthFeed the audio thread drains, and asleep as it would be:
    // once the synthesizer sleeps, the rest is zeros without rendering until a message wakes it.
    std::vector<float> render(int frames);
    // Whether the synthesizer sleeps now (offline, or through PulseAudio; never with another
    // driver), and how often it fell asleep and woke since it opened.
    bool sleeping() const;
    long sleeps() const;
    long wakes() const;

    const std::string& soundFontPath() const { return soundFontPath_; }
    bool isOpen() const override { return fluid_ != nullptr; }
    // It knows nothing of the parts when it opens: the program sends it every part's state.
    bool startsEmpty() const override { return true; }
    // Told when the sound goes and comes back (PulseAudio), on the thread that made the port.
    void setStatusHandler(std::function<void(int status)> handler) override;
    const AudioSetup& audioSetup() const { return audioSetup_; }
    // Why the last open failed, for a diagnostic.
    const std::string& lastError() const { return lastError_; }

    // The output level, at once (in order with the messages sent before).
    void setGain(double gain);
    double gain() const { return gain_; }
    // Opens the synthesizer (loading the SoundFont, which may take a second or more) on a thread
    // of the caller's choice, before anyone else uses the port; the next open() then only takes
    // it. NoError or MidiError::Error, as open().
    std::uint32_t preload();

    // 1 when the SoundFont is there, else 0.
    int deviceCount() override;
    // Starts the synthesizer, its audio driver and loads the SoundFont; on any failure frees all
    // and answers MidiError::Error.
    std::uint32_t open() override;
    std::uint32_t close() override;
    std::uint32_t shortMessage(std::uint32_t message) override;

    // Plays one channel message on the synthesizer (status, then up to two data bytes), waking
    // it when it sleeps.
    void playEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // Plays a byte stream of MIDI messages: several messages, running status, system exclusive.
    void playStream(const std::vector<std::uint8_t>& bytes);

  protected:
    std::uint32_t sendLong(const std::vector<std::uint8_t>& bytes) override;

  private:
    struct Fluid; // FluidSynth's settings, synthesizer and audio driver or PulseAudio stream
    struct FluidDeleter {
        void operator()(Fluid* fluid) const;
    };
    // Settings, synthesizer and, `withAudio`, the audio driver (its log lines while starting go
    // to `driverLog`), with the SoundFont loaded; null on any failure, with lastError_ set.
    std::unique_ptr<Fluid, FluidDeleter> createSynth(bool withAudio,
                                                     std::vector<std::string>* driverLog);
    // Hands `status` to the status handler on the thread that made the port.
    void tell(int status);
    // One message to the synthesizer, without waking it.
    void play(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // After a message: wakes a sleeping synthesizer.
    void played();

    std::string soundFontPath_;
    std::unique_ptr<Fluid, FluidDeleter> fluid_;
    bool offline_ = false;
    std::unique_ptr<SleepGate> offlineGate_; // offline: when render() would sleep
    long offlineSleeps_ = 0;
    long offlineWakes_ = 0;
    std::unique_ptr<QObject> notifier_; // lives on the thread that made the port
    std::function<void(int)> statusHandler_;
    AudioSetup audioSetup_;
    std::string lastError_;
    double gain_ = RememberedGain();
    bool preloaded_ = false; // opened by preload(), not yet taken by open()
};
