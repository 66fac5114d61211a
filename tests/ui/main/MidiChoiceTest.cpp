// The choice of the MIDI output and input: a switch stops what sounds on the old port and gives
// the new one every part's state; a choice is remembered in its own file for the next start,
// where the environment still wins; a failing port is reported once and leaves the program silent.
#include "midi/ports/FileCapturePort.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "support/JackServer.h"
#include "support/TestState.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <rtmidi/RtMidi.h>

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

Lines fileLines(const QString& path) {
    QFile file(path);
    Lines lines;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty())
                lines.push_back(line.toStdString());
    return lines;
}

// A main window over a fresh state (whose own configuration folder keeps the choices), with
// QUINTARO_MIDI_OUT and QUINTARO_MIDI_IN unset while it lives.
struct Chooser {
    Chooser() : main(t.state) {
        qunsetenv("QUINTARO_MIDI_OUT");
        qunsetenv("QUINTARO_MIDI_IN");
        main.resize(1400, 1000);
        main.show();
    }
    ~Chooser() {
        qputenv("QUINTARO_MIDI_OUT", savedOut);
        qputenv("QUINTARO_MIDI_IN", savedIn);
    }
    QString file(const char* name) const { return t.folder.filePath(QString::fromLatin1(name)); }
    QByteArray savedOut = qgetenv("QUINTARO_MIDI_OUT"), savedIn = qgetenv("QUINTARO_MIDI_IN");
    TestState t;
    frmMain main;
    MainWindowDriver ui{main};
};

} // namespace

