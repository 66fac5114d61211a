#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

struct AppState;
class MidiInputRouter;

// Watches the chosen MIDI input and output while the program runs, at each change the system
// announces (nothing else wakes it), and keeps the program playable when they come and go:
// - the input gone (a keyboard unplugged, its JACK client ended): everything it holds ends where
//   it went (Note Off, sustain 0, bend and modulation to rest), it is closed and said gone;
// - the output gone: nothing more is sent to it, the notes sounding on it are forgotten, it is
//   said gone;
// - either back (its name found again, without ALSA's client:port numbers, which change at every
//   plug), or found again without the program's own port connected to it (it went and came
//   back between two looks): opened again by itself; an output that comes back gets every part's
//   state again, since the device may have restarted;
// - an input found to carry the output back (a loop-back) is closed and said refused.
// Each change is said through statusChanged(), never in a message box. The built-in synthesizer,
// the capture file and "none" are not watched: they do not come and go.
class MidiDeviceWatch : public QObject {
    Q_OBJECT
  public:
    // How the watch reaches the devices: whether a port of a choice ("alsa:NAME", "jack:NAME")
    // is present now, and how to open one again. Tests may hand in their own.
    struct Access {
        std::function<bool(const QString& choice)> inputPresent;
        std::function<bool(const QString& choice)> outputPresent;
        std::function<bool(const QString& choice)> openInput;  // true when it opened
        std::function<bool(const QString& choice)> openOutput; // true when it works
        // Whether a port of the choice is connected to the program's own port (none: always).
        std::function<bool(const QString& choice)> inputConnected;
        std::function<bool(const QString& choice)> outputConnected;
        // Hands over what to call when the ports or their connections may have changed.
        std::function<void(std::function<void()> changed)> listen;
    };
    // The ports of the system, through RtMidi and the program's own opening of ports.
    static Access SystemAccess(AppState& state);

    // `forgetKeyboards`: the keyboards end and forget what they sound (sent, or dropped when the
    // output is off).
    MidiDeviceWatch(AppState& state, MidiInputRouter& router, std::function<void()> forgetKeyboards,
                    Access access, QObject* parent);

    // How long a port present may stay unconnected to the program's own before it counts as
    // gone and back: JACK runs a connection just made a cycle or more after it was asked for.
    static constexpr int SettleMs = 300;

    void setAccess(Access access);

    // The choices in use now, as the "MIDI…" dialog or the start made them ("none": nothing to
    // watch). A new choice is not gone.
    void setOutputChoice(const QString& choice);
    void setInputChoice(const QString& choice);
    const QString& inputChoice() const { return inputChoice_; }

    // One look at the ports (after a change announced, or the settling time).
    void check();
    // The input carries the output back: close it and say so.
    void refuseInput();

    bool inputGone() const { return inputGone_; }
    bool outputGone() const { return outputGone_; }
    const QString& status() const { return status_; }

  signals:
    void statusChanged(const QString& text);

  private:
    void checkInput();
    void checkOutput();
    void say(const char* source, const QString& name);
    bool lostConnection(const std::function<bool(const QString&)>& connected,
                        const QString& choice);

    AppState& state_;
    MidiInputRouter& router_;
    std::function<void()> forgetKeyboards_;
    Access access_;
    QTimer settle_;
    bool settled_ = false; // in the look the settling time asked for
    QString outputChoice_ = QStringLiteral("none");
    QString inputChoice_ = QStringLiteral("none");
    bool inputGone_ = false;
    bool outputGone_ = false;
    QString status_;
};
