#pragma once

#include "devices/PortKinds.h"

#include <QDialog>
#include <QString>
#include <vector>

class Devices;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

// The choice of the MIDI output and input: the outputs present when it opened (the built-in
// synthesizer with its SoundFont, the ALSA and JACK ports, none) and the inputs (the ALSA and JACK
// ports, none), the ones in use selected. A click on an entry (or Enter on it) is the choice,
// applied at once by whoever listens to outputChosen or inputChosen.
class frmMidi : public QDialog {
    Q_OBJECT
  public:
    // `languageCode` 1 Italian, 2 English; `current` the mapper value of the output in use.
    // `inputs` and `currentInput` likewise for the input ("none" when none is open).
    frmMidi(int languageCode, std::vector<PortChoice> outputs, const QString& current,
            std::vector<PortChoice> inputs = {}, const QString& currentInput = {},
            QWidget* parent = nullptr);

    // What an entry shows: "Synth GM (TimGM6mb.sf2)", "ALSA: NAME", "JACK: NAME", the word for
    // none (of an input when `input`).
    static QString EntryText(const PortChoice& choice, int languageCode, bool input = false);
    // The built-in synthesizer's controls beside its entry (frmMidiSynth.cpp): "SoundFont...",
    // which asks for a file in Qt's own dialog and has `devices` load it, what the load is
    // doing, and the level slider (gain 0.05..1.00 in steps of 0.05).
    void attachSynth(Devices& devices);
    // Qt's own file dialog over the SoundFonts (*.sf2 *.sf3), opening in the folder of `current`
    // (else where the system keeps them); empty when cancelled.
    static QString AskSoundFont(QWidget* parent, const QString& current, int languageCode);

    // Says under the inputs that the chosen one could not be opened, or nothing.
    void showInputFailed(bool failed);

    const std::vector<PortChoice>& outputs() const { return outputs_; }
    const std::vector<PortChoice>& inputs() const { return inputs_; }

  signals:
    // "Send all parts": every part's state (and the open master keyboard's) to the output.
    void sendAllRequested();
    void outputChosen(const QString& choice);
    void inputChosen(const QString& choice);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class MainWindowDriver;
    QLabel* Label1 = nullptr; // "MIDI Out"
    QListWidget* List1 = nullptr;
    QLabel* Label2 = nullptr; // the environment variable that wins at start, when set
    QLabel* Label3 = nullptr; // "MIDI In"
    QListWidget* List2 = nullptr;
    QLabel* Label4 = nullptr; // the input that could not be opened
    QPushButton* CommChiudi = nullptr;
    QPushButton* CommSendAll = nullptr;   // "Send all parts"
    QPushButton* CommSoundFont = nullptr; // "SoundFont..."
    QLabel* Label5 = nullptr;             // the SoundFont loading, or refused
    QLabel* Label6 = nullptr;             // "Level"
    QSlider* SliderGain = nullptr;        // the synthesizer's level, in twentieths
    void showSoundFont(const QString& path, bool loading, bool ok);

    void chooseRow(QListWidget* list, int row);
    std::vector<PortChoice> outputs_;
    std::vector<PortChoice> inputs_;
    int languageCode_ = 1;
};