TEST(MidiChoice, SwitchStopsTheOldPortAndResendsEveryPartByteForByte) {
    Chooser c;
    frmPart* part1 = c.ui.openPart(1);
    const QString a = c.file("a.txt"), b = c.file("b.txt");
    ASSERT_TRUE(c.main.ChooseOutput("capture:" + a));
    // Part 1 with a program and moved sliders; part 2, with no window, on channel 10 and no
    // program; the others at their first-run values.
    auto& part1Row = c.t.state.PartParams[1];
    const std::pair<int, int> moved[] = {{PartRow::Volume, 90},
                                         {PartRow::Pan, 20},
                                         {PartRow::AttackTime, 30},
                                         {PartRow::PitchBend, 100},
                                         {PartRow::Reverb, 70}};
    for (const auto& [row, v] : moved)
        part1Row[row] = static_cast<std::uint8_t>(v);
    part1Row[PartRow::ProgramNumber] = 41;
    auto& part2 = c.t.state.PartParams[2];
    part2[PartRow::Channel] = 10;
    part2[PartRow::ProgramFlag] = 0;
    part2[PartRow::Modulation1] = 5;
    part2[PartRow::Chorus] = 127;
    // Key 24 (note 60 at the first-run key shift) sounds while the port changes.
    QTest::mousePress(part1->keyboard().Key[24], Qt::LeftButton, {}, QPoint(3, 3));
    const std::size_t before = fileLines(a).size();

    ASSERT_TRUE(c.main.ChooseOutput("capture:" + b));
    // The old port: the sounding note's Note Off, then All Notes Off on every channel.
    Lines old{"80 3c 40"};
    for (char ch : std::string("0123456789abcdef"))
        old.push_back(std::string("b") + ch + " 7b 00");
    const Lines sentToA = fileLines(a);
    EXPECT_EQ(Lines(sentToA.begin() + static_cast<std::ptrdiff_t>(before), sentToA.end()), old);

    Lines expected{"c0 28",    "b0 07 5a", "b0 0a 14", "b0 49 1e", "b0 48 00",
                   "e0 7f 64", "b0 01 00", "b0 02 00", "b0 5b 46", "b0 5d 00",
                   "b9 07 64", "b9 0a 40", "b9 49 00", "b9 48 00", "e9 7f 40",
                   "b9 01 05", "b9 02 00", "b9 5b 00", "b9 5d 7f"};
    for (char ch : std::string("23456789abcdef"))
        for (const char* line : {"c_ 00", "b_ 07 64", "b_ 0a 40", "b_ 49 00", "b_ 48 00",
                                 "e_ 7f 40", "b_ 01 00", "b_ 02 00", "b_ 5b 00", "b_ 5d 00"}) {
            std::string text(line);
            text[1] = ch;
            expected.push_back(text);
        }
    EXPECT_EQ(fileLines(b), expected);

    // The key's release sends nothing more: its note was stopped before the switch.
    QTest::mouseRelease(part1->keyboard().Key[24], Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(fileLines(b).size(), expected.size());
    EXPECT_TRUE(c.t.sink.shown().empty());
}

// A choice that works is remembered for the next start (the environment still wins); one that
// fails is reported once, not remembered, and leaves the program silent until a choice works;
// "No output" in the dialog is silent at once and at the next start.
TEST(MidiChoice, OutputChoiceIsRememberedAndAFailingOneIsReportedOnce) {
    Chooser c;
    const QString b = c.file("b.txt");
    ASSERT_TRUE(c.main.ChooseOutput("capture:" + b));
    const std::unique_ptr<MidiPort> atStart = CreateMappedPort();
    auto* remembered = dynamic_cast<FileCapturePort*>(atStart.get());
    ASSERT_NE(remembered, nullptr);
    EXPECT_EQ(remembered->path(), b.toStdString());
    qputenv("QUINTARO_MIDI_OUT", "none");
    EXPECT_NE(dynamic_cast<NullPort*>(CreateMappedPort().get()), nullptr);
    qunsetenv("QUINTARO_MIDI_OUT");

    EXPECT_FALSE(c.main.ChooseOutput("capture:" + c.file("missing/x.txt")));
    EXPECT_EQ(c.t.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
    EXPECT_FALSE(c.t.state.midi.outputEnabled());
    EXPECT_EQ(RememberedMidiChoice("output"), "capture:" + b);
    const QString d = c.file("d.txt");
    ASSERT_TRUE(c.main.ChooseOutput("capture:" + d));
    EXPECT_TRUE(c.t.state.midi.outputEnabled());
    EXPECT_EQ(fileLines(d).size(), 16u * 10u);

    { // The item closes Preferences, captioned alike in both languages.
        TestState italian(1);
        frmMain i(italian.state);
        for (frmMain* m : {&c.main, &i})
            EXPECT_EQ(MainWindowDriver(*m).midiMenuItem(), QString::fromUtf8("MIDI\u2026"));
    }
    c.ui.openMidiDialog();
    const QStringList outputs = c.ui.outputs();
    ASSERT_FALSE(outputs.isEmpty());
    EXPECT_TRUE(outputs.front().startsWith("Synth GM"));
    EXPECT_EQ(outputs.back(), "No output");
    ASSERT_TRUE(c.ui.chooseOutput("No output"));
    EXPECT_FALSE(c.t.state.midi.outputEnabled());
    EXPECT_EQ(CreateMappedPort(), nullptr);
    EXPECT_EQ(c.t.sink.shown().size(), 1u);
}

// The input chosen in the dialog: a failing port says so in the dialog and leaves no input; a
// port from a JACK client opens, is remembered for the next start (the environment still wins),
// is selected when the dialog opens again, and "No input" ends the note it holds and closes it.
// Depends on jackd (a private server on the dummy backend) for its second half.
TEST(MidiChoice, InputChoiceOpensIsRememberedAndNoInputEndsItsNotes) {
    Chooser c;
    c.ui.openPart(1);
    c.ui.openMidiDialog();
    EXPECT_EQ(c.ui.inputs().back(), "No input");
    c.ui.chooseInputPort("jack:no-such-port");
    EXPECT_TRUE(c.ui.inputFailedShown());
    EXPECT_FALSE(c.t.state.midiIn.isOpen());
    EXPECT_EQ(StartInputChoice(), "none");
    EXPECT_TRUE(c.t.sink.shown().empty());

    JackServer server(QStringLiteral("quintaro-midi-choice"));
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    RtMidiOut client(RtMidi::UNIX_JACK, "midi-keyboard");
    client.openVirtualPort("keys");
    c.ui.openMidiDialog();
    ASSERT_TRUE(c.ui.chooseInput("JACK: midi-keyboard:keys"));
    EXPECT_TRUE(c.t.state.midiIn.isOpen());
    EXPECT_FALSE(c.ui.inputFailedShown());
    EXPECT_EQ(StartInputChoice(), "jack:midi-keyboard:keys");
    qputenv("QUINTARO_MIDI_IN", "alsa:Keys");
    EXPECT_EQ(StartInputChoice(), "alsa:Keys");
    qunsetenv("QUINTARO_MIDI_IN");

    c.ui.openMidiDialog();
    EXPECT_EQ(c.ui.selectedInput(), "JACK: midi-keyboard:keys");
    c.t.state.midiIn.handler()({0x90, 60, 0x64});
    c.t.port->clear();
    ASSERT_TRUE(c.ui.chooseInput("No input"));
    EXPECT_EQ(c.t.port->messageLines(), Lines{"80 3c 40"});
    EXPECT_FALSE(c.t.state.midiIn.isOpen());
    EXPECT_EQ(StartInputChoice(), "none");
}
