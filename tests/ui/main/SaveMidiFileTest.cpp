// What was played, saved through the menu item and its file dialog, read back by an independent
// reader (python3-mido) and compared with the performance as it happened.
#include "app/PartStates.h"
#include "support/FileDialog.h"
#include "support/MidiFileReader.h"
#include "ui/part/PartHost.h"

#include <gtest/gtest.h>

// A track's events as "type channel data1 data2"; the notes' times, in milliseconds, apart.
static std::string Events(const MidiFileContents::Track* track, std::vector<double>& noteMs) {
    std::string out;
    for (const auto& e : track ? track->events : std::vector<MidiFileContents::Event>{}) {
        out += (out.empty() ? "" : ", ") + e.type + " " + std::to_string(e.channel) + " " +
               std::to_string(e.data1) + " " + std::to_string(e.data2);
        if (e.type.starts_with("note"))
            noteMs.push_back(e.seconds * 1000);
    }
    return out;
}

// Ctrl+Shift+S, `name` answered in the file dialog; the file saved, as the reader reads it.
static MidiFileContents SaveThroughTheMenu(PartHost& h, const QString& name) {
    QTimer answer;
    AnswerFileDialogs(answer, name);
    QTest::keyClick(&h.main, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    return ReadMidiFile(QDir(h.t.state.ProgramFolder).filePath(name + QStringLiteral(".mid")));
}

// Each part's track starts with its state as the part sent it (program, sliders, pitch bend),
// then holds its notes and moves in order at their times, counted from a second before the first
// note; the notes still sounding end at the save.
TEST(SaveMidiFile, APerformanceIsSavedWithItsStateItsTimesAndEveryNoteEnded) {
    PartHost h;
    // Parts 1 and 2 on their first-run channels 1 and 2, with a program each.
    h.row(1, PartRow::ProgramNumber) = 41;
    h.row(1, PartRow::Volume) = 100;
    h.row(1, PartRow::Pan) = 30;
    h.row(1, PartRow::Transposition) = 14;
    h.row(2, PartRow::ProgramNumber) = 57;
    h.row(2, PartRow::Volume) = 70;
    frmPart* partOne = h.open(1, false);
    frmPart* partTwo = h.open(2, false);
    PartWindowDriver p1(h.pointer, partOne), p2(h.pointer, partTwo);
    SendAllStates(h.t.state); // as "Send all parts" does
    QTest::qWait(1100);       // the state is well over a second before the first note

    h.main.mdiArea()->setActiveSubWindow(partOne);
    p1.keys.pressKey(24);
    QTest::qWait(150);
    p1.keys.releaseKey(24);
    h.main.mdiArea()->setActiveSubWindow(partTwo);
    p2.setSlider(PartRow::Volume - PartRow::FirstSlider, 40);
    p2.keys.pressKey(20); // left sounding
    h.main.mdiArea()->setActiveSubWindow(partOne);
    p1.keys.clickHoldNote();
    p1.keys.clickKeys({30}); // latched

    const MidiFileContents file = SaveThroughTheMenu(h, QStringLiteral("performance"));
    ASSERT_EQ(file.error, "");
    EXPECT_EQ(file.type, 1);
    ASSERT_EQ(file.tracks.size(), 3u); // tempo, part 1, part 2
    std::vector<double> ms1, ms2;
    // Part 1's hold switch ends what sounds (controller 123) before it latches key 30.
    EXPECT_EQ(Events(file.track("Part 1"), ms1),
              "program_change 0 40 0, control_change 0 1 0, control_change 0 2 0, "
              "control_change 0 7 100, control_change 0 10 30, control_change 0 72 0, "
              "control_change 0 73 0, control_change 0 91 0, control_change 0 93 0, "
              "pitchwheel 0 8319 0, note_on 0 62 80, note_off 0 62 64, control_change 0 123 0, "
              "note_on 0 68 80, note_off 0 68 64");
    EXPECT_EQ(Events(file.track("Part 2"), ms2),
              "program_change 1 56 0, control_change 1 1 0, control_change 1 2 0, "
              "control_change 1 7 70, control_change 1 10 64, control_change 1 72 0, "
              "control_change 1 73 0, control_change 1 91 0, control_change 1 93 0, "
              "pitchwheel 1 8319 0, control_change 1 7 40, note_on 1 56 80, note_off 1 56 64");
    ASSERT_EQ(ms1.size(), 4u);
    ASSERT_EQ(ms2.size(), 2u);
    EXPECT_NEAR(ms1[0], 1000, 1);
    EXPECT_GE(ms1[1] - ms1[0], 150 - 2);
    EXPECT_NEAR(ms2[1], ms1[3], 1) << "both ended by the save";
}

// On an external output a part's stored program is sent only when chosen on a program page, so
// the recording may hold none: the track then starts with what the part window shows (program
// and sliders of the first part on the channel), while what was sent keeps its place.
TEST(SaveMidiFile, ATrackStartsWithTheShownProgramWhereNoneWasSent) {
    PartHost h;
    h.row(1, PartRow::Channel) = 3;
    h.row(1, PartRow::ProgramFlag) = 1;
    h.row(1, PartRow::ProgramNumber) = 41;
    h.row(1, PartRow::Volume) = 77;
    h.row(2, PartRow::Channel) = 3; // a second part on channel 3 is not the one shown
    h.row(2, PartRow::ProgramFlag) = 1;
    h.row(2, PartRow::ProgramNumber) = 20;
    h.row(3, PartRow::Channel) = 5;
    h.row(3, PartRow::ProgramFlag) = 1;
    h.row(3, PartRow::ProgramNumber) = 57;
    frmPart* partThree = h.open(3, false);
    SendProgramChange(h.t.state.midi, 4, 9); // sent: wins over the stored 57
    PartWindowDriver p3(h.pointer, partThree);
    p3.keys.clickKeys({24});
    frmPart* partOne = h.open(1, false);
    PartWindowDriver p1(h.pointer, partOne);
    ASSERT_EQ(h.out().find("c2 "), std::string::npos) << "no program was sent on channel 3";
    p1.keys.clickKeys({24, 26, 28});

    const MidiFileContents file = SaveThroughTheMenu(h, QStringLiteral("shown"));
    ASSERT_EQ(file.error, "");
    std::vector<double> ms;
    const std::string one = Events(file.track("Part 1"), ms);
    EXPECT_TRUE(one.starts_with("program_change 2 40 0, ")) << one;
    EXPECT_NE(one.find("control_change 2 7 77"), std::string::npos) << one;
    EXPECT_LT(one.find("control_change 2 7 77"), one.find("note_on 2 ")) << one;
    EXPECT_EQ(ms.size(), 6u);
    const std::string three = Events(file.track("Part 3"), ms);
    EXPECT_LT(three.find("program_change 4 9 0"), three.find("note_on 4 ")) << three;
    EXPECT_EQ(three.find("program_change 4 56"), std::string::npos) << three;
}
