// The MIDI module over a recording port, and the ports the mapper picks by QUINTARO_MIDI_OUT.
#include "midi/Midi.h"
#include "midi/ports/FileCapturePort.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"
#include "support/MidiModule.h"
#include "support/RecordingPort.h"

#include <QFile>
#include <QTemporaryDir>
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

int warnings = 0; // qWarning calls while a test counts them

// Which port the mapper made, told as the value that names it.
std::string Made(const std::unique_ptr<MidiPort>& port) {
    if (auto* rt = dynamic_cast<RtMidiPort*>(port.get()))
        return (rt->api() == RtMidiPort::Api::Alsa ? "alsa:" : "jack:") + rt->nameFilter();
    if (auto* file = dynamic_cast<FileCapturePort*>(port.get()))
        return "capture:" + file->path();
    if (dynamic_cast<SynthPort*>(port.get()) != nullptr)
        return "synth";
    return dynamic_cast<NullPort*>(port.get()) != nullptr ? "none" : "?";
}

} // namespace

TEST(Midi, ShortAndLongMessagesSendTheirBytesInOrder) {
    Fixture f;
    ASSERT_EQ(f.midi.OpenMidiOutput(), 0u);
    f.port.clear();
    f.midi.SendNoteOn(0, 60, 100);
    f.midi.SendNoteOff(9, 36, 64);
    f.midi.SendAllNotesOff(15);
    f.midi.send(3, MidiStatus::ProgramChange, 40, 0); // program change: two bytes
    SendProgramChange(f.midi, 15, 127);
    EXPECT_EQ(f.port.messageLines(), (Lines{"90 3c 64", "89 24 40", "bf 7b 00", "c3 28", "cf 7f"}));
    // The long message is prepared, sent and unprepared, each with its length and header size.
    ASSERT_EQ(f.port.records.size(), 7u);
    const Call order[] = {Call::Prepare, Call::Long, Call::Unprepare};
    for (std::size_t i = 4; i < 7; ++i) {
        EXPECT_EQ(f.port.records[i].call, order[i - 4]) << i;
        EXPECT_EQ(f.port.records[i].bufferLength, 2u) << i;
        EXPECT_EQ(f.port.records[i].headerSize, 28) << i;
    }

    // Another output chosen: the open one hears All Notes Off on each channel, then the new one
    // opens.
    Lines silenced;
    f.port.onShort = [&](const std::vector<std::uint8_t>& bytes) {
        silenced.push_back(HexLine(bytes));
    };
    auto next = std::make_unique<RecordingPort>();
    RecordingPort& port = *next;
    EXPECT_TRUE(f.midi.ReplacePort(std::move(next)));
    ASSERT_EQ(silenced.size(), 16u);
    for (std::size_t channel = 0; channel < 16; ++channel)
        EXPECT_EQ(silenced[channel], HexLine({static_cast<std::uint8_t>(0xB0 | channel), 123, 0}));
    EXPECT_EQ(port.count(Call::Open), 1);

    // A failed prepare still runs the three calls in order, with one report; then silence.
    port.clear();
    port.failOn(Call::Prepare, 1, 7);
    SendProgramChange(f.midi, 15, 127);
    f.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(port.records.size(), 3u);
    EXPECT_EQ(port.count(Call::Unprepare), 1);
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

TEST(FileCapturePort, AppendsOneHexLinePerMessageFlushedAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath("monitor.txt");
    const auto lines = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).split(u'\n')
                                              : QStringList();
    };
    for (int run = 0; run < 2; ++run) { // a second run appends
        MidiModule m(std::make_unique<FileCapturePort>(path.toStdString()));
        ASSERT_EQ(m.midi.OpenMidiOutput(), 0u);
        m.midi.SendNoteOn(0, 60, 100);
        EXPECT_EQ(lines().size(), 2 + 3 * run) << "flushed at once";
        m.midi.sendShort(PackShortMessage(0xE3, 0x00, 0x60));
        m.midi.sendLong(std::string("\xC5\x0A", 2));
        m.midi.CloseMidiOutput();
        EXPECT_FALSE(m.midi.outputOpen());
        EXPECT_TRUE(m.sink.shown().empty());
    }
    EXPECT_EQ(lines(),
              (QStringList{"90 3c 64", "e3 00 60", "c5 0a", "90 3c 64", "e3 00 60", "c5 0a", ""}));
    // A folder cannot be opened for appending, not even by root.
    MidiModule folder(std::make_unique<FileCapturePort>(dir.path().toStdString()));
    EXPECT_NE(folder.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(folder.sink.texts(), Texts{"Output MIDI Device error"});
}

TEST(MidiMapper, PicksThePortNamedByTheEnvironment) {
    // A value not understood is no device, with a warning.
    const std::pair<const char*, std::string> cases[] = {{"alsa", "alsa:"},
                                                         {"alsa:FLUID Synth", "alsa:FLUID Synth"},
                                                         {"jack:midi_dump", "jack:midi_dump"},
                                                         {"capture:/tmp/o:p", "capture:/tmp/o:p"},
                                                         {"synth", "synth"},
                                                         {"none", "none"},
                                                         {"winmm", "none"},
                                                         {"capture:", "none"},
                                                         {"none:x", "none"},
                                                         {"synth:piano", "none"}};
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            warnings += type == QtWarningMsg;
        });
    for (const auto& [value, made] : cases) {
        warnings = 0;
        EXPECT_EQ(Made(CreatePortFor(value)), made) << value;
        EXPECT_EQ(warnings, made == "none" && value != std::string("none")) << value;
    }
    qInstallMessageHandler(previous);
    const QByteArray saved = qgetenv("QUINTARO_MIDI_OUT");
    qunsetenv("QUINTARO_MIDI_OUT");
    EXPECT_EQ(Made(CreateMappedPort()), "synth") << "the default";
    qputenv("QUINTARO_MIDI_OUT", saved);
    MidiModule none(CreatePortFor("none"));
    EXPECT_EQ(none.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(none.sink.texts(), Texts{"Output MIDI Device not found"});
}

TEST(RtMidiPort, WithoutADeviceTheModuleSaysSoOnce) {
    // No JACK server runs here, and no ALSA port has that name: one message either way.
    if (RtMidiPort jack(RtMidiPort::Api::Jack, ""); jack.available() && jack.deviceCount() > 0)
        GTEST_SKIP() << "a JACK server is running";
    for (RtMidiPort::Api api : {RtMidiPort::Api::Jack, RtMidiPort::Api::Alsa}) {
        const std::string name = api == RtMidiPort::Api::Jack ? "" : "NoSuchPort";
        const bool found = RtMidiPort(api, name).deviceCount() > 0;
        MidiModule m(std::make_unique<RtMidiPort>(api, name));
        m.midi.OpenMidiOutput();
        EXPECT_FALSE(m.midi.outputEnabled());
        m.midi.SendNoteOn(0, 60, 100);
        m.midi.CloseMidiOutput();
        EXPECT_EQ(m.sink.texts(),
                  Texts{found ? "Output MIDI Device error" : "Output MIDI Device not found"});
    }
}
