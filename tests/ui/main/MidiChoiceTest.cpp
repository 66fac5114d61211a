// The choice of the MIDI output and input: a switch stops what sounds on the old port and gives
// the new one every part's state; a choice is remembered in its own file for the next start,
// where the environment still wins; a failing port is reported once and leaves the program silent.
#include "devices/Devices.h"
#include "devices/PortKinds.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/keyboard/Keyboard.h"

#include <QFileInfo>
#include <algorithm>
#include <gtest/gtest.h>

// The messages a capture port wrote to `path`, from byte `from` on, joined.
static std::string Captured(const QString& path, qint64 from = 0) {
    return ReadFile(path).mid(from).trimmed().replace('\n', ", ").toStdString();
}

// A switch of the output first ends, on the old port, the notes the part window and the master
// keyboard hold, the input's pedal and wheels and every channel's notes; the new port gets every
// part's state and the open master keyboard's sliders.
TEST(MidiChoice, ASwitchStopsTheOldPortResendsEveryPartAndIsRememberedWhenItWorks) {
    MainHost h;
    for (int n = 1; n <= 16; ++n)
        h.t.state.MasterKbSettings.at(n) = n == 5;
    h.t.state.MasterKbSettings.at(MasterKbElement::FirstSlider + 7) = 33; // Mod 1
    frmPart* part1 = h.ui.openPart(1);
    frmMasterKb* master = h.ui.openMasterKb();
    const QString a = h.t.folder.filePath("a.txt"), b = h.t.folder.filePath("b.txt");
    ASSERT_TRUE(h.main.devices().ChooseOutput("capture:" + a));
    // Part 1 with a program and moved sliders; part 2, with no window, on channel 10 and no
    // program; the others at their first-run values.
    auto& one = h.t.state.PartParams[1];
    one[PartRow::Volume] = 90;
    one[PartRow::Pan] = 20;
    one[PartRow::AttackTime] = 30;
    one[PartRow::PitchBend] = 100;
    one[PartRow::Reverb] = 70;
    one[PartRow::ProgramNumber] = 41;
    h.t.state.PartParams[2][PartRow::Channel] = 10;
    h.t.state.PartParams[2][PartRow::ProgramFlag] = 0;
    h.t.state.PartParams[2][PartRow::Chorus] = 127;
    // Key 24 (note 60 at the first-run key shift) sounds while the port changes.
    QTest::mousePress(part1->keyboard().Keys, Qt::LeftButton, {},
                      part1->keyboard().Keys->keyRect(24).topLeft() + QPoint(3, 3));
    QTest::mousePress(master->keyboard().Keys, Qt::LeftButton, {},
                      master->keyboard().Keys->keyRect(0).topLeft() + QPoint(3, 3));
    h.in({{0xB0, 64, 127}, {0xE0, 0, 0x60}, {0xB0, 1, 0x30}}); // pedal down, wheels moved
    const qint64 before = QFileInfo(a).size();
    ASSERT_TRUE(h.main.devices().ChooseOutput("capture:" + b));
    // The old port: the held keys' Note Offs, the pedal and wheels at rest, All Notes Off on every
    // channel; the new one: every part's state, then the master keyboard's sliders on channel 5.
    std::string old = "80 3c 40, 84 24 40, b4 40 00, e4 00 40, b4 01 00",
                expected = "c0 28, b0 07 5a, b0 0a 14, b0 49 1e, b0 48 00, "
                           "e0 7f 64, b0 01 00, b0 02 00, b0 5b 46, b0 5d 00, "
                           "b9 07 64, b9 0a 40, b9 49 00, b9 48 00, e9 7f 40, "
                           "b9 01 00, b9 02 00, b9 5b 00, b9 5d 7f";
    for (char ch : std::string("0123456789abcdef")) {
        old += std::string(", b") + ch + " 7b 00";
        std::string part = ", c_ 00, b_ 07 64, b_ 0a 40, b_ 49 00, b_ 48 00, e_ 7f 40, "
                           "b_ 01 00, b_ 02 00, b_ 5b 00, b_ 5d 00";
        std::replace(part.begin(), part.end(), '_', ch);
        if (ch > '1')
            expected += part;
    }
    expected += ", b4 07 64, b4 0a 40, b4 49 00, b4 48 00, e4 7f 40, b4 01 21, b4 02 00, b4 5b 00, "
                "b4 5d 00";
    EXPECT_EQ(Captured(a, before), old);
    EXPECT_EQ(Captured(b), expected);
    // The key's release sends nothing more: its note was stopped before the switch.
    QTest::mouseRelease(part1->keyboard().Keys, Qt::LeftButton, {},
                        part1->keyboard().Keys->keyRect(24).topLeft() + QPoint(3, 3));
    EXPECT_EQ(Captured(b), expected);

    // A port that fails is reported, not remembered, and silent until a choice works.
    EXPECT_FALSE(h.main.devices().ChooseOutput("capture:" + h.t.folder.filePath("missing/x.txt")));
    EXPECT_EQ(h.t.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
    EXPECT_FALSE(h.t.state.midi.outputEnabled());
    EXPECT_EQ(RememberedMidiChoice("output"), "capture:" + b);
    const QString d = h.t.folder.filePath("d.txt");
    ASSERT_TRUE(h.main.devices().ChooseOutput("capture:" + d));

    // In the MIDI dialog: "Send all parts" sends it all again after the switch; "No output" is
    // silent at once and at the next start; an input that fails is said in the dialog and leaves no
    // input.
    h.ui.openMidiDialog();
    h.ui.sendAllParts();
    EXPECT_EQ(Captured(d), expected + ", " + expected);
    ASSERT_TRUE(h.ui.chooseOutput("No output"));
    EXPECT_FALSE(h.t.state.midi.outputEnabled());
    EXPECT_EQ(CreateMappedPort(), nullptr);
    h.ui.chooseInputPort("jack:no-such-port");
    EXPECT_TRUE(h.ui.inputFailedShown());
    EXPECT_FALSE(h.t.state.midiIn.isOpen());
    EXPECT_EQ(StartInputChoice(), "none");
    EXPECT_EQ(h.t.sink.shown().size(), 1u);
    // The environment wins over what is remembered (the host puts it back as it was).
    qputenv("QUINTARO_MIDI_OUT", "none");
    EXPECT_NE(dynamic_cast<NullPort*>(CreateMappedPort().get()), nullptr);
    qputenv("QUINTARO_MIDI_IN", "alsa:Keys");
    EXPECT_EQ(StartInputChoice(), "alsa:Keys");
}
