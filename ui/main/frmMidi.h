#pragma once

#include "midi/ports/MidiMapper.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// The choice of the MIDI output: the outputs present when it opened (the built-in synthesizer
// with its SoundFont, the ALSA and JACK ports, none), the current one selected. A click on an
// entry (or Enter on it) is the choice, applied at once by whoever listens to outputChosen.
class frmMidi : public QDialog {
    Q_OBJECT
  public:
    // `languageCode` 1 Italian, 2 English; `current` the mapper value of the output in use.
    frmMidi(int languageCode, std::vector<PortChoice> outputs, const QString& current,
            QWidget* parent = nullptr);

    // What an entry shows: "Synth GM (TimGM6mb.sf2)", "ALSA: NAME", "JACK: NAME", the word for
    // none.
    static QString EntryText(const PortChoice& choice, int languageCode);

    const std::vector<PortChoice>& outputs() const { return outputs_; }

    QLabel* Label1 = nullptr; // "MIDI Out"
    QListWidget* List1 = nullptr;
    QLabel* Label2 = nullptr; // the environment variable that wins at start, when set
    QPushButton* CommChiudi = nullptr;

  signals:
    void outputChosen(const QString& choice);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chooseRow(int row);
    std::vector<PortChoice> outputs_;
};
