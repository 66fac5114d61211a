// The note engine alone, with no window: a policy of the test on channel 3 (Vel On 0x50, Vel Off
// 0x40, strip release 0x21) and the MIDI module over the recording port.
#include "engine/NoteEngine.h"
#include "support/MidiModule.h"
#include "support/RecordingPort.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

struct TestPolicy : NotePolicy {
    NoteTable held;
    int channel = 2, transposition = 0, fromHeight = 0;
    NoteTable& latchedNotes() override { return held; }
    void makeCurrent() override {}
    std::vector<NoteTarget> noteOnTargets(int note) override {
        return {{channel, note + transposition, 0x50}};
    }
    int noteOffVelocity(int) override { return 0x40; }
    int stripReleaseVelocity(int) override { return 0x21; }
    std::vector<int> allNotesOffChannels() override { return {channel}; }
    void storeModes(int, int) override {}
    void storeKeyShift(int) override {}
    bool velocityFromHeight() override { return fromHeight; }
};

// A source by its letter, in the order of NoteSource::Kind, and number: "m" the mouse, "h" hover,
// "f1" a finger, "k0" a computer key, "s" Space, "i60" the incoming MIDI note 60.
NoteSource source(const std::string& s) {
    return {NoteSource::Kind(std::string_view("mhfksi").find(s[0])),
            s.size() > 1 ? std::stoi(s.substr(1)) : 0};
}

struct Engine {
    // Runs "press m 60 [velocity]", "release m [velocity]", "hover h [60 [strip]]", "modes 1 0",
    // "chord", "off", "all" (ReleaseAll), "transpose 2", "channel 4", "height", "/" (a mark in what
    // was sent); returns what was sent, " |", the notes latched.
    std::string run(const std::string& script) {
        m.midi.OpenMidiOutput();
        port.clear();
        std::string out;
        const auto sent = [&] {
            for (const std::string& line : port.messageLines())
                out += line + ' ';
            port.clear();
        };
        std::istringstream steps(script);
        for (std::string step; std::getline(steps, step, ';');) {
            std::string verb, who;
            int a = -1, b = 0;
            std::istringstream(step) >> verb >> who >> a >> b;
            const std::map<std::string, std::function<void()>> verbs = {
                {"press", [&] { e.press(source(who), a, b); }},
                {"release", [&] { e.release(source(who), a); }},
                {"hover", [&] { e.hover(source(who), a < 0 ? NoteEngine::NoNote : a, b != 0); }},
                {"modes", [&] { e.setModes(who == "1", a == 1); }},
                {"chord", [&] { e.takeChord(); }},
                {"off", [&] { e.allNotesOff(); }},
                {"all", [&] { e.releaseAll(); }},
                {"transpose", [&] { p.transposition = std::stoi(who); }},
                {"channel", [&] { p.channel = std::stoi(who); }},
                {"height", [&] { p.fromHeight = 1; }},
                {"/", [&] { sent(), out += "/ "; }}};
            verbs.at(verb)();
        }
        sent();
        out += '|';
        for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
            out += p.held[n] ? ' ' + std::to_string(n) : "";
        return out;
    }

    MidiModule m{std::make_unique<RecordingPort>()};
    RecordingPort& port = static_cast<RecordingPort&>(*m.midi.port());
    TestPolicy p;
    NoteEngine e{m.midi, p};
};

} // namespace

// A note held by several sources sounds once, from the first press to the last release, its Note
// Off where its Note On went at the last one's velocity; then the play modes' rules.
TEST(NoteEngine, SourcesModesLatchesTheChordAndTheVelocity) {
    const std::pair<const char*, const char*> cases[] = {
        {"press m 60; press k0 60; release k0; release k0; /; release m", "92 3c 50 / 82 3c 40 |"},
        // An incoming note (its own velocities) and the mouse, either first.
        {"press i60 60 100; press m 60; release i60 33; release m", "92 3c 64 82 3c 40 |"},
        {"press m 60; press i60 60 100; release m; release i60 33", "92 3c 50 82 3c 21 |"},
        // The transposition and the channel change while it sounds: a second source joins it, the
        // Note Off goes where the Note On went; the next note where the policy says now.
        {"press m 60; transpose 2; channel 4; press k3 60; release m; release k3; press k3 60",
         "92 3c 50 82 3c 40 94 3e 50 |"},
        // All Notes Off forgets what sounds: a release after it sends nothing, and does not end
        // the same note started again by another source.
        {"press m 60; off; press k0 60; release m; /; release k0",
         "92 3c 50 b2 7b 00 92 3c 50 / 82 3c 40 |"},
        // Before the output changes: everything held ends once, whoever holds it.
        {"press m 60; press k0 60; press i61 61 70; modes 1 1; press k1 64; all; /; release m; "
         "release i61 0; press k1 64",
         "92 3c 50 92 3d 46 92 40 50 82 3c 40 82 3d 40 82 40 40 / 92 40 50 | 64"},
        // Hold Note: a press latches, a press on a latched note unlatches it; a latched note
        // another source holds too sounds until that one lets go as well.
        {"modes 1 1; press m 60; release m; press k1 62; release k1", "92 3c 50 92 3e 50 | 60 62"},
        {"modes 1 1; press m 60; press m 60; press i62 62 90; press m 62; release i62 64",
         "92 3c 50 82 3c 40 92 3e 5a | 62"},
        {"modes 1 1; press i62 62 90; press m 62; press m 62; release i62 1",
         "92 3e 5a 82 3e 01 |"},
        // The chord replays its notes shifted to the key pressed, from the chord taken, notes
        // beyond the table dropped; All Notes Off ends it (its silenced note unlatched by a key).
        {"modes 1 1; press m 60; press m 64; chord; press k0 62; press f1 48",
         "92 3c 50 92 40 50 b2 7b 00 92 3e 50 92 42 50 b2 7b 00 92 30 50 92 34 50 | 48 52"},
        {"modes 1 1; press m 106; press m 108; chord; press m 100; press m 108; off; press m 108; "
         "press m 60",
         "92 6a 50 92 6c 50 b2 7b 00 92 64 50 92 66 50 b2 7b 00 92 6c 50 b2 7b 00 92 3c 50 | 60"},
        // Hover mode: a press plays only from a computer key; the pointer plays what it is over
        // (joining a key's note), its lowest strip and leaving the keys release; in click mode not.
        {"modes 0 0; press m 60; press k0 60; hover h 62; hover h 62; hover h 62 1; hover f1 64; "
         "hover f1; hover h 60; release k0; hover h; modes 1 0; hover h 62",
         "92 3c 50 92 3e 50 82 3e 21 92 40 50 82 40 40 82 3c 40 |"},
        // The velocity of where a key was struck, when the policy says so; an incoming note's
        // own always.
        {"press m 60 99; release m; height; press m 60 99; release m; press i61 61 7",
         "92 3c 50 82 3c 40 92 3c 63 82 3c 40 92 3d 07 |"},
    };
    for (const auto& [script, sent] : cases)
        EXPECT_EQ(Engine().run(script), sent) << script;
}
