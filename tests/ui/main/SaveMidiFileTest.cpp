// What was played, saved through the menu item and its file dialog, read back by an independent
// reader (python3-mido) and compared with the performance as it happened.
#include "app/PartStates.h"
#include "support/MidiFileReader.h"
#include "ui/part/PartHost.h"

#include <QFileDialog>
#include <QMdiArea>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

// One user action: when it ran and the messages it sent.
struct Action {
    Clock::time_point before, after;
    std::vector<std::vector<std::uint8_t>> sent;
};

struct Performance {
    PartHost& h;
    std::vector<Action> actions;
    template <typename F> void act(F&& what) {
        const std::size_t already = h.t.port->messages().size();
        Action a{Clock::now(), {}, {}};
        what();
        a.after = Clock::now();
        const auto all = h.t.port->messages();
        a.sent.assign(all.begin() + static_cast<std::ptrdiff_t>(already), all.end());
        actions.push_back(a);
        QTest::qWait(40);
    }
};

std::string Describe(const MidiFileContents& file, const std::vector<std::string>& sent) {
    std::string out = "sent:";
    for (const auto& line : sent)
        out += " [" + line + "]";
    for (const auto& t : file.tracks) {
        out += "\ntrack " + t.name + ":";
        for (const auto& e : t.events)
            out += " " + std::to_string(e.seconds) + " " + e.type + " " +
                   std::to_string(e.channel) + " " + std::to_string(e.data1) + " " +
                   std::to_string(e.data2) + ";";
    }
    return out;
}

bool IsNote(const std::vector<std::uint8_t>& m) {
    return (m[0] & 0xE0) == 0x80;
}

bool IsNoteOn(const std::vector<std::uint8_t>& m) {
    return (m[0] & 0xF0) == 0x90 && m[2] > 0;
}

// Chooses the file name in the save dialog once it is up: the name field has the focus, a name
// without suffix is typed, Enter saves.
void AnswerSaveDialog(const QString& name, bool& focusOnName) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, name, &focusOnName] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll->deleteLater();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        focusOnName = edit != nullptr && dialog->focusWidget() == edit;
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    poll->start(20);
}

} // namespace

