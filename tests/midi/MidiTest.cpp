#include "midi/Midi.h"
#include "support/MidiModule.h"
#include "support/RecordingPort.h"

#include <gtest/gtest.h>

namespace {

using Call = RecordingPort::Call;
using Lines = std::vector<std::string>;
using Texts = std::vector<QString>;

// A MIDI module over a recording port, with its own message recorder and language.
struct Fixture : MidiModule {
    explicit Fixture(int languageBase = 200)
        : MidiModule(std::make_unique<RecordingPort>(), languageBase) {}
    RecordingPort& port = *static_cast<RecordingPort*>(midi.port());
};

} // namespace

TEST(Midi, ShortAndLongMessagesSendTheirBytesInOrder) {
    Fixture f;
    ASSERT_EQ(f.midi.OpenMidiOutput(), 0u);
    f.port.clear();
    f.midi.SendNoteOn(0, 60, 100);
    f.midi.SendNoteOff(9, 36, 64);
    f.midi.SendAllNotesOff(15);
    f.midi.send(3, MidiStatus::ProgramChange, 40, 0); // program change: two bytes
    f.midi.sendLong(std::string("\xCF\x7F", 2));
    EXPECT_EQ(f.port.messageLines(), (Lines{"90 3c 64", "89 24 40", "bf 7b 00", "c3 28", "cf 7f"}));
    // The long message is prepared, sent and unprepared, each with its length and header size.
    ASSERT_EQ(f.port.records.size(), 7u);
    const Call order[] = {Call::Prepare, Call::Long, Call::Unprepare};
    for (std::size_t i = 4; i < 7; ++i) {
        EXPECT_EQ(f.port.records[i].call, order[i - 4]) << i;
        EXPECT_EQ(f.port.records[i].bufferLength, 2u) << i;
        EXPECT_EQ(f.port.records[i].headerSize, 28) << i;
    }
    // A failed prepare still runs the three calls in order, with one report; then silence.
    f.port.clear();
    f.port.failOn(Call::Prepare, 1, 7);
    f.midi.sendLong(std::string("\xCF\x7F", 2));
    f.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(f.port.records.size(), 3u);
    EXPECT_EQ(f.port.count(Call::Unprepare), 1);
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device error"});
}

TEST(Midi, DeviceErrorsAreReportedOnceAndSilenceTheOutput) {
    Fixture none(0);
    none.port.devices = 0;
    EXPECT_EQ(none.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(none.midi.noDevice());
    none.midi.SendNoteOn(0, 60, 100);
    none.midi.sendLong(std::string("\xCF\x7F", 2));
    none.midi.CloseMidiOutput();
    EXPECT_EQ(none.port.records.size(), 1u) << "nothing but the device count is asked";
    EXPECT_EQ(none.sink.texts(), Texts{QString::fromUtf8("Dispositivo MIDI di uscita assente")});

    // The first failed send is reported; the rest are not sent, and shutdown does not close.
    Fixture f;
    f.midi.OpenMidiOutput();
    f.port.failOn(Call::Short, 2, MidiError::Allocated);
    for (int note = 60; note < 70; ++note)
        f.midi.SendNoteOn(0, note, 100);
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port.messageLines(), (Lines{"90 3c 64", "90 3d 64"}));
    EXPECT_EQ(f.port.count(Call::Close), 0);
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device already in use"});

    // A close error is reported and leaves the device marked open.
    Fixture closing;
    closing.midi.OpenMidiOutput();
    closing.port.failOn(Call::Close, 1, 5);
    closing.midi.CloseMidiOutput();
    EXPECT_TRUE(closing.midi.outputOpen());
    EXPECT_EQ(closing.sink.texts(), Texts{"Output MIDI Device closing error"});
}
