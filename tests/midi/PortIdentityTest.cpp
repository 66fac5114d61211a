// Ports named across replugs: the stable identity of RtMidi's names, the matching of a choice
// (remembered with old numbers too), the same device on both sides, and what midi.conf keeps.
#include "midi/ports/PortIdentity.h"
#include "midi/ports/MidiMapper.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PortIdentity, NamesLoseTheNumbersThatChangeAtEveryReplugAndNothingElse) {
    const struct {
        const char* name;
        const char* identity;
    } cases[] = {
        // ALSA through RtMidi: "CLIENT:PORT C:P".
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-0"},
        {"USB Keys:USB Keys MIDI 1 24:0", "USB Keys:USB Keys MIDI 1"},
        {"USB Keys:USB Keys MIDI 1 128:15", "USB Keys:USB Keys MIDI 1"},
        {"FLUID Synth (812):Synth input port (812:0) 129:0",
         "FLUID Synth (812):Synth input port (812:0)"},
        {"Ké Bôard:Port 1 20:1", "Ké Bôard:Port 1"},
        // The ALSA bridge of JACK, with and without the client number.
        {"a2j:USB Keys [24] (capture): USB Keys MIDI 1", "a2j:USB Keys (capture): USB Keys MIDI 1"},
        {"a2j:USB Keys [128] (playback): USB Keys MIDI 1",
         "a2j:USB Keys (playback): USB Keys MIDI 1"},
        {"a2j:USB Keys (capture): USB Keys MIDI 1", "a2j:USB Keys (capture): USB Keys MIDI 1"},
        // JACK names are stable as they are, digits and brackets included.
        {"midi-keyboard:keys", "midi-keyboard:keys"},
        {"My Synth 2:0", "My Synth 2:0"},
        {"system:midi_capture_1", "system:midi_capture_1"},
        {"seq:out [3]", "seq:out [3]"},
        // Numbers that are not ALSA's pair stay.
        {"Keys:Port 14:", "Keys:Port 14:"},
        {"Keys:Port :0", "Keys:Port :0"},
        {"Keys:Port 1a:0", "Keys:Port 1a:0"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StablePortIdentity(c.name), c.identity) << c.name;

    // A filter finds its port by name, or by identity when the numbers have changed since.
    const struct {
        const char* port;
        const char* filter;
        bool matches;
    } matches[] = {
        {"Midi Through:Midi Through Port-0 20:0", "Midi Through:Midi Through Port-0 14:0", true},
        {"Midi Through:Midi Through Port-0 20:0", "Midi Through:Midi Through Port-0", true},
        {"Midi Through:Midi Through Port-0 14:0", "Through", true},
        {"Midi Through:Midi Through Port-0 14:0", "", true},
        {"USB Keys:USB Keys MIDI 1 24:0", "Midi Through:Midi Through Port-0 14:0", false},
        {"USB Keys:USB Keys MIDI 1 24:0", "USB Keys:USB Keys MIDI 2 24:1", false},
        {"a2j:USB Keys [28] (capture): USB Keys MIDI 1",
         "a2j:USB Keys [24] (capture): USB Keys MIDI 1", true},
        {"midi-keyboard:keys", "midi-keyboard", true},
        {"midi-keyboard:keys", "midi-keyboard:pads", false},
    };
    for (const auto& c : matches)
        EXPECT_EQ(PortMatches(c.port, c.filter), c.matches) << c.port << " / " << c.filter;

    // An input that is the output's own device would send back what the program plays.
    const struct {
        const char* input;
        const char* output;
        bool same;
    } devices[] = {
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-0 14:0", true},
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-0 20:0", true},
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-1 14:1", false},
        {"USB Keys:USB Keys MIDI 1 24:0", "Midi Through:Midi Through Port-0 14:0", false},
        {"a2j:Midi Through [14] (capture): Midi Through Port-0",
         "a2j:Midi Through [14] (playback): Midi Through Port-0", true},
        {"a2j:Midi Through [14] (capture): Midi Through Port-0",
         "a2j:USB Keys [24] (playback): USB Keys MIDI 1", false},
        {"midi-keyboard:keys", "fluidsynth:midi_00", false},
        {"", "", false},
    };
    for (const auto& c : devices)
        EXPECT_EQ(SameDevice(c.input, c.output), c.same) << c.input << " / " << c.output;

    EXPECT_TRUE(IsOwnPort("Quintaro:Quintaro output 130:0"));
    EXPECT_TRUE(IsOwnPort("Quintaro-01:Quintaro input"));
    EXPECT_FALSE(IsOwnPort("midi-keyboard:keys"));
}

// midi.conf keeps an ALSA port by its identity; a file written with numbers (by earlier versions)
// is read as the identity, which still finds the device after it was plugged in again.
TEST(PortIdentity, RememberedChoicesKeepTheIdentityAndOldNumberedFilesStillWork) {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedIn = qgetenv("QUINTARO_MIDI_IN");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qunsetenv("QUINTARO_MIDI_IN");

    EXPECT_EQ(StableChoice("alsa:Midi Through:Midi Through Port-0 14:0"),
              "alsa:Midi Through:Midi Through Port-0");
    EXPECT_EQ(StableChoice(" ALSA:USB Keys:USB Keys MIDI 1 24:0 "),
              "ALSA:USB Keys:USB Keys MIDI 1");
    for (const char* kept :
         {"jack:My Synth 2:0", "alsa", "jack", "synth", "none", "capture:/t 1:2"})
        EXPECT_EQ(StableChoice(kept), kept);

    {
        QSettings old(MidiChoiceFile(), QSettings::IniFormat);
        old.setValue("input", "alsa:USB Keys:USB Keys MIDI 1 24:0");
        old.setValue("output", "jack:fluidsynth:midi_00");
    }
    EXPECT_EQ(RememberedMidiChoice("input"), "alsa:USB Keys:USB Keys MIDI 1");
    EXPECT_EQ(StartInputChoice(), "alsa:USB Keys:USB Keys MIDI 1");
    EXPECT_EQ(RememberedMidiChoice("output"), "jack:fluidsynth:midi_00");
    EXPECT_TRUE(PortMatches("USB Keys:USB Keys MIDI 1 28:0",
                            RememberedMidiChoice("input").mid(5).toStdString()));

    ASSERT_TRUE(RememberMidiChoice("output", "alsa:Midi Through:Midi Through Port-0 14:0"));
    QFile file(MidiChoiceFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("output=alsa:Midi Through:Midi Through Port-0\n")) << text.data();
    EXPECT_FALSE(text.contains("14:0")) << text.data();

    qputenv("XDG_CONFIG_HOME", savedHome);
    if (!savedIn.isEmpty())
        qputenv("QUINTARO_MIDI_IN", savedIn);
}