TEST(SaveMidiFile, APerformanceIsSavedWithItsStateItsTimesAndEveryNoteEnded) {
    PartHost h;
    AppState& s = h.t.state;
    // Part 1: violin on channel 1, transposed up 2; part 2: trumpet on channel 2, other sliders.
    const std::map<int, std::map<int, int>> rows = {{1,
                                                     {{PartRow::Channel, 1},
                                                      {PartRow::ProgramFlag, 1},
                                                      {PartRow::ProgramNumber, 41},
                                                      {PartRow::Volume, 100},
                                                      {PartRow::Pan, 30},
                                                      {PartRow::Transposition, 14}}},
                                                    {2,
                                                     {{PartRow::Channel, 2},
                                                      {PartRow::ProgramFlag, 1},
                                                      {PartRow::ProgramNumber, 57},
                                                      {PartRow::Volume, 70},
                                                      {PartRow::Pan, 100},
                                                      {PartRow::Reverb, 90}}}};
    for (const auto& [part, values] : rows)
        for (const auto& [row, value] : values)
            s.partRow(part, row) = static_cast<std::uint8_t>(value);
    frmPart* partOne = h.open(1, false);
    frmPart* partTwo = h.open(2, false);
    PartWindowDriver one(h.pointer, partOne), two(h.pointer, partTwo);
    SendAllStates(s);   // as "Send all parts" does
    QTest::qWait(1100); // the state is well over a second before the first note

    Performance p{h, {}};
    // The user brings a part's window to the front before playing it.
    auto front = [&h](frmPart* w) { h.main.mdiArea()->setActiveSubWindow(w); };
    front(partOne);
    p.act([&] { one.keys.pressKey(24); });
    p.act([&] { one.keys.releaseKey(24); });
    front(partTwo);
    p.act([&] { two.keys.clickKeys({20}); });
    p.act([&] { two.setSlider(PartRow::Volume - PartRow::FirstSlider, 40); });
    p.act([&] { two.keys.setKeyShift(2); });
    p.act([&] { two.keys.pressKey(20); });
    p.act([&] { two.keys.releaseKey(20); });
    front(partOne);
    p.act([&] { one.keys.clickHoldNote(); });
    p.act([&] { one.keys.clickKeys({30}); }); // latched
    p.act([&] { one.keys.clickKeys({34}); });
    p.act([&] { one.keys.clickHoldChord(); });
    p.act([&] { one.keys.clickKeys({40}); }); // the chord replayed from key 40, left sounding

    bool focusOnName = false;
    AnswerSaveDialog(QStringLiteral("performance"), focusOnName);
    const Clock::time_point saveBefore = Clock::now();
    QTest::keyClick(&h.main, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    const Clock::time_point saveAfter = Clock::now();
    EXPECT_TRUE(focusOnName);

    const QString path = QDir(s.ProgramFolder).filePath(QStringLiteral("performance.mid"));
    const MidiFileContents file = ReadMidiFile(path);
    ASSERT_EQ(file.error, "");
    ASSERT_EQ(file.tracks.size(), 3u)
        << Describe(file, h.t.port->messageLines()); // tempo, part 1, part 2
    EXPECT_EQ(file.type, 1);

    // What each track holds at its start is the part's state: its program, its sliders' controller
    // values and its pitch bend, as the parts sent them.
    for (int part = 1; part <= 2; ++part) {
        const auto* track = file.track("Part " + std::to_string(part));
        ASSERT_NE(track, nullptr) << part;
        EXPECT_TRUE(EveryNoteEnds(*track)) << part;
        std::map<std::string, int> start, expected;
        for (const auto& e : track->events)
            if (e.seconds == 0 && e.type != "note_on")
                start[e.type + " " + std::to_string(e.data1)] =
                    e.type == "control_change" ? e.data2 : e.data1;
        expected["program_change " + std::to_string(rows.at(part).at(PartRow::ProgramNumber) - 1)] =
            rows.at(part).at(PartRow::ProgramNumber) - 1;
        for (int k = 0; k < PartRow::SliderCount; ++k) {
            std::uint32_t message = 0;
            if (!SliderMessage(k, s.partRow(part, PartRow::FirstSlider + k), message))
                continue;
            if ((message & 0xF0) == MidiStatus::PitchBend)
                expected["pitchwheel " +
                         std::to_string(((message >> 8) & 0x7F) | ((message >> 16) << 7))] =
                    static_cast<int>(((message >> 8) & 0x7F) | ((message >> 16) << 7));
            else
                expected["control_change " + std::to_string((message >> 8) & 0xFF)] =
                    static_cast<int>(message >> 16);
        }
        if (part == 2) // moved during the performance: the start has the value before the move
            expected["control_change 7"] = rows.at(2).at(PartRow::Volume);
        EXPECT_EQ(start, expected) << part;
    }

    // Every note of the performance is in the file, in order, at its time to within 2 ms, counted
    // from the first Note On; the notes still sounding end at the save.
    // The notes as played; All Notes Off ends the notes still sounding on its channel there.
    std::map<int, std::vector<std::pair<std::vector<std::uint8_t>, const Action*>>> played;
    std::map<int, std::multiset<int>> sounding;
    Clock::time_point firstBefore{}, firstAfter{};
    for (const Action& a : p.actions)
        for (const auto& m : a.sent) {
            const int channel = m[0] & 0x0F;
            if (firstBefore == Clock::time_point{} && IsNoteOn(m)) {
                firstBefore = a.before;
                firstAfter = a.after;
            }
            if (IsNote(m)) {
                played[channel].push_back({m, &a});
                if (IsNoteOn(m))
                    sounding[channel].insert(m[1]);
                else if (auto it = sounding[channel].find(m[1]); it != sounding[channel].end())
                    sounding[channel].erase(it);
            } else if (m == std::vector<std::uint8_t>{static_cast<std::uint8_t>(0xB0 | channel),
                                                      123, 0}) {
                for (int note : sounding[channel])
                    played[channel].push_back({{static_cast<std::uint8_t>(0x80 | channel),
                                                static_cast<std::uint8_t>(note), 0},
                                               &a});
                sounding[channel].clear();
            }
        }
    double fileFirst = 1e9;
    for (const auto& t : file.tracks)
        for (const auto& e : t.events)
            if (e.type == "note_on")
                fileFirst = std::min(fileFirst, e.seconds);
    EXPECT_NEAR(fileFirst, 1.0, 0.001); // silence before the first note is cut to a second
    auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    for (int channel = 0; channel <= 1; ++channel) {
        const auto* track = file.track("Part " + std::to_string(channel + 1));
        ASSERT_NE(track, nullptr);
        std::size_t n = 0;
        for (const auto& e : track->events) {
            if (e.type != "note_on" && e.type != "note_off")
                continue;
            const double at = (e.seconds - fileFirst) * 1000;
            if (n < played[channel].size()) {
                const auto& [m, a] = played[channel][n++];
                EXPECT_EQ(e.type, IsNoteOn(m) ? "note_on" : "note_off") << channel << " " << n;
                EXPECT_EQ(e.data1, m[1]) << channel << " " << n;
                EXPECT_GE(at, ms(a->before - firstAfter) - 2) << channel << " " << n;
                EXPECT_LE(at, ms(a->after - firstBefore) + 2) << channel << " " << n;
            } else { // ended by the save
                EXPECT_EQ(e.type, "note_off");
                EXPECT_GE(at, ms(saveBefore - firstAfter) - 2);
                EXPECT_LE(at, ms(saveAfter - firstBefore) + 2);
            }
        }
        EXPECT_EQ(n, played[channel].size()) << channel;
    }
}
