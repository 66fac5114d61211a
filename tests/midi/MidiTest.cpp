// The MIDI module over a recording port, and the ports the mapper picks by QUINTARO_MIDI_OUT.
#include "midi/Midi.h"
#include "devices/PortKinds.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/SynthPort.h"
#include "support/MidiModule.h"
#include "support/RecordingPort.h"

#include <gtest/gtest.h>

namespace {

using Call = RecordingPort::Call;
using Texts = std::vector<QString>;

// Every call the port took, as "D" (device count), "O" (open), "C" (close), "S 90 3c 64" (a short
// message), "P c0 28", "L c0 28", "U c0 28" (prepare, long message, unprepare), joined by ", ".
std::string Calls(const RecordingPort& port) {
    std::string log;
    for (const auto& r : port.records)
        log += std::string(log.empty() ? "" : ", ") + "DOCSPLU"[static_cast<int>(r.call)] +
               (r.bytes.empty() ? "" : " " + HexLine(r.bytes));
    return log;
}

// What the module's recorder holds: every message the port took, each followed by ", ".
std::string Kept(Midi& midi) {
    std::string kept;
    for (const std::string& line : RecordedLines(midi))
        kept += line + ", ";
    return kept;
}

} // namespace

TEST(Midi, MessagesGoOutInOrderAreRecordedAndAFailedPrepareStillRunsTheThreeCallsOfALongOne) {
    MidiModule m(std::make_unique<RecordingPort>());
    auto& port = static_cast<RecordingPort&>(*m.midi.port());
    ASSERT_EQ(m.midi.OpenMidiOutput(), 0u);
    m.midi.SendNoteOn(0, 60, 100);
    m.midi.SendNoteOff(9, 36, 64);
    m.midi.SendAllNotesOff(15);
    m.midi.send(3, MidiStatus::ProgramChange, 40, 0);
    SendProgramChange(m.midi, 15, 127);
    port.failOn(Call::Prepare, 2, 7); // reported once; then the output is silent
    SendProgramChange(m.midi, 1, 2);
    m.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(Calls(port), "D, O, S 90 3c 64, S 89 24 40, S bf 7b 00, S c3 28, P cf 7f, L cf 7f, "
                           "U cf 7f, P c1 02, L c1 02, U c1 02");
    EXPECT_EQ(m.sink.texts(), Texts{"Output MIDI Device error"});
    EXPECT_EQ(Kept(m.midi), "90 3c 64, 89 24 40, bf 7b 00, c3 28, cf 7f, c1 02, ");
}

// Open, three notes, close: each device error is shown once, in the language of the module, and
// silences the output.
TEST(Midi, DeviceErrorsAreReportedOnceAndSilenceTheOutput) {
    const struct {
        int devices;
        Call call;
        std::uint32_t result;
        const char *calls, *text, *kept; // kept: what the recorder holds, what the port took
    } cases[] = {
        {0, Call::Open, 0, "D", "Dispositivo MIDI di uscita assente", ""},
        {1, Call::Short, MidiError::Allocated, "D, O, S 90 3c 64, S 90 3d 64",
         "Output MIDI Device already in use", "90 3c 64, "},
        {1, Call::Close, 5, "D, O, S 90 3c 64, S 90 3d 64, S 90 3e 64, C",
         "Output MIDI Device closing error", "90 3c 64, 90 3d 64, 90 3e 64, "},
    };
    for (const auto& c : cases) {
        MidiModule m(std::make_unique<RecordingPort>(), c.devices == 0 ? 0 : 200);
        auto& port = static_cast<RecordingPort&>(*m.midi.port());
        port.devices = c.devices;
        port.failOn(c.call, c.call == Call::Short ? 2 : 1, c.result);
        EXPECT_EQ(m.midi.OpenMidiOutput(), 0u);
        for (int note = 60; note < 63; ++note)
            m.midi.SendNoteOn(0, note, 100);
        m.midi.CloseMidiOutput();
        EXPECT_EQ(Calls(port), c.calls);
        EXPECT_EQ(m.sink.texts(), Texts{QString::fromUtf8(c.text)});
        EXPECT_EQ(Kept(m.midi), c.kept);
        EXPECT_EQ(m.midi.noDevice(), c.devices == 0);
        EXPECT_TRUE(c.call != Call::Close || m.midi.outputOpen()) << "a close error leaves it open";
    }
}

TEST(MidiMapper, TheSynthesizerByDefaultAndNoOutputForAValueNotUnderstood) {
    qunsetenv("QUINTARO_MIDI_OUT"); // for the rest of the program's run
    EXPECT_NE(dynamic_cast<SynthPort*>(CreateMappedPort().get()), nullptr);
    for (const char* value : {"winmm", "capture:", "none:x", "synth:piano"})
        EXPECT_NE(dynamic_cast<NullPort*>(CreatePortFor(value).get()), nullptr) << value;
    MidiModule none(CreatePortFor("none"));
    EXPECT_EQ(none.midi.OpenMidiOutput(), 0u);
    EXPECT_EQ(none.sink.texts(), Texts{"Output MIDI Device not found"});
}
