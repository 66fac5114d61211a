#pragma once

#include "devices/MidiInputRouter.h"
#include "devices/PortKinds.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct AppState;
class MidiDeviceWatch;
class QThread;
class SynthPort;

// The program's MIDI devices below its windows: which output and input are in use, switching
// them, remembering the choice for the next start, the watch over ports that come and go (an
// output that comes back gets every part's state again), the refusal of an input that carries the
// output back, and the router that plays the input. The main window creates it, hands it where
// incoming notes play and how its keyboards let go of what they hold, shows what it lists in the
// "MIDI..." dialog and what it says in the status bar.
class Devices : public QObject {
    Q_OBJECT
  public:
    // `releaseKeyboards`: every keyboard sends the Note Offs of what it holds (nothing goes out
    // while the output is off: then they only forget) and forgets its latched notes and marks.
    Devices(AppState& state, IncomingNoteTarget target, std::function<void()> releaseKeyboards,
            QObject* parent = nullptr);
    ~Devices() override;

    // Switches the output to the mapper value `choice` ("synth", "alsa:NAME", "jack:NAME",
    // "capture:FILE", "none") at once: the keyboards' sounding notes get their Note Offs, the
    // old port All Notes Off on every channel and is closed, the new one opened and given every
    // part's state. A choice that works, and "none", is remembered for the next start; a failing
    // one is reported by its device message and leaves the program silent.
    bool ChooseOutput(const QString& choice);
    // Ends what the old input holds where it went, closes it and opens `choice` ("none",
    // "alsa:NAME", "jack:NAME"); remembered for the next start when it opened. False, and no input,
    // when it could not be opened.
    bool ChooseInput(const QString& choice);
    // Refuses the input when it is the output's own device (ALSA's "Midi Through" is the first
    // entry of both lists): what the program sends would come back in for ever. True when it did.
    bool RefuseInputLoopingToOutput();
    // Every part's state (and the open master keyboard's) to the output.
    void SendAllStates();

    // The built-in synthesizer's SoundFont (SoundFontChoice.cpp). Ends what sounds, then loads
    // `path` on a thread of its own while the windows go on (soundFontLoading, and the status
    // bar, say so). Loaded: the synthesizer, when it is the output, plays with it from then on
    // and is given every part's state again; the choice is remembered (soundfont= in midi.conf).
    // Not a SoundFont, or unreadable: refused, the old one keeps playing, nothing is remembered.
    // False when a load is under way already.
    bool ChooseSoundFont(const QString& path);
    bool loadingSoundFont() const { return loader_ != nullptr; }
    // The SoundFont the synthesizer plays (or would play, when it is not the output): the one
    // chosen in this run, else the one the start finds (SynthPort::FindSoundFont).
    QString SoundFont() const;
    // The synthesizer's output level, applied at once and remembered (gain= in midi.conf).
    void SetSynthGain(double gain);
    // The level the synthesizer starts at (the one remembered), and the range it may take: the
    // windows show them without knowing the synthesizer's port.
    static double SynthGain();
    static double SynthGainMin();
    static double SynthGainMax();

    // The mapper value of the output in use (the start's until one is chosen), and the input in
    // use as the list of inputs names it ("none" when none is open).
    const QString& outputChoice();
    QString inputChoice() const;
    // What can be chosen now.
    std::vector<PortChoice> outputs() const;
    std::vector<PortChoice> inputs() const { return InputChoices(); }

    // What the devices did last (gone, back, refused), as the status bar says it.
    const QString& status() const;

    MidiDeviceWatch& watch() { return *watch_; }
    MidiInputRouter& router() { return router_; }

  signals:
    void statusChanged(const QString& text);
    void soundFontLoading(const QString& path);
    // After a load: whether `path` was taken.
    void soundFontLoaded(const QString& path, bool ok);

  private:
    AppState& state_;
    std::function<void()> releaseKeyboards_;
    MidiInputRouter router_;
    MidiDeviceWatch* watch_ = nullptr;
    QString outputChoice_; // the mapper value of the output in use; empty: the one of the start
    void soundFontDone(const QString& path, bool preloaded, bool ok);
    QThread* loader_ = nullptr; // the load under way
    QString
        soundFontThisRun_; // chosen in the "MIDI…" dialog: beats QUINTARO_SOUNDFONT from then on
    std::unique_ptr<SynthPort> loadedPort_;
};
