#include "midi/Midi.h"
#include "support/MidiModule.h"
#include "support/RecordingPort.h"

#include <gtest/gtest.h>

namespace {

using Call = RecordingPort::Call;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using Texts = std::vector<QString>;

// A MIDI module over a recording port, with its own message recorder and language.
struct Fixture : MidiModule {
    explicit Fixture(int languageBase = 200, int devices = 1) : MidiModule(nullptr, languageBase) {
        auto recording = std::make_unique<RecordingPort>();
        recording->devices = devices;
        port = recording.get();
        midi.setPort(std::move(recording));
    }
    RecordingPort* port = nullptr;
};

} // namespace

TEST(ShortMessages, NoteOnNoteOffAndAllNotesOffSendTheirBytes) {
    Fixture f;
    ASSERT_EQ(f.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    EXPECT_EQ(f.midi.MidiOutDeviceId, -1);
    f.port->clear();

    f.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(f.midi.MidiMessage, 0x00643C90u);
    f.midi.SendNoteOff(9, 36, 64);
    f.midi.SendAllNotesOff(15);
    // A message built by a caller: program change, two bytes.
    f.midi.MidiMessage = PackShortMessage(0xC3, 40, 0);
    f.midi.SendShortMessage();
    EXPECT_EQ(f.port->messageLines(), (Lines{"90 3c 64", "89 24 40", "bf 7b 00", "c3 28"}));
    EXPECT_EQ(f.port->count(Call::Short), 4);
    EXPECT_TRUE(f.sink.shown.empty());
}

TEST(LongMessages, ProgramChangeIsPreparedSentAndUnpreparedWithItsLength) {
    Fixture f;
    f.midi.OpenMidiOutput();
    f.port->clear();
    f.midi.MidiHeader.data = std::string("\xC0\x00", 2);
    f.midi.MidiHeader.bytesRecorded = 7;
    f.midi.MidiHeader.flags = 3;
    f.midi.SendLongMessage();
    f.midi.MidiHeader.data = std::string("\xCF\x7F", 2);
    f.midi.SendLongMessage();

    ASSERT_EQ(f.port->records.size(), 6u);
    const Call order[] = {Call::Prepare, Call::Long, Call::Unprepare};
    for (std::size_t i = 0; i < 6; ++i) {
        const auto& r = f.port->records[i];
        EXPECT_EQ(r.call, order[i % 3]) << i;
        EXPECT_EQ(r.bufferLength, 2u) << i;
        EXPECT_EQ(r.headerSize, 28) << i;
        EXPECT_EQ(r.bytes, (i < 3 ? Bytes{0xC0, 0x00} : Bytes{0xCF, 0x7F})) << i;
    }
    EXPECT_EQ(f.midi.MidiHeader.bytesRecorded, 0u);
    EXPECT_EQ(f.midi.MidiHeader.flags, 0u);
    EXPECT_EQ(f.midi.MidiHeaderSize, 28);
    EXPECT_TRUE(f.sink.shown.empty());

    // A failed prepare still runs the three calls in order, with one report; then silence.
    f.port->clear();
    f.port->failOn(Call::Prepare, 1, 7);
    f.midi.SendLongMessage();
    f.midi.SendLongMessage();
    ASSERT_EQ(f.port->records.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(f.port->records[i].call, order[i]) << i;
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device error"});
}

TEST(DeviceErrors, NoDeviceOrNoPortShowsOneMessageAndSilencesOutput) {
    Fixture f(200, 0);
    EXPECT_EQ(f.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(f.midi.NoMidiDevice);
    EXPECT_EQ(f.midi.MidiOutOpen, 0);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
    for (int i = 0; i < 20; ++i) {
        f.midi.SendNoteOn(0, 60 + i, 100);
        f.midi.SendNoteOff(0, 60 + i, 0);
    }
    f.midi.MidiHeader.data = std::string("\xC0\x05", 2);
    f.midi.SendLongMessage();
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device not found"});
    EXPECT_EQ(f.port->records.size(), static_cast<std::size_t>(f.port->count(Call::DeviceCount)))
        << "nothing but the device count is asked";

    // No port at all behaves the same, in the language of the moment.
    MidiModule none(nullptr, 0);
    EXPECT_EQ(none.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(none.midi.NoMidiDevice);
    none.midi.SendNoteOn(0, 60, 100);
    none.midi.SendLongMessage();
    none.midi.CloseMidiOutput();
    EXPECT_EQ(none.sink.texts(), Texts{QString::fromUtf8("Dispositivo MIDI di uscita assente")});
}

TEST(DeviceErrors, OpenRefusedReportsAndSkipsCloseAtShutdown) {
    Fixture f;
    f.port->failOn(Call::Open, 1, MidiError::Allocated);
    EXPECT_EQ(f.midi.OpenMidiOutput(), MidiError::Allocated);
    EXPECT_FALSE(f.midi.NoMidiDevice);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
    f.midi.SendNoteOn(1, 64, 90);
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port->count(Call::Short), 0);
    EXPECT_EQ(f.port->count(Call::Close), 0);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device already in use"});
}

TEST(DeviceErrors, FirstSendErrorIsReportedOnceAndSilencesTheRest) {
    Fixture f;
    f.midi.OpenMidiOutput();
    f.port->failOn(Call::Short, 2, 11);
    f.midi.SendNoteOn(0, 60, 100);
    f.midi.SendNoteOn(0, 62, 100); // fails
    EXPECT_EQ(f.midi.MidiResult, 11u);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
    for (int i = 0; i < 50; ++i)
        f.midi.SendAllNotesOff(i % 16);
    f.midi.MidiHeader.data = std::string("\xC0\x01", 2);
    f.midi.SendLongMessage();
    // Output disabled: shutdown neither closes nor reports.
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port->messageLines(), (Lines{"90 3c 64", "90 3e 64"}));
    EXPECT_EQ(f.port->count(Call::Close), 0);
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device error"});

    // An Allocated result on a send says "already in use", in Italian too. Switched back on by
    // hand, a port that still refuses reports each call again.
    Fixture it(0);
    it.midi.OpenMidiOutput();
    it.port->failOn(Call::Short, 0, MidiError::Allocated); // every short message
    it.midi.SendNoteOff(3, 50, 30);
    it.midi.SendNoteOff(3, 51, 30);
    EXPECT_EQ(it.port->count(Call::Short), 1);
    it.midi.MidiOutEnabled = 1;
    it.midi.SendNoteOff(3, 52, 30);
    EXPECT_EQ(it.port->count(Call::Short), 2);
    EXPECT_EQ(it.midi.MidiOutEnabled, 0);
    const QString inUse = QString::fromUtf8("Dispositivo MIDI di uscita già in uso");
    EXPECT_EQ(it.sink.texts(), (Texts{inUse, inUse}));
}

TEST(DeviceErrors, CloseErrorIsReportedAndLeavesTheDeviceMarkedOpen) {
    Fixture f;
    f.midi.OpenMidiOutput();
    f.port->failOn(Call::Close, 1, 5);
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port->count(Call::Close), 1);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    EXPECT_EQ(f.sink.texts(), Texts{"Output MIDI Device closing error"});

    Fixture ok;
    ok.midi.OpenMidiOutput();
    ok.midi.CloseMidiOutput();
    EXPECT_EQ(ok.port->count(Call::Close), 1);
    EXPECT_EQ(ok.midi.MidiOutOpen, 0);
    EXPECT_TRUE(ok.sink.shown.empty());
}
