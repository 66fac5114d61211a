// Writes a picture of the MIDI dialog as the program opens it from Preferences, with the ports
// present on this machine (plus sample ports, so the lists show every kind), the input that
// could not be opened said under its list, to the PNG named by the first argument (default
// midi_chooser.png).
#include "support/TestState.h"
#include "ui/main/frmMain.h"
#include "ui/main/frmMidi.h"

#include <QApplication>
#include <QListWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("midi_chooser.png");
    TestState t;
    std::vector<PortChoice> outputs = OutputChoices();
    if (outputs.size() <= 2) {
        outputs.insert(outputs.end() - 1,
                       {QStringLiteral("alsa:Midi Through:Midi Through Port-0 14:0"),
                        QStringLiteral("alsa"),
                        QStringLiteral("Midi Through:Midi Through Port-0 14:0")});
        outputs.insert(outputs.end() - 1,
                       {QStringLiteral("jack:fluidsynth:midi_00"), QStringLiteral("jack"),
                        QStringLiteral("fluidsynth:midi_00")});
    }
    std::vector<PortChoice> inputs = InputChoices();
    if (inputs.size() <= 1) {
        inputs.insert(inputs.begin(),
                      {QStringLiteral("jack:midi-keyboard:keys"), QStringLiteral("jack"),
                       QStringLiteral("midi-keyboard:keys")});
        inputs.insert(inputs.begin(),
                      {QStringLiteral("alsa:USB Keys:USB Keys MIDI 1 20:0"), QStringLiteral("alsa"),
                       QStringLiteral("USB Keys:USB Keys MIDI 1 20:0")});
    }
    frmMidi dialog(2, outputs, QStringLiteral("synth"), inputs, inputs.front().choice);
    dialog.showInputFailed(true);
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().save(out) ? 0 : 1;
}
