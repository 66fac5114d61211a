// The recorder and the MIDI file it is saved as, read back by an independent reader (mido).
// Depends on python3-mido.
#include "app/SettingsFile.h"
#include "midi/Midi.h"
#include "midi/Recorder.h"
#include "midi/StandardMidiFile.h"
#include "support/MidiFileReader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
const Recorder::Clock::time_point T0 = Recorder::Clock::time_point{} + 1h;

void Feed(Recorder& recorder, Recorder::Clock::duration at, std::vector<std::uint8_t> bytes) {
    recorder.record(bytes.data(), bytes.size(), T0 + at);
}

// The file of what `recorder` holds at `end`, read back: the number of tracks, then the events of
// the track of part `part`, each "ms type channel data1 data2", joined by "; ".
std::string Saved(const Recorder& recorder, Recorder::Clock::duration end, int part) {
    std::array<std::string, 16> names;
    for (int c = 0; c < 16; ++c)
        names[static_cast<std::size_t>(c)] = "Part " + std::to_string(c + 1);
    QTemporaryDir folder;
    const QString path = folder.filePath("take.mid");
    const auto bytes = StandardMidiFile::Write(recorder.take(T0 + end), names);
    if (std::error_code error; !WriteWholeFile(path, bytes.data(), bytes.size(), error))
        return "not written";
    const MidiFileContents contents = ReadMidiFile(path);
    const auto* track = contents.track(names[static_cast<std::size_t>(part - 1)]);
    if (!contents.error.empty() || contents.type != 1 || !track)
        return "unreadable: " + contents.error;
    std::string text = std::to_string(contents.tracks.size()) + " tracks";
    for (const auto& e : track->events)
        text += "; " + std::to_string(std::lround(e.seconds * 1000)) + " " + e.type + " " +
                std::to_string(e.channel) + " " + std::to_string(e.data1) + " " +
                std::to_string(e.data2);
    return text;
}

} // namespace

TEST(MidiFile, AFullRecorderKeepsTheLastMessagesAndStartsFromTheStateTheyFollow) {
    Recorder recorder(8, 30min);
    Feed(recorder, 0ms, {0xC0, 40});                    // program 41, as a long message brings it
    Feed(recorder, 0ms, {0xB0, 7, 100, 0xE0, 0, 0x50}); // two messages in one long one
    for (int i = 0; i < 20; ++i) {
        if (i == 5)
            Feed(recorder, 100ms * i + 5ms, {0xB0, 7, 50});
        Feed(recorder, 100ms * i, {0x90, static_cast<std::uint8_t>(60 + i), 90});
        Feed(recorder, 100ms * i + 50ms, {0x80, static_cast<std::uint8_t>(60 + i), 64});
    }
    Feed(recorder, 2000ms, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); // system exclusive: not kept
    EXPECT_EQ(recorder.size(), 8u);
    // The tempo track and channel 1's: the state where the kept messages begin, the last notes.
    EXPECT_EQ(Saved(recorder, 2s, 1),
              "2 tracks; 0 program_change 0 40 0; 0 control_change 0 7 50; 0 pitchwheel 0 10240 0; "
              "0 note_on 0 76 90; 50 note_off 0 76 64; 100 note_on 0 77 90; 150 note_off 0 77 64; "
              "200 note_on 0 78 90; 250 note_off 0 78 64; 300 note_on 0 79 90; "
              "350 note_off 0 79 64");
}

TEST(MidiFile, TheLast30MinutesAreKeptSilenceBeforeTheFirstNoteIsCutAndEveryNoteEnds) {
    Recorder recorder; // the program's own bounds
    Feed(recorder, 0min, {0xC1, 10});
    Feed(recorder, 10min, {0xB1, 7, 90});   // older than 30 minutes at the save: folded in
    Feed(recorder, 40min, {0xB1, 10, 30});  // kept, but long before the first note: still state
    Feed(recorder, 40min, {0xB2, 7, 20});   // a channel without notes has no track
    Feed(recorder, 50min, {0x91, 64, 100}); // first note
    Feed(recorder, 50min + 250ms, {0x91, 67, 100});
    Feed(recorder, 50min + 500ms, {0x91, 64, 0});   // Note On with velocity 0 ends it
    Feed(recorder, 50min + 600ms, {0x81, 70, 0});   // a Note Off without its Note On is left out
    Feed(recorder, 50min + 700ms, {0x91, 72, 100}); // ended by All Notes Off
    Feed(recorder, 50min + 800ms, {0xB1, 123, 0});
    Feed(recorder, 50min + 900ms, {0x91, 74, 100}); // still sounding at the save
    EXPECT_EQ(Saved(recorder, 50min + 2s, 2),
              "2 tracks; 0 program_change 1 10 0; 0 control_change 1 7 90; "
              "0 control_change 1 10 30; 1000 note_on 1 64 100; 1250 note_on 1 67 100; "
              "1500 note_off 1 64 0; 1700 note_on 1 72 100; 1800 note_off 1 67 64; "
              "1800 note_off 1 72 64; 1800 control_change 1 123 0; 1900 note_on 1 74 100; "
              "3000 note_off 1 74 64");
}
