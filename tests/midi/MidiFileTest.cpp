// The recorder and the MIDI file it is saved as, read back by an independent reader (mido).
// Depends on python3-mido.
#include "midi/Midi.h"
#include "midi/Recorder.h"
#include "midi/StandardMidiFile.h"
#include "support/MidiFileReader.h"
#include "support/RecordingPort.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Event = MidiFileContents::Event;

std::array<std::string, 16> Names() {
    std::array<std::string, 16> names;
    for (int c = 0; c < 16; ++c)
        names[static_cast<std::size_t>(c)] = "Part " + std::to_string(c + 1);
    return names;
}

MidiFileContents SaveAndRead(const Recorder::Take& take) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("take.mid"));
    const auto bytes = StandardMidiFile::Write(take, Names());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();
    MidiFileContents contents = ReadMidiFile(path);
    EXPECT_EQ(contents.error, "");
    return contents;
}

struct Feed {
    Recorder& recorder;
    Recorder::Clock::time_point t0 = Recorder::Clock::time_point{} + 1h;
    void operator()(Recorder::Clock::duration at, std::vector<std::uint8_t> bytes) {
        recorder.record(bytes.data(), bytes.size(), t0 + at);
    }
};

std::vector<std::string> Lines(const MidiFileContents::Track& track) {
    std::vector<std::string> lines;
    for (const Event& e : track.events) {
        const bool oneDataValue = e.type == "program_change" || e.type == "pitchwheel";
        lines.push_back(std::to_string(std::lround(e.seconds * 1000)) + " " + e.type + " " +
                        std::to_string(e.channel) + " " + std::to_string(e.data1) +
                        (oneDataValue ? "" : " " + std::to_string(e.data2)));
    }
    return lines;
}

} // namespace

TEST(MidiFile, AFullRecorderKeepsTheLastMessagesAndStartsFromTheStateTheyFollow) {
    Recorder recorder(8, 30min);
    Feed feed{recorder};
    feed(0ms, {0xC0, 40});                    // program 41, as a long message brings it
    feed(0ms, {0xB0, 7, 100, 0xE0, 0, 0x50}); // two messages in one long one
    for (int i = 0; i < 20; ++i) {
        if (i == 5)
            feed(100ms * i + 5ms, {0xB0, 7, 50});
        feed(100ms * i, {0x90, static_cast<std::uint8_t>(60 + i), 90});
        feed(100ms * i + 50ms, {0x80, static_cast<std::uint8_t>(60 + i), 64});
    }
    feed(2000ms, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); // system exclusive: not kept
    EXPECT_EQ(recorder.size(), 8u);

    const MidiFileContents file = SaveAndRead(recorder.take(feed.t0 + 2s));
    EXPECT_EQ(file.type, 1);
    EXPECT_EQ(file.ticksPerBeat, 960);
    ASSERT_EQ(file.tracks.size(), 2u); // the tempo track and channel 1's
    const auto* part = file.track("Part 1");
    ASSERT_NE(part, nullptr);
    // The state where the kept messages begin, then the last four notes only.
    EXPECT_EQ(Lines(*part),
              (std::vector<std::string>{
                  "0 program_change 0 40", "0 control_change 0 7 50", "0 pitchwheel 0 10240",
                  "0 note_on 0 76 90", "50 note_off 0 76 64", "100 note_on 0 77 90",
                  "150 note_off 0 77 64", "200 note_on 0 78 90", "250 note_off 0 78 64",
                  "300 note_on 0 79 90", "350 note_off 0 79 64"}));
}

TEST(MidiFile, TheLast30MinutesAreKeptSilenceBeforeTheFirstNoteIsCutAndEveryNoteEnds) {
    Recorder recorder; // the program's own bounds
    Feed feed{recorder};
    feed(0min, {0xC1, 10});
    feed(10min, {0xB1, 7, 90});   // older than 30 minutes at the save: folded into the start
    feed(40min, {0xB1, 10, 30});  // kept, but long before the first note: still state
    feed(40min, {0xB2, 7, 20});   // a channel without notes has no track
    feed(50min, {0x91, 64, 100}); // first note
    feed(50min + 250ms, {0x91, 67, 100});
    feed(50min + 500ms, {0x91, 64, 0});   // Note On with velocity 0 ends it
    feed(50min + 600ms, {0x81, 70, 0});   // a Note Off without its Note On is left out
    feed(50min + 700ms, {0x91, 72, 100}); // ended by All Notes Off
    feed(50min + 800ms, {0xB1, 123, 0});
    feed(50min + 900ms, {0x91, 74, 100}); // still sounding at the save

    const MidiFileContents file = SaveAndRead(recorder.take(feed.t0 + 50min + 2s));
    ASSERT_EQ(file.tracks.size(), 2u);
    const auto* part = file.track("Part 2");
    ASSERT_NE(part, nullptr);
    EXPECT_TRUE(EveryNoteEnds(*part));
    EXPECT_EQ(Lines(*part),
              (std::vector<std::string>{"0 program_change 1 10", "0 control_change 1 7 90",
                                        "0 control_change 1 10 30", "1000 note_on 1 64 100",
                                        "1250 note_on 1 67 100", "1500 note_off 1 64 0",
                                        "1700 note_on 1 72 100", "1800 note_off 1 67 64",
                                        "1800 note_off 1 72 64", "1800 control_change 1 123 0",
                                        "1900 note_on 1 74 100", "3000 note_off 1 74 64"}));
}

TEST(MidiFile, TheMidiModuleRecordsWhatThePortTookOnly) {
    Midi midi;
    auto port = std::make_unique<RecordingPort>();
    port->failOn(RecordingPort::Call::Short, 2, MidiError::Error);
    midi.setPort(std::move(port));
    midi.OpenMidiOutput();
    SendProgramChange(midi, 3, 5);
    midi.SendNoteOn(3, 60, 100);
    midi.SendNoteOff(3, 60, 64); // refused by the device: not played, not recorded
    const Recorder::Take take = midi.recorder().take();
    ASSERT_EQ(take.events.size(), 2u);
    EXPECT_EQ(std::vector<std::uint8_t>(take.events[0].bytes, take.events[0].bytes + 2),
              (std::vector<std::uint8_t>{0xC3, 5}));
    EXPECT_EQ(std::vector<std::uint8_t>(take.events[1].bytes, take.events[1].bytes + 3),
              (std::vector<std::uint8_t>{0x93, 60, 100}));
}
