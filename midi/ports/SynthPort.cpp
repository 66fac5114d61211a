#include "midi/ports/SynthPort.h"

#include "midi/Midi.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/PulseOutput.h"
#include "midi/ports/SynthFeed.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <utility>

namespace {

// The system's GM SoundFonts, best first.
constexpr const char* KnownSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",          "/usr/share/soundfonts/default.sf2",
    "/usr/share/soundfonts/FluidR3_GM.sf2",        "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf3/MuseScore_General.sf3",
};

// FluidSynth's log is process-wide: one function for every level. It forwards to FluidSynth's
// own printer only when QUINTARO_SYNTH_LOG is set, and keeps the lines logged while a caller
// listens (to learn what an audio driver made of the settings asked for).
std::mutex logMutex;
std::vector<std::string>* logListener = nullptr;
bool logToTerminal = false;

void SynthLog(int level, const char* message, void*) {
    {
        std::lock_guard<std::mutex> lock(logMutex);
        if (logListener != nullptr)
            logListener->emplace_back(message != nullptr ? message : "");
    }
    if (logToTerminal)
        fluid_default_log_function(level, message, nullptr);
}

void InstallSynthLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        logToTerminal = !qEnvironmentVariableIsEmpty("QUINTARO_SYNTH_LOG");
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, SynthLog, nullptr);
    });
}

// Collects FluidSynth's log lines for its lifetime.
class LogListener {
  public:
    LogListener() {
        std::lock_guard<std::mutex> lock(logMutex);
        logListener = &lines;
    }
    ~LogListener() {
        std::lock_guard<std::mutex> lock(logMutex);
        logListener = nullptr;
    }
    std::vector<std::string> lines;
};

// The ALSA library prints its own complaints (no card, unknown PCM) straight to stderr. While an
// audio driver starts, and unless the synthesizer's log is wanted, they are dropped. The library
// is already loaded by FluidSynth where ALSA is used, so it is looked up rather than linked.
void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

class QuietAlsa {
  public:
    QuietAlsa() {
        if (logToTerminal)
            return;
        setHandler_ =
            reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"));
        if (setHandler_ != nullptr)
            setHandler_(DropAlsaMessage);
    }
    ~QuietAlsa() {
        if (setHandler_ != nullptr)
            setHandler_(nullptr); // the library's own handler again
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

  private:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    SetHandler setHandler_ = nullptr;
};

// Controllers FluidSynth has no default modulator for, given what a General MIDI 2 sound module
// does with them. Attack (73) and release (72) time are relative, centred at 64 (FluidSynth's
// initial value for both): 0 divides the envelope time by 2^(EnvelopeOctaves), 127 multiplies it
// by nearly as much. Breath (2) deepens the vibrato as the modulation wheel does, by as much: a
// slider called "Mod 2" beside "Mod 1" is a second modulation wheel, and its resting value 0
// leaves the sound as it is (breath to volume would silence every part left at 0).
constexpr double EnvelopeOctaves = 4;     // 1200 timecents an octave of time
constexpr double BreathVibratoCents = 50; // FluidSynth's own depth for controller 1

void AddControllerModulators(fluid_synth_t* synth) {
    struct Mapping {
        int controller;
        int polarity;
        int destination;
        double amount;
    };
    const Mapping mappings[] = {
        {73, FLUID_MOD_BIPOLAR, GEN_VOLENVATTACK, 1200 * EnvelopeOctaves},
        {72, FLUID_MOD_BIPOLAR, GEN_VOLENVRELEASE, 1200 * EnvelopeOctaves},
        {2, FLUID_MOD_UNIPOLAR, GEN_VIBLFOTOPITCH, BreathVibratoCents},
    };
    fluid_mod_t* mod = new_fluid_mod();
    for (const Mapping& m : mappings) {
        fluid_mod_set_source1(mod, m.controller,
                              FLUID_MOD_CC | m.polarity | FLUID_MOD_LINEAR | FLUID_MOD_POSITIVE);
        fluid_mod_set_source2(mod, FLUID_MOD_NONE, FLUID_MOD_GC);
        fluid_mod_set_dest(mod, m.destination);
        fluid_mod_set_amount(mod, m.amount);
        fluid_synth_add_default_mod(synth, mod, FLUID_SYNTH_OVERWRITE);
    }
    delete_fluid_mod(mod);
}

bool ReadsAs(const std::string& line, const char* format, int& first, int& second) {
    return std::sscanf(line.c_str(), format, &first, &second) == 2;
}

} // namespace

