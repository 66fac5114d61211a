#include "app/strings/Messages.h"
#include "midi/Midi.h"
#include "midi/ports/FileCapturePort.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"
#include "support/RecordingSink.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// The MIDI module over a given port, English messages recorded.
struct Module {
    explicit Module(std::unique_ptr<MidiPort> port) {
        messages.setSink(&sink);
        midi.setPort(std::move(port));
    }
    int base = 200;
    Messages messages{base};
    RecordingSink sink;
    Midi midi{messages};
};

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n');
}

// Collects qWarning texts while alive.
struct WarningCatcher {
    WarningCatcher() {
        caught().clear();
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg)
                    caught().push_back(text);
            });
    }
    ~WarningCatcher() { qInstallMessageHandler(previous); }
    static QStringList& caught() {
        static QStringList list;
        return list;
    }
    QtMessageHandler previous;
};

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
        m.midi.SendNoteOff(9, 36, 64);
        m.midi.SendAllNotesOff(15);
        m.midi.MidiMessage = PackShortMessage(0xE3, 0x00, 0x60);
        m.midi.SendShortMessage();
        m.midi.MidiHeader.data = std::string("\xC5\x0A", 2);
        m.midi.SendLongMessage();
        m.midi.CloseMidiOutput();
        EXPECT_EQ(m.midi.MidiOutOpen, 0);
        EXPECT_TRUE(m.sink.shown.empty());
    }
    {
        // A second run appends.
        Module m(std::make_unique<FileCapturePort>(path.toStdString()));
        m.midi.OpenMidiOutput();
        m.midi.MidiMessage = PackShortMessage(0xC0, 0x7F, 0);
        m.midi.SendShortMessage();
        m.midi.CloseMidiOutput();
    }
    EXPECT_EQ(Lines(path),
              (QStringList{"90 3c 64", "89 24 40", "bf 7b 00", "e3 00 60", "c5 0a", "c0 7f", ""}));
}

