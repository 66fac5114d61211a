// The choice of the MIDI output in the program: a switch stops what sounds on the old port and
// gives the new one every part's state; the choice is remembered in its own file, the
// environment still wins at start; a failing port is reported once and leaves the program silent.
#include "../part/PartHost.h"
#include "midi/ports/FileCapturePort.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "support/JackServer.h"
#include "ui/main/frmMidi.h"
#include "ui/part/LevelScrollBar.h"

#include <rtmidi/RtMidi.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
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

// The user's configuration folder of one test, QUINTARO_MIDI_OUT and QUINTARO_MIDI_IN unset, all
// restored after.
struct ConfigHome {
    ConfigHome()
        : savedHome(qgetenv("XDG_CONFIG_HOME")), savedOut(qgetenv("QUINTARO_MIDI_OUT")),
          savedIn(qgetenv("QUINTARO_MIDI_IN")) {
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        qunsetenv("QUINTARO_MIDI_OUT");
        qunsetenv("QUINTARO_MIDI_IN");
    }
    ~ConfigHome() {
        qputenv("XDG_CONFIG_HOME", savedHome);
        qputenv("QUINTARO_MIDI_OUT", savedOut);
        qputenv("QUINTARO_MIDI_IN", savedIn);
    }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    QByteArray savedHome, savedOut, savedIn;
};

// Clicks the entry of `list` that reads `text`; false when there is none.
bool clickEntry(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
    return true;
}

// What a part sends on channel nibble c with all rows at their first-run values: program 1, volume
// 100, pan 64, attack 0, release 0, bend centre, mod 1, mod 2, reverb, chorus 0.
Lines defaultPart(char c) {
    const std::string n(1, c);
    return {"c" + n + " 00",    "b" + n + " 07 64", "b" + n + " 0a 40", "b" + n + " 49 00",
            "b" + n + " 48 00", "e" + n + " 7f 40", "b" + n + " 01 00", "b" + n + " 02 00",
            "b" + n + " 5b 00", "b" + n + " 5d 00"};
}

