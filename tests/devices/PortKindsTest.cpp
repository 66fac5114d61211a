// The table of port kinds: per choice the port it makes (with the name it seeks), whether the
// device watch looks after it, and whether an input of its kind can be the output's own device.
#include "devices/PortKinds.h"
#include "midi/ports/FileCapturePort.h"
#include "midi/ports/JackOutput.h"
#include "midi/ports/NullPort.h"
#include "midi/ports/RtMidiPort.h"
#include "midi/ports/SynthPort.h"

#include <gtest/gtest.h>
#include <typeinfo>

TEST(PortKinds, EachChoiceMakesItsPortIsWatchedAndMatchesItsOwnDeviceByItsKind) {
    // An ALSA port before and after a replug, its client:port numbers changed.
    const std::string before = "USB Keys:USB Keys MIDI 1 24:0";
    const std::string after = "USB Keys:USB Keys MIDI 1 28:0";
    struct Case {
        const char* choice;
        const std::type_info& port;
        const char* filter; // what a sequencer output seeks
        bool watched, same;
    } const cases[] = {
        {"", typeid(SynthPort), "", false, false},
        {"synth", typeid(SynthPort), "", false, false},
        {" ALSA:USB Keys ", typeid(RtMidiPort), "USB Keys", true, true},
        {"alsa", typeid(RtMidiPort), "", true, true},
        {"jack:synth:midi-in", typeid(JackOutput), "synth:midi-in", true, true},
        {"capture:/tmp/x.txt", typeid(FileCapturePort), "", false, false},
        {"none", typeid(NullPort), "", false, false},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<MidiPort> port = CreatePortFor(c.choice);
        const MidiPort& made = *port;
        EXPECT_EQ(typeid(made), c.port) << c.choice;
        const auto* out = dynamic_cast<const SequencerOutput*>(port.get());
        EXPECT_EQ(out != nullptr ? out->nameFilter() : "", c.filter) << c.choice;
        EXPECT_EQ(IsWatchedChoice(c.choice), c.watched) << c.choice;
        const PortKind* kind = KindOf(c.choice);
        ASSERT_NE(kind, nullptr) << c.choice;
        EXPECT_EQ(kind->sameDevice(before, after), c.same) << c.choice;
        EXPECT_FALSE(kind->sameDevice(before, "Midi Through:Midi Through Port-0 14:0")) << c.choice;
    }
    EXPECT_EQ(KindOf("winmm"), nullptr);
}
