#include "midi/ports/FileCapturePort.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"
#include "support/MidiModule.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

using Texts = std::vector<QString>;

QStringList Lines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).split(u'\n')
                                          : QStringList();
}

int warnings = 0; // qWarning calls while the test runs

} // namespace

TEST(FileCapturePort, AppendsOneHexLinePerMessage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("monitor.txt");
    for (int run = 0; run < 2; ++run) { // a second run appends
        MidiModule m(std::make_unique<FileCapturePort>(path.toStdString()));
        ASSERT_EQ(m.midi.OpenMidiOutput(), 0u);
        m.midi.SendNoteOn(0, 60, 100);
        EXPECT_EQ(Lines(path).size(), 2 + 3 * run) << "flushed at once";
        m.midi.sendShort(PackShortMessage(0xE3, 0x00, 0x60));
        m.midi.sendLong(std::string("\xC5\x0A", 2));
        m.midi.CloseMidiOutput();
        EXPECT_FALSE(m.midi.outputOpen());
        EXPECT_TRUE(m.sink.shown().empty());
    }
    EXPECT_EQ(Lines(path),
              (QStringList{"90 3c 64", "e3 00 60", "c5 0a", "90 3c 64", "e3 00 60", "c5 0a", ""}));
    // A folder cannot be opened for appending, not even by root.
    MidiModule folder(std::make_unique<FileCapturePort>(dir.path().toStdString()));
    EXPECT_NE(folder.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(folder.sink.texts(), Texts{"Output MIDI Device error"});
}

TEST(MidiMapper, PicksThePortNamedByTheEnvironment) {
    const struct {
        const char* value;
        RtMidiPort::Api api;
        const char* filter;
    } rtmidi[] = {{"alsa", RtMidiPort::Api::Alsa, ""},
                  {"alsa:FLUID Synth", RtMidiPort::Api::Alsa, "FLUID Synth"},
                  {"jack:midi_dump", RtMidiPort::Api::Jack, "midi_dump"}};
    for (const auto& c : rtmidi) {
        auto port = CreatePortFor(c.value);
        auto* rt = dynamic_cast<RtMidiPort*>(port.get());
        ASSERT_NE(rt, nullptr) << c.value;
        EXPECT_EQ(rt->api(), c.api) << c.value;
        EXPECT_EQ(rt->nameFilter(), c.filter) << c.value;
    }
    auto capture = CreatePortFor("capture:/tmp/out:put.txt"); // a colon in the name is kept
    ASSERT_NE(dynamic_cast<FileCapturePort*>(capture.get()), nullptr);
    EXPECT_EQ(dynamic_cast<FileCapturePort*>(capture.get())->path(), "/tmp/out:put.txt");
    EXPECT_NE(dynamic_cast<SynthPort*>(CreatePortFor("synth").get()), nullptr);
    const QByteArray saved = qgetenv("QUINTARO_MIDI_OUT");
    qunsetenv("QUINTARO_MIDI_OUT");
    EXPECT_NE(dynamic_cast<SynthPort*>(CreateMappedPort().get()), nullptr) << "the default";
    qputenv("QUINTARO_MIDI_OUT", saved);

    // "none" is no device at all; a value not understood is none too, with a warning.
    MidiModule none(CreatePortFor("none"));
    EXPECT_EQ(none.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(none.sink.texts(), Texts{"Output MIDI Device not found"});
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            warnings += type == QtWarningMsg;
        });
    for (const char* value : {"winmm", "capture:", "none:x", "synth:piano"})
        EXPECT_NE(dynamic_cast<NullPort*>(CreatePortFor(value).get()), nullptr) << value;
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, 4);
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
