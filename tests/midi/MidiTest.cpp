#include "midi/Midi.h"
#include "app/strings/StringTable.h"
#include "midi/ports/RecordingPort.h"
#include "support/RecordingSink.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Call = RecordingPort::Call;
using Bytes = std::vector<std::uint8_t>;

// A MIDI module over a recording port, with its own message recorder and language.
struct Fixture {
    explicit Fixture(int languageBase = 200, int devices = 1) : base(languageBase) {
        messages.setSink(&sink);
        auto recording = std::make_unique<RecordingPort>();
        recording->devices = devices;
        port = recording.get();
        midi.setPort(std::move(recording));
    }
    int base;
    Messages messages{base};
    RecordingSink sink;
    Midi midi{messages};
    RecordingPort* port = nullptr;
};

} // namespace

TEST(ShortMessages, PacksStatusAndDataBytesLowestFirst) {
    EXPECT_EQ(PackShortMessage(0x90, 60, 100), 0x00643C90u);
    EXPECT_EQ(PackShortMessage(0xBF, 123, 0), 0x00007BBFu);

    EXPECT_EQ(ShortMessageLength(0x90), 3);
    EXPECT_EQ(ShortMessageLength(0x8F), 3);
    EXPECT_EQ(ShortMessageLength(0xA3), 3);
    EXPECT_EQ(ShortMessageLength(0xBF), 3);
    EXPECT_EQ(ShortMessageLength(0xC0), 2);
    EXPECT_EQ(ShortMessageLength(0xDF), 2);
    EXPECT_EQ(ShortMessageLength(0xE5), 3);
    EXPECT_EQ(ShortMessageLength(0xF2), 3);
    EXPECT_EQ(ShortMessageLength(0xF3), 2);
    EXPECT_EQ(ShortMessageLength(0xF8), 1);
    EXPECT_EQ(ShortMessageLength(0x3C), 0);
}

TEST(ShortMessages, NoteOnNoteOffAndAllNotesOffSendTheirBytes) {
    Fixture f;
    ASSERT_EQ(f.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    EXPECT_EQ(f.midi.MidiOutDeviceId, -1);
    f.port->clear();

    f.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(f.midi.MidiMessage, 0x00643C90u);
    f.midi.SendNoteOff(9, 36, 64);
    EXPECT_EQ(f.midi.MidiMessage, 0x00402489u);
    f.midi.SendAllNotesOff(15);
    EXPECT_EQ(f.midi.MidiMessage, 0x00007BBFu);
    // A message built by a caller: program change, two bytes.
    f.midi.MidiMessage = PackShortMessage(0xC3, 40, 0);
    f.midi.SendShortMessage();

    EXPECT_EQ(f.port->messageLines(),
              (std::vector<std::string>{"90 3c 64", "89 24 40", "bf 7b 00", "c3 28"}));
    EXPECT_EQ(f.port->count(Call::Short), 4);
    EXPECT_TRUE(f.sink.shown.empty());
    EXPECT_EQ(f.midi.MidiOutEnabled, 1);
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
    EXPECT_EQ(f.port->messageLines(), (std::vector<std::string>{"c0 00", "cf 7f"}));
    EXPECT_TRUE(f.sink.shown.empty());
}

TEST(DeviceErrors, NoDeviceShowsOneMessageAndSilencesOutput) {
    Fixture f(200, 0);
    EXPECT_EQ(f.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(f.midi.NoMidiDevice);
    EXPECT_EQ(f.midi.MidiOutOpen, 0);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
    EXPECT_EQ(f.port->count(Call::Open), 0);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].title, ProductTitle);
    EXPECT_EQ(f.sink.shown[0].text, QStringLiteral("Output MIDI Device not found"));

    for (int i = 0; i < 20; ++i) {
        f.midi.SendNoteOn(0, 60 + i, 100);
        f.midi.SendNoteOff(0, 60 + i, 0);
    }
    f.midi.MidiHeader.data = std::string("\xC0\x05", 2);
    f.midi.SendLongMessage();
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.port->count(Call::Short), 0);
    EXPECT_EQ(f.port->count(Call::Prepare), 0);
    EXPECT_EQ(f.port->count(Call::Close), 0);
}

TEST(DeviceErrors, NoPortBehavesAsNoDevice) {
    int base = 0;
    Messages messages(base);
    RecordingSink sink;
    messages.setSink(&sink);
    Midi midi(messages);
    EXPECT_EQ(midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(midi.NoMidiDevice);
    EXPECT_EQ(midi.MidiOutEnabled, 0);
    midi.SendNoteOn(0, 60, 100);
    midi.SendLongMessage();
    midi.CloseMidiOutput();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QString::fromUtf8("Dispositivo MIDI di uscita assente"));
    EXPECT_EQ(sink.shown[0].title, ProductTitle);
}