struct SynthPort::Fluid {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    std::unique_ptr<SynthFeed> feed;        // every message, to the thread that renders
    fluid_audio_driver_t* driver = nullptr; // FluidSynth's own driver, or
    std::unique_ptr<PulseOutput> pulse;     // the stream that sleeps, or
    std::unique_ptr<SynthFileWriter> file;  // FluidSynth's file driver in a thread of ours
};

void SynthPort::FluidDeleter::operator()(Fluid* fluid) const {
    // The driver first: its thread renders from the synthesizer.
    fluid->pulse.reset();
    fluid->file.reset();
    if (fluid->driver != nullptr)
        delete_fluid_audio_driver(fluid->driver);
    fluid->feed.reset();
    if (fluid->synth != nullptr)
        delete_fluid_synth(fluid->synth);
    if (fluid->settings != nullptr)
        delete_fluid_settings(fluid->settings);
    delete fluid;
}

SynthPort::SynthPort() : SynthPort(FindSoundFont()) {}

SynthPort::SynthPort(std::string soundFontPath)
    : soundFontPath_(std::move(soundFontPath)), notifier_(std::make_unique<QObject>()) {
    InstallSynthLog();
}

void SynthPort::setStatusHandler(std::function<void(int status)> handler) {
    statusHandler_ = std::move(handler);
}

// The audio thread's word reaches the thread that made the port as one queued call; one made
// after the port is gone is dropped with its notifier.
void SynthPort::tell(int status) {
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this, status] {
            if (statusHandler_)
                statusHandler_(status);
        },
        Qt::QueuedConnection);
}

SynthPort::~SynthPort() = default;

double SynthPort::RememberedGain() {
    bool number = false;
    const double gain = RememberedMidiChoice(QStringLiteral("gain")).toDouble(&number);
    return number ? std::clamp(gain, MinGain, MaxGain) : Gain;
}

std::string SynthPort::FindSoundFont() {
    const QByteArray chosen = qgetenv("QUINTARO_SOUNDFONT");
    if (!chosen.isEmpty())
        return chosen.toStdString();
    InstallSynthLog();
    const std::string remembered = RememberedMidiChoice(QStringLiteral("soundfont")).toStdString();
    if (!remembered.empty() && fluid_is_soundfont(remembered.c_str()))
        return remembered;
    for (const char* path : KnownSoundFonts)
        if (fluid_is_soundfont(path))
            return path;
    return {};
}

int SynthPort::deviceCount() {
    return !soundFontPath_.empty() && fluid_is_soundfont(soundFontPath_.c_str()) ? 1 : 0;
}

std::unique_ptr<SynthPort::Fluid, SynthPort::FluidDeleter>
SynthPort::createSynth(bool withAudio, std::vector<std::string>* driverLog) {
    std::unique_ptr<Fluid, FluidDeleter> fluid(new Fluid);
    fluid->settings = new_fluid_settings();
    if (fluid->settings == nullptr) {
        lastError_ = "FluidSynth settings could not be created";
        return nullptr;
    }
    fluid_settings_t* settings = fluid->settings;
    fluid_settings_setnum(settings, "synth.sample-rate", SampleRate);
    fluid_settings_setnum(settings, "synth.gain", gain_);
    // Without FluidSynth's API lock: only one thread at a time calls it (SynthFeed), so the
    // audio thread never waits for the thread that plays.
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    const std::string driver = withAudio ? ChooseAudioDriver() : std::string();
    if (withAudio) {
        // A short buffer: the time from a click to the sound is about one buffer.
        fluid_settings_setint(settings, "audio.period-size", PeriodSize);
        fluid_settings_setint(settings, "audio.periods",
                              driver == "pulseaudio" ? PulsePeriods : Periods);
        fluid_settings_setstr(settings, "audio.driver", driver.c_str());
        // When JACK it is, the synthesizer's outputs go to the sound card's playback ports.
        fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
        const QByteArray device = qgetenv("QUINTARO_SYNTH_DEVICE");
        if (!device.isEmpty())
            fluid_settings_setstr(settings, "audio.alsa.device", device.constData());
    }

    fluid->synth = new_fluid_synth(settings);
    if (fluid->synth == nullptr) {
        lastError_ = "FluidSynth synthesizer could not be created";
        return nullptr;
    }
    AddControllerModulators(fluid->synth);
    // The SoundFont loads before any audio thread renders, the API being without its lock.
    if (fluid_synth_sfload(fluid->synth, soundFontPath_.c_str(), 1) == FLUID_FAILED) {
        lastError_ = "SoundFont could not be loaded: " + soundFontPath_;
        return nullptr;
    }
    fluid->feed = std::make_unique<SynthFeed>(fluid->synth);

    if (withAudio && driver == "pulseaudio") {
        PulseOutput::Options options;
        options.sampleRate = SampleRate;
        options.periodFrames = PeriodSize;
        options.periods = PulsePeriods;
        options.idleSeconds = IdleSeconds;
        options.quietSeconds = QuietSeconds;
        options.silence = Silence;
        std::string error;
        fluid->pulse = PulseOutput::open(
            *fluid->feed, options, [this](int status) { tell(status); }, error);
        if (fluid->pulse == nullptr) {
            lastError_ = "no audio output; " + error;
            return nullptr;
        }
    } else if (withAudio && driver == "file") {
        fluid->file =
            std::make_unique<SynthFileWriter>(fluid->synth, *fluid->feed, PeriodSize, SampleRate);
        if (!fluid->file->ok()) {
            lastError_ = "no audio output; the file could not be written";
            return nullptr;
        }
    } else if (withAudio) {
        LogListener log;
        {
            QuietAlsa quiet;
            fluid->driver =
                new_fluid_audio_driver2(settings, SynthFeed::Process, fluid->feed.get());
        }
        if (driverLog != nullptr)
            *driverLog = log.lines;
        if (fluid->driver == nullptr) {
            lastError_ = "no audio output";
            for (const std::string& line : log.lines)
                lastError_ += "; " + line;
            return nullptr;
        }
    }
    return fluid;
}

