#pragma once

#include "devices/PortKinds.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

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
    QPushButton* CommSendAll = nullptr; // "Send all parts"

    void chooseRow(QListWidget* list, int row);
    std::vector<PortChoice> outputs_;
    std::vector<PortChoice> inputs_;
    bool italian_ = false;
};