TEST(FileCapturePort, RefusesWhatItCannotWriteAndUnpreparedHeaders) {
    QTemporaryDir dir;
    // A folder cannot be opened for appending, not even by root.
    Module folder(std::make_unique<FileCapturePort>(dir.path().toStdString()));
    EXPECT_NE(folder.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(folder.midi.MidiOutEnabled, 0);
    ASSERT_EQ(folder.sink.shown.size(), 1u);
    EXPECT_EQ(folder.sink.shown[0].text, QStringLiteral("Output MIDI Device error"));

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

TEST(NullPort, IsNoDevice) {
    Module m(std::make_unique<NullPort>());
    EXPECT_EQ(m.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(m.midi.NoMidiDevice);
    ASSERT_EQ(m.sink.shown.size(), 1u);
    EXPECT_EQ(m.sink.shown[0].text, QStringLiteral("Output MIDI Device not found"));
}

TEST(MidiMapper, PicksThePortNamedByTheEnvironment) {
    auto synth = CreatePortFor(QString());
    EXPECT_NE(dynamic_cast<SynthPort*>(synth.get()), nullptr);
    EXPECT_NE(dynamic_cast<SynthPort*>(CreatePortFor("synth").get()), nullptr);

    auto alsa = CreatePortFor("alsa");
    auto* alsaPort = dynamic_cast<RtMidiPort*>(alsa.get());
    ASSERT_NE(alsaPort, nullptr);
    EXPECT_EQ(alsaPort->api(), RtMidiPort::Api::Alsa);
    EXPECT_EQ(alsaPort->nameFilter(), "");

    auto alsaNamed = CreatePortFor("alsa:FLUID Synth");
    auto* alsaNamedPort = dynamic_cast<RtMidiPort*>(alsaNamed.get());
    ASSERT_NE(alsaNamedPort, nullptr);
    EXPECT_EQ(alsaNamedPort->nameFilter(), "FLUID Synth");

    auto jack = CreatePortFor("jack");
    auto* jackPort = dynamic_cast<RtMidiPort*>(jack.get());
    ASSERT_NE(jackPort, nullptr);
    EXPECT_EQ(jackPort->api(), RtMidiPort::Api::Jack);
    auto jackNamed = CreatePortFor("jack:midi_dump");
    EXPECT_EQ(dynamic_cast<RtMidiPort*>(jackNamed.get())->nameFilter(), "midi_dump");

    QTemporaryDir dir;
    const QString file = dir.filePath("out:put.txt"); // a colon inside the file name is kept
    auto capture = CreatePortFor("capture:" + file);
    auto* capturePort = dynamic_cast<FileCapturePort*>(capture.get());
    ASSERT_NE(capturePort, nullptr);
    EXPECT_EQ(capturePort->path(), file.toStdString());

    auto none = CreatePortFor("none");
    EXPECT_NE(dynamic_cast<NullPort*>(none.get()), nullptr);
    EXPECT_EQ(none->deviceCount(), 0);

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
    for (const char* value : {"winmm", "capture:", "none:x", "synth:piano"}) {
        WarningCatcher catcher;
        auto port = CreatePortFor(value);
        EXPECT_NE(dynamic_cast<NullPort*>(port.get()), nullptr) << value;
        ASSERT_EQ(WarningCatcher::caught().size(), 1) << value;
        const QString warning = WarningCatcher::caught().front();
        EXPECT_TRUE(warning.contains(value)) << warning.toStdString();
        for (const char* accepted : {"synth", "alsa:NAME", "jack:NAME", "capture:FILE", "none"})
            EXPECT_TRUE(warning.contains(accepted)) << warning.toStdString();
    }
}

TEST(RtMidiPort, JackWithoutAServerHasNoPortsAndFailsCleanly) {
    // No JACK server runs here: the client constructs, sees no ports, and opening fails.
    RtMidiPort jack(RtMidiPort::Api::Jack, "");
    if (jack.available() && jack.deviceCount() > 0)
        GTEST_SKIP() << "a JACK server is running";
    EXPECT_EQ(jack.deviceCount(), 0);
    EXPECT_NE(jack.open(), 0u);
    EXPECT_TRUE(jack.openPortName().empty());
    EXPECT_NE(jack.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);
    MidiHdr header;
    header.data = std::string("\xC0\x00", 2);
    header.bufferLength = 2;
    EXPECT_NE(jack.prepareHeader(header, 28), 0u);
    EXPECT_NE(jack.close(), 0u);

    // Through the module: a missing device, told once.
    Module m(std::make_unique<RtMidiPort>(RtMidiPort::Api::Jack, ""));
    EXPECT_EQ(m.midi.OpenMidiOutput(), 0u);
    EXPECT_TRUE(m.midi.NoMidiDevice);
    m.midi.SendNoteOn(0, 60, 100);
    ASSERT_EQ(m.sink.shown.size(), 1u);
    EXPECT_EQ(m.sink.shown[0].text, QStringLiteral("Output MIDI Device not found"));
}

TEST(RtMidiPort, AlsaPortNamedByNoPortOpensNothing) {
    RtMidiPort alsa(RtMidiPort::Api::Alsa, "NoSuchPort");
    const bool sequencer = QFile::exists("/dev/snd/seq");
    if (!sequencer) {
        // No ALSA sequencer: the API cannot be reached, and no exception leaves the port.
        EXPECT_FALSE(alsa.available());
        EXPECT_FALSE(alsa.lastError().empty());
        EXPECT_EQ(alsa.deviceCount(), 0);
    }
    EXPECT_NE(alsa.open(), 0u);
    EXPECT_TRUE(alsa.openPortName().empty());
    EXPECT_NE(alsa.shortMessage(PackShortMessage(0x90, 60, 100)), 0u);

    // Through the module: either no device at all, or a device that cannot be opened; one
    // message either way, and output off.
    Module m(std::make_unique<RtMidiPort>(RtMidiPort::Api::Alsa, "NoSuchPort"));
    m.midi.OpenMidiOutput();
    EXPECT_EQ(m.midi.MidiOutEnabled, 0);
    m.midi.SendNoteOn(0, 60, 100);
    m.midi.CloseMidiOutput();
    ASSERT_EQ(m.sink.shown.size(), 1u);
    EXPECT_EQ(m.sink.shown[0].text, alsa.deviceCount() > 0
                                        ? QStringLiteral("Output MIDI Device error")
                                        : QStringLiteral("Output MIDI Device not found"));
}
