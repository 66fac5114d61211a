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

using Module = MidiModule;

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n');
}

// The qWarning texts of the running test.
QStringList warnings;
void CatchWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg)
        warnings << text;
}

} // namespace

TEST(FileCapturePort, AppendsOneHexLinePerMessage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("monitor.txt");
    {
        Module m(std::make_unique<FileCapturePort>(path.toStdString()));
        ASSERT_EQ(m.midi.OpenMidiOutput(), 0u);
        m.midi.SendNoteOn(0, 60, 100);
        // Flushed at once: the line is there before anything else happens.
        EXPECT_EQ(Lines(path), (QStringList{"90 3c 64", ""}));
        m.midi.SendAllNotesOff(15);
        m.midi.MidiMessage = PackShortMessage(0xE3, 0x00, 0x60);
        m.midi.SendShortMessage();
        m.midi.MidiHeader.data = std::string("\xC5\x0A", 2);
        m.midi.SendLongMessage();
        m.midi.CloseMidiOutput();
        EXPECT_EQ(m.midi.MidiOutOpen, 0);
        EXPECT_TRUE(m.sink.shown.empty());
    }
    // A second run appends.
    Module m(std::make_unique<FileCapturePort>(path.toStdString()));
    m.midi.OpenMidiOutput();
    m.midi.SendNoteOff(9, 36, 64);
    m.midi.CloseMidiOutput();
    EXPECT_EQ(Lines(path),
              (QStringList{"90 3c 64", "bf 7b 00", "e3 00 60", "c5 0a", "89 24 40", ""}));
}

