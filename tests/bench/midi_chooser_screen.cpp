// Writes a picture of the MIDI dialog as the program opens it from Preferences, with the ports
// present on this machine (plus two sample ports, so the list shows every kind), to the PNG
// named by the first argument (default midi_chooser.png).
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
    frmMidi dialog(2, outputs, QStringLiteral("synth"));
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().save(out) ? 0 : 1;
}