Lines allNotesOff() {
    Lines lines;
    for (const char* c :
         {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c", "d", "e", "f"})
        lines.push_back(std::string("b") + c + " 7b 00");
    return lines;
}

} // namespace

TEST(MidiChoice, SwitchStopsTheOldPortAndResendsEveryPartByteForByte) {
    PartHost h;
    ConfigHome home; // after the state, whose own configuration folder it replaces
    frmPart* part1 = h.open(1);
    const QString a = home.file("a.txt"), b = home.file("b.txt");
    ASSERT_TRUE(h.main.ChooseOutput("capture:" + a));
    // Part 1 through its window's sliders and a program; part 2, with no window, on channel 10
    // with no program.
    for (const auto& [k, v] : {std::pair{0, 90}, {1, 20}, {4, 30}, {6, 100}, {9, 70}})
        part1->VScroll[k]->setValue(v);
    h.t.state.PartParams[1][PartRow::ProgramNumber] = 41;
    auto& part2 = h.t.state.PartParams[2];
    part2[PartRow::Channel] = 10;
    part2[PartRow::ProgramFlag] = 0;
    part2[PartRow::Modulation1] = 5;
    part2[PartRow::Chorus] = 127;
    // Key 24 (note 60 at the first-run key shift) sounds while the port changes.
    h.kb->Key_MouseDown(24);
    const std::size_t before = fileLines(a).size();

    ASSERT_TRUE(h.main.ChooseOutput("capture:" + b));
    // The old port: the remembered Note Off first, then All Notes Off on every channel.
    Lines old{"80 3c 40"};
    for (const std::string& line : allNotesOff())
        old.push_back(line);
    const Lines sentToA = fileLines(a);
    EXPECT_EQ(Lines(sentToA.begin() + static_cast<std::ptrdiff_t>(before), sentToA.end()), old);

    Lines expected{"c0 28",    "b0 07 5a", "b0 0a 14", "b0 49 1e", "b0 48 00",
                   "e0 7f 64", "b0 01 00", "b0 02 00", "b0 5b 46", "b0 5d 00",
                   "b9 07 64", "b9 0a 40", "b9 49 00", "b9 48 00", "e9 7f 40",
                   "b9 01 05", "b9 02 00", "b9 5b 00", "b9 5d 7f"};
    for (char c : std::string("23456789abcdef"))
        for (const std::string& line : defaultPart(c))
            expected.push_back(line);
    EXPECT_EQ(fileLines(b), expected);

    // The key's release sends nothing more: its note was stopped before the switch.
    h.kb->Key_MouseUp(24);
    EXPECT_EQ(fileLines(b).size(), expected.size());
    EXPECT_TRUE(h.t.sink.shown().empty());
}

TEST(MidiChoice, ChoiceSurvivesARestartAndTheEnvironmentWins) {
    TestState t;
    ConfigHome home; // after the state, whose own configuration folder it replaces
    frmMain w(t.state);
    const QString b = home.file("b.txt");
    ASSERT_TRUE(w.ChooseOutput("capture:" + b));
    EXPECT_TRUE(QFile::exists(home.file("quintaro/midi.conf")));

    const std::unique_ptr<MidiPort> atStart = CreateMappedPort();
    auto* remembered = dynamic_cast<FileCapturePort*>(atStart.get());
    ASSERT_NE(remembered, nullptr);
    EXPECT_EQ(remembered->path(), b.toStdString());
    qputenv("QUINTARO_MIDI_OUT", "none");
    EXPECT_NE(dynamic_cast<NullPort*>(CreateMappedPort().get()), nullptr);
    qunsetenv("QUINTARO_MIDI_OUT");

    // The item closes Preferences, captioned alike in both languages.
    TestState italian(1);
    frmMain i(italian.state);
    for (const frmMain* m : {&w, &i})
        EXPECT_EQ(m->mnuPreferenze->actions().back()->text(), QString::fromUtf8("MIDI\u2026"));

    // No output, chosen in the dialog: silent at once without a message, and at the next start.
    w.mnuMidi->trigger();
    QListWidget* list = w.MidiBox->List1;
    EXPECT_EQ(list->item(list->count() - 1)->text(), "No output");
    EXPECT_TRUE(list->item(0)->text().startsWith("Synth GM"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(list->count() - 1)).center());
    EXPECT_FALSE(t.state.midi.outputEnabled());
    EXPECT_EQ(CreateMappedPort(), nullptr);
    EXPECT_TRUE(t.sink.shown().empty());
}

TEST(MidiChoice, FailingPortIsReportedOnceAndLeavesTheProgramSilentUntilChosenAgain) {
    TestState t;
    ConfigHome home; // after the state, whose own configuration folder it replaces
    frmMain w(t.state);
    EXPECT_FALSE(w.ChooseOutput("capture:" + home.file("missing/x.txt")));
    EXPECT_EQ(t.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
    EXPECT_FALSE(t.state.midi.outputEnabled());
    EXPECT_TRUE(RememberedMidiChoice("output").isEmpty());

    // A new choice that works enables the output again and gives it every part.
    const QString c = home.file("c.txt");
    ASSERT_TRUE(w.ChooseOutput("capture:" + c));
    EXPECT_TRUE(t.state.midi.outputEnabled());
    EXPECT_EQ(fileLines(c).size(), 16u * 10u);
    EXPECT_EQ(t.sink.shown().size(), 1u);
}

// The input chosen in the dialog: a failing port says so in the dialog and leaves no input; a
// port from a JACK client opens, is remembered for the next start (the environment still wins),
// and "No input" ends the note it holds where it went and closes it.
TEST(MidiChoice, InputChoiceOpensIsRememberedAndNoInputEndsItsNotes) {
    PartHost h;
    ConfigHome home; // after the state, whose own configuration folder it replaces
    h.open(1);
    h.main.mnuMidi->trigger();
    frmMidi* box = h.main.MidiBox;
    EXPECT_EQ(box->List2->item(box->List2->count() - 1)->text(), "No input");
    emit box->inputChosen("jack:no-such-port");
    EXPECT_FALSE(box->Label4->isHidden());
    EXPECT_FALSE(h.t.state.midiIn.isOpen());
    EXPECT_EQ(StartInputChoice(), "none");
    EXPECT_TRUE(h.t.sink.shown().empty());

    JackServer server(QStringLiteral("quintaro-midi-choice"));
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    RtMidiOut client(RtMidi::UNIX_JACK, "midi-keyboard");
    client.openVirtualPort("keys");
    h.main.mnuMidi->trigger();
    box = h.main.MidiBox;
    ASSERT_TRUE(clickEntry(box->List2, "JACK: midi-keyboard:keys"));
    EXPECT_TRUE(h.t.state.midiIn.isOpen());
    EXPECT_TRUE(box->Label4->isHidden());
    EXPECT_EQ(StartInputChoice(), "jack:midi-keyboard:keys");
    qputenv("QUINTARO_MIDI_IN", "alsa:Keys");
    EXPECT_EQ(StartInputChoice(), "alsa:Keys");
    qunsetenv("QUINTARO_MIDI_IN");

    // The dialog opened again selects the input in use; a note held from it ends on "No input".
    h.main.mnuMidi->trigger();
    box = h.main.MidiBox;
    EXPECT_EQ(box->List2->currentItem()->text(), "JACK: midi-keyboard:keys");
    h.t.state.midiIn.handler()({0x90, 60, 0x64});
    h.t.port->clear();
    ASSERT_TRUE(clickEntry(box->List2, "No input"));
    EXPECT_EQ(h.t.port->messageLines(), Lines{"80 3c 40"});
    EXPECT_FALSE(h.t.state.midiIn.isOpen());
    EXPECT_EQ(StartInputChoice(), "none");
}