void SynthPort::setGain(double gain) {
    gain_ = std::clamp(gain, MinGain, MaxGain);
    if (fluid_ != nullptr)
        fluid_->feed->pushGain(static_cast<float>(gain_));
}

std::uint32_t SynthPort::preload() {
    const std::uint32_t result = open();
    preloaded_ = result == MidiError::NoError;
    return result;
}

std::uint32_t SynthPort::open() {
    if (std::exchange(preloaded_, false))
        return MidiError::NoError;
    if (fluid_ != nullptr)
        return MidiError::Allocated;
    lastError_.clear();
    audioSetup_ = {};

    std::vector<std::string> driverLog;
    auto fluid = createSynth(true, &driverLog);
    if (fluid == nullptr)
        return MidiError::Error;

    // What the driver took: the settings, corrected by what it reported while starting.
    fluid_settings_t* settings = fluid->settings;
    char name[64] = {};
    fluid_settings_copystr(settings, "audio.driver", name, sizeof name);
    audioSetup_.driver = name;
    fluid_settings_getnum(settings, "synth.sample-rate", &audioSetup_.sampleRate);
    fluid_settings_getint(settings, "audio.period-size", &audioSetup_.requestedPeriodSize);
    fluid_settings_getint(settings, "audio.periods", &audioSetup_.requestedPeriods);
    audioSetup_.periodSize = audioSetup_.requestedPeriodSize;
    audioSetup_.periods = audioSetup_.requestedPeriods;
    if (fluid->pulse != nullptr && fluid->pulse->requestFrames() > 0) {
        // What the server granted: frames per request, and as many as it keeps queued.
        audioSetup_.periodSize = fluid->pulse->requestFrames();
        audioSetup_.periods =
            (fluid->pulse->queuedFrames() + audioSetup_.periodSize - 1) / audioSetup_.periodSize;
    }
    for (const std::string& line : driverLog) {
        int asked = 0;
        int got = 0;
        if (ReadsAs(line, "Requested a period size of %d, got %d", asked, got))
            audioSetup_.periodSize = got;
        else if (ReadsAs(line, "Requested %d periods, got %d", asked, got))
            audioSetup_.periods = got;
        else if (ReadsAs(line, "Requested sample rate of %d, got %d", asked, got))
            audioSetup_.sampleRate = got;
    }

    if (logToTerminal)
        std::fprintf(stderr,
                     "synthesizer: %s audio driver, %d periods of %d frames at %.0f Hz: %.1f ms\n",
                     audioSetup_.driver.c_str(), audioSetup_.periods, audioSetup_.periodSize,
                     audioSetup_.sampleRate, audioSetup_.bufferMilliseconds());

    fluid_ = std::move(fluid);
    offline_ = false;
    return MidiError::NoError;
}

