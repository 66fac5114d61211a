// Ports named across replugs: the stable identity of RtMidi's names, the matching of a choice
// (remembered with old numbers too), the same device on both sides, and what midi.conf keeps.
#include "midi/ports/PortIdentity.h"
#include "midi/ports/MidiMapper.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PortIdentity, NamesLoseTheNumbersThatChangeAtEveryReplugAndNothingElse) {
    // ALSA through RtMidi is "CLIENT:PORT C:P"; the ALSA bridge of JACK puts " [N]" before the
    // side. JACK names, and numbers that are not ALSA's pair, stay as they are.
    const char* const identities[][2] = {
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-0"},
        {"FLUID Synth (812):Synth input port (812:0) 129:0",
         "FLUID Synth (812):Synth input port (812:0)"},
        {"Ké Bôard:Port 1 20:1", "Ké Bôard:Port 1"},
        {"a2j:USB Keys [24] (capture): USB Keys MIDI 1",
         "a2j:USB Keys (capture): USB Keys MIDI 1"}};
    for (const auto& [name, identity] : identities)
        EXPECT_EQ(StablePortIdentity(name), identity) << name;
    for (const char* kept : {"a2j:USB Keys (capture): K 1", "midi-keyboard:keys", "My Synth 2:0",
                             "seq:out [3]", "Keys:Port 14:", "Keys:Port 1a:0", ""})
        EXPECT_EQ(StablePortIdentity(kept), kept);

    // A filter finds its port by name, or by identity when the numbers have changed since; an
    // input that is the output's own device would send back what the program plays.
    const struct {
        const char *a, *b;
        bool matches, same; // PortMatches(a, b), SameDevice(a, b)
    } pairs[] = {
        {"Midi Through:Midi Through Port-0 20:0", "Midi Through:Midi Through Port-0 14:0", 1, 1},
        {"Midi Through:Midi Through Port-0 14:0", "Through", 1, 0},
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-1 14:1", 0, 0},
        {"a2j:USB Keys [28] (capture): K 1", "a2j:USB Keys [24] (capture): K 1", 1, 1},
        {"a2j:USB Keys [14] (capture): K 1", "a2j:USB Keys [14] (playback): K 1", 0, 1},
        {"midi-keyboard:keys", "midi-keyboard", 1, 0}};
    for (const auto& c : pairs) {
        EXPECT_EQ(PortMatches(c.a, c.b), c.matches) << c.a << " / " << c.b;
        EXPECT_EQ(SameDevice(c.a, c.b), c.same) << c.a << " / " << c.b;
    }
    EXPECT_TRUE(IsOwnPort("Quintaro:Quintaro output 130:0") &&
                IsOwnPort("Quintaro-01:Quintaro input") && !IsOwnPort("midi-keyboard:keys"));
}

// midi.conf keeps an ALSA port by its identity; a file written with numbers (by earlier versions)
// is read as the identity, which still finds the device after it was plugged in again.
TEST(PortIdentity, RememberedChoicesKeepTheIdentityAndOldNumberedFilesStillWork) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit()); // for the rest of the program's run
    qunsetenv("QUINTARO_MIDI_IN");
    EXPECT_EQ(StableChoice(" ALSA:USB Keys:USB Keys MIDI 1 24:0 "),
              "ALSA:USB Keys:USB Keys MIDI 1");
    for (const char* kept : {"jack:My Synth 2:0", "alsa", "capture:/t 1:2"})
        EXPECT_EQ(StableChoice(kept), kept);
    {
        QSettings old(MidiChoiceFile(), QSettings::IniFormat);
        old.setValue("input", "alsa:USB Keys:USB Keys MIDI 1 24:0");
        old.setValue("output", "jack:fluidsynth:midi_00");
    }
    EXPECT_EQ(StartInputChoice(), "alsa:USB Keys:USB Keys MIDI 1");
    EXPECT_EQ(RememberedMidiChoice("output"), "jack:fluidsynth:midi_00");
    ASSERT_TRUE(RememberMidiChoice("output", "alsa:Midi Through:Midi Through Port-0 14:0"));
    QFile file(MidiChoiceFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[General]\ninput=alsa:USB Keys:USB Keys MIDI 1 24:0\n"
                              "output=alsa:Midi Through:Midi Through Port-0\n");
}