TEST(DeviceErrors, OpenRefusedReportsAndSkipsCloseAtShutdown) {
    Fixture f;
    f.port->failOn(Call::Open, 1, MidiError::Allocated);
    EXPECT_EQ(f.midi.OpenMidiOutput(), MidiError::Allocated);
    EXPECT_FALSE(f.midi.NoMidiDevice);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, QStringLiteral("Output MIDI Device already in use"));
    EXPECT_EQ(f.sink.shown[0].title, ProductTitle);

    f.midi.SendNoteOn(1, 64, 90);
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port->count(Call::Short), 0);
    EXPECT_EQ(f.port->count(Call::Close), 0);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    EXPECT_EQ(f.sink.shown.size(), 1u);
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

    EXPECT_EQ(f.port->messageLines(), (std::vector<std::string>{"90 3c 64", "90 3e 64"}));
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, QStringLiteral("Output MIDI Device error"));
    EXPECT_EQ(f.sink.shown[0].title, ProductTitle);

    // Output disabled: shutdown neither closes nor reports.
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port->count(Call::Close), 0);
    EXPECT_EQ(f.sink.shown.size(), 1u);
}

TEST(DeviceErrors, AllocatedResultOnASendSaysAlreadyInUse) {
    Fixture f(0);
    f.midi.OpenMidiOutput();
    f.port->failOn(Call::Short, 0, MidiError::Allocated); // every short message
    f.midi.SendNoteOff(3, 50, 30);
    f.midi.SendNoteOff(3, 51, 30);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, QString::fromUtf8("Dispositivo MIDI di uscita già in uso"));
    EXPECT_EQ(f.port->count(Call::Short), 1);

    // Switched back on by hand, the port still refuses: every call fails, each one reported.
    f.midi.MidiOutEnabled = 1;
    f.midi.SendNoteOff(3, 52, 30);
    EXPECT_EQ(f.port->count(Call::Short), 2);
    EXPECT_EQ(f.sink.shown.size(), 2u);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
}

TEST(DeviceErrors, FailedPrepareStillRunsTheLongMessageCallsInOrderWithOneReport) {
    Fixture f;
    f.midi.OpenMidiOutput();
    f.port->clear();
    f.port->failOn(Call::Prepare, 1, 7);
    f.midi.MidiHeader.data = std::string("\xC2\x38", 2);
    f.midi.SendLongMessage();

    ASSERT_EQ(f.port->records.size(), 3u);
    EXPECT_EQ(f.port->records[0].call, Call::Prepare);
    EXPECT_EQ(f.port->records[1].call, Call::Long);
    EXPECT_EQ(f.port->records[2].call, Call::Unprepare);
    EXPECT_EQ(f.midi.MidiOutEnabled, 0);
    EXPECT_EQ(f.sink.shown.size(), 1u);

    f.midi.SendLongMessage();
    EXPECT_EQ(f.port->records.size(), 3u);
}

TEST(DeviceErrors, CloseErrorIsReportedAndLeavesTheDeviceMarkedOpen) {
    Fixture f;
    f.midi.OpenMidiOutput();
    f.port->failOn(Call::Close, 1, 5);
    f.midi.CloseMidiOutput();
    EXPECT_EQ(f.port->count(Call::Close), 1);
    EXPECT_EQ(f.midi.MidiOutOpen, 1);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, QStringLiteral("Output MIDI Device closing error"));
    EXPECT_EQ(f.sink.shown[0].title, ProductTitle);

    Fixture ok;
    ok.midi.OpenMidiOutput();
    ok.midi.CloseMidiOutput();
    EXPECT_EQ(ok.port->count(Call::Close), 1);
    EXPECT_EQ(ok.midi.MidiOutOpen, 0);
    EXPECT_TRUE(ok.sink.shown.empty());
}

TEST(DeviceErrors, MessagesSpeakTheCurrentLanguage) {
    Fixture italian(0, 0);
    Fixture english(200, 0);
    italian.midi.OpenMidiOutput();
    english.midi.OpenMidiOutput();
    ASSERT_EQ(italian.sink.shown.size(), 1u);
    ASSERT_EQ(english.sink.shown.size(), 1u);
    EXPECT_EQ(english.sink.shown[0].text, QStringLiteral("Output MIDI Device not found"));
    EXPECT_EQ(italian.sink.shown[0].text, QString::fromUtf8("Dispositivo MIDI di uscita assente"));
    EXPECT_EQ(italian.sink.shown[0].title, english.sink.shown[0].title);
}