TEST(FileCapturePort, RefusesWhatItCannotWriteAndUnpreparedHeaders) {
    QTemporaryDir dir;
    // A folder cannot be opened for appending, not even by root.
    Module folder(std::make_unique<FileCapturePort>(dir.path().toStdString()));
    EXPECT_NE(folder.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(folder.midi.MidiOutEnabled, 0);
    EXPECT_EQ(folder.sink.texts(), std::vector<QString>{"Output MIDI Device error"});

    FileCapturePort missing(dir.filePath("no/such/folder/file.txt").toStdString());
    EXPECT_EQ(missing.deviceCount(), 1);
    EXPECT_NE(missing.open(), 0u);
    EXPECT_NE(missing.shortMessage(0x643C90), 0u);

    const QString path = dir.filePath("capture.txt");
    FileCapturePort port(path.toStdString());
    ASSERT_EQ(port.open(), 0u);
    EXPECT_EQ(port.open(), MidiError::Allocated);
    MidiHdr header;
    header.data = std::string("\xC0\x01\x99", 3);
    header.bufferLength = 2; // only the first two bytes belong to the message
    EXPECT_NE(port.longMessage(header, 28), 0u);
    ASSERT_EQ(port.prepareHeader(header, 28), 0u);
    EXPECT_EQ(port.longMessage(header, 28), 0u);
    EXPECT_EQ(port.unprepareHeader(header, 28), 0u);
    EXPECT_EQ(port.close(), 0u);
    EXPECT_NE(port.close(), 0u);
    EXPECT_EQ(Lines(path), (QStringList{"c0 01", ""}));
}

TEST(MidiMapper, PicksThePortNamedByTheEnvironment) {
    EXPECT_NE(dynamic_cast<SynthPort*>(CreatePortFor(QString()).get()), nullptr);
    EXPECT_NE(dynamic_cast<SynthPort*>(CreatePortFor("synth").get()), nullptr);
    const struct {
        const char* value;
        RtMidiPort::Api api;
        const char* filter;
    } rtmidi[] = {{"alsa", RtMidiPort::Api::Alsa, ""},
                  {"alsa:FLUID Synth", RtMidiPort::Api::Alsa, "FLUID Synth"},
                  {"jack", RtMidiPort::Api::Jack, ""},
                  {"jack:midi_dump", RtMidiPort::Api::Jack, "midi_dump"}};
    for (const auto& c : rtmidi) {
        auto port = CreatePortFor(c.value);
        auto* rt = dynamic_cast<RtMidiPort*>(port.get());
        ASSERT_NE(rt, nullptr) << c.value;
        EXPECT_EQ(rt->api(), c.api) << c.value;
        EXPECT_EQ(rt->nameFilter(), c.filter) << c.value;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("out:put.txt"); // a colon inside the file name is kept
    auto capture = CreatePortFor("capture:" + file);
    auto* capturePort = dynamic_cast<FileCapturePort*>(capture.get());
    ASSERT_NE(capturePort, nullptr);
    EXPECT_EQ(capturePort->path(), file.toStdString());

    // "none" is no device at all.
    Module none(CreatePortFor("none"));
    EXPECT_EQ(none.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(none.midi.NoMidiDevice);
    EXPECT_EQ(none.sink.texts(), std::vector<QString>{"Output MIDI Device not found"});

    // The environment variable itself.
    const QByteArray saved = qgetenv("QUINTARO_MIDI_OUT");
    qputenv("QUINTARO_MIDI_OUT", QByteArray("capture:") + file.toLocal8Bit());
    EXPECT_NE(dynamic_cast<FileCapturePort*>(CreateMappedPort().get()), nullptr);
    qputenv("QUINTARO_MIDI_OUT", "none");
    EXPECT_NE(dynamic_cast<NullPort*>(CreateMappedPort().get()), nullptr);
    qunsetenv("QUINTARO_MIDI_OUT");
    EXPECT_NE(dynamic_cast<SynthPort*>(CreateMappedPort().get()), nullptr);
    qputenv("QUINTARO_MIDI_OUT", saved);
}

TEST(MidiMapper, AnUnknownValueMeansNoDeviceAndSaysWhatIsAccepted) {
    const QtMessageHandler previous = qInstallMessageHandler(CatchWarning);
    for (const char* value : {"winmm", "capture:", "none:x", "synth:piano"}) {
        warnings.clear();
        auto port = CreatePortFor(value);
        EXPECT_NE(dynamic_cast<NullPort*>(port.get()), nullptr) << value;
        EXPECT_EQ(warnings.size(), 1) << value;
        const QString warning = warnings.value(0);
        for (const char* part : {value, "synth", "alsa:NAME", "jack:NAME", "capture:FILE", "none"})
            EXPECT_TRUE(warning.contains(part)) << warning.toStdString();
    }
    qInstallMessageHandler(previous);
}

TEST(RtMidiPort, WithoutADeviceOpenFailsCleanlyAndTheModuleSaysSoOnce) {
    // No JACK server runs here: the client constructs, sees no ports, and opening fails. The
    // ALSA port named by no port opens nothing either, sequencer or not.
    RtMidiPort jack(RtMidiPort::Api::Jack, "");
    if (jack.available() && jack.deviceCount() > 0)
        GTEST_SKIP() << "a JACK server is running";
    RtMidiPort alsa(RtMidiPort::Api::Alsa, "NoSuchPort");
    if (!QFile::exists("/dev/snd/seq")) {
        EXPECT_FALSE(alsa.available());
        EXPECT_FALSE(alsa.lastError().empty());
    }
    for (RtMidiPort* port : {&jack, &alsa}) {
        EXPECT_NE(port->open(), 0u);
        EXPECT_TRUE(port->openPortName().empty());
        EXPECT_NE(port->shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
    }
    MidiHdr header;
    header.data = std::string("\xC0\x00", 2);
    header.bufferLength = 2;
    EXPECT_NE(jack.prepareHeader(header, 28), 0u);
    EXPECT_NE(jack.close(), 0u);

    // Through the module: either no device at all, or a device that cannot be opened; one
    // message either way, and output off.
    for (RtMidiPort::Api api : {RtMidiPort::Api::Jack, RtMidiPort::Api::Alsa}) {
        Module m(
            std::make_unique<RtMidiPort>(api, api == RtMidiPort::Api::Jack ? "" : "NoSuchPort"));
        m.midi.OpenMidiOutput();
        EXPECT_EQ(m.midi.MidiOutEnabled, 0);
        m.midi.SendNoteOn(0, 60, 100);
        m.midi.CloseMidiOutput();
        const bool found = api == RtMidiPort::Api::Alsa && alsa.deviceCount() > 0;
        EXPECT_EQ(m.sink.texts(), std::vector<QString>{found ? "Output MIDI Device error"
                                                             : "Output MIDI Device not found"});
    }
}