std::unique_ptr<SynthPort> SynthPort::createOffline(const std::string& soundFontPath) {
    auto port = std::make_unique<SynthPort>(soundFontPath);
    auto fluid = port->createSynth(false, nullptr);
    if (fluid == nullptr)
        return nullptr;
    fluid->feed->setSingleThread(true);
    port->fluid_ = std::move(fluid);
    port->offline_ = true;
    port->offlineGate_ =
        std::make_unique<SleepGate>(static_cast<long>(IdleSeconds * SampleRate),
                                    static_cast<long>(QuietSeconds * SampleRate), Silence);
    port->audioSetup_.sampleRate = SampleRate;
    return port;
}

std::vector<float> SynthPort::render(int frames) {
    if (fluid_ == nullptr || !offline_ || frames <= 0)
        return {};
    std::vector<float> samples(2 * static_cast<std::size_t>(frames));
    for (int done = 0; done < frames && !offlineGate_->asleep();) {
        const int n = std::min(PeriodSize, frames - done);
        float* out = samples.data() + 2 * static_cast<std::size_t>(done);
        offlineGate_->rendering();
        fluid_->feed->render(out, n);
        if (offlineGate_->rendered(out, 2 * static_cast<std::size_t>(n), n,
                                   fluid_->feed->activeVoices()))
            ++offlineSleeps_;
        done += n;
    }
    return samples;
}

bool SynthPort::sleeping() const {
    if (offlineGate_ != nullptr)
        return offlineGate_->asleep();
    return fluid_ != nullptr && fluid_->pulse != nullptr && fluid_->pulse->asleep();
}

long SynthPort::sleeps() const {
    if (offlineGate_ != nullptr)
        return offlineSleeps_;
    return fluid_ != nullptr && fluid_->pulse != nullptr ? fluid_->pulse->sleeps() : 0;
}

long SynthPort::wakes() const {
    if (offlineGate_ != nullptr)
        return offlineWakes_;
    return fluid_ != nullptr && fluid_->pulse != nullptr ? fluid_->pulse->wakes() : 0;
}

void SynthPort::played() {
    if (fluid_->pulse != nullptr) {
        fluid_->pulse->messagePlayed();
    } else if (offlineGate_ != nullptr && offlineGate_->messageArrived()) {
        offlineGate_->woke();
        fluid_->feed->dropUnplayedFrames();
        ++offlineWakes_;
    }
}

std::uint32_t SynthPort::close() {
    if (fluid_ == nullptr)
        return MidiError::Error;
    fluid_.reset();
    return MidiError::NoError;
}

void SynthPort::playEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    if (fluid_ == nullptr)
        return;
    play(status, data1, data2);
    played();
}

void SynthPort::play(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    fluid_->feed->push(status, data1, data2);
}

void SynthPort::playStream(const std::vector<std::uint8_t>& bytes) {
    if (fluid_ == nullptr)
        return;
    const std::size_t n = bytes.size();
    std::uint8_t running = 0; // running status of channel messages
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = bytes[i];
        if (b == 0xF0) { // system exclusive up to its end byte; FluidSynth wants it without both
            std::size_t end = i + 1;
            while (end < n && bytes[end] != 0xF7)
                ++end;
            if (end < n)
                fluid_->feed->pushSysex(bytes.data() + i + 1, end - i - 1);
            running = 0;
            i = end + 1;
            continue;
        }
        if (b >= 0xF8) { // real time: one byte, running status untouched
            play(b, 0, 0);
            ++i;
            continue;
        }
        std::uint8_t status = running;
        if (b & 0x80) {
            status = b;
            running = b < 0xF0 ? b : 0;
            ++i;
        } else if (status == 0) {
            ++i; // a data byte with no status to belong to
            continue;
        }
        const std::size_t need = static_cast<std::size_t>(ShortMessageLength(status) - 1);
        if (i + need > n)
            break; // the stream ends inside a message
        std::size_t k = 0;
        while (k < need && (bytes[i + k] & 0x80) == 0)
            ++k;
        if (k < need) {
            i += k; // a status byte cuts this message short: go on from there
            continue;
        }
        play(status, need > 0 ? bytes[i] : 0, need > 1 ? bytes[i + 1] : 0);
        i += need;
    }
    played();
}

std::uint32_t SynthPort::shortMessage(std::uint32_t message) {
    if (fluid_ == nullptr)
        return MidiError::Error;
    playEvent(static_cast<std::uint8_t>(message & 0xFF),
              static_cast<std::uint8_t>((message >> 8) & 0xFF),
              static_cast<std::uint8_t>((message >> 16) & 0xFF));
    return MidiError::NoError;
}

std::uint32_t SynthPort::sendLong(const std::vector<std::uint8_t>& bytes) {
    if (fluid_ == nullptr)
        return MidiError::Error;
    playStream(bytes);
    return MidiError::NoError;
}
