// The note engine alone, with no window: a policy of the test on channel 3 (Vel On 0x50, Vel Off
// 0x40, strip release 0x21) and the MIDI module over the recording port.
#include "engine/NoteEngine.h"
#include "support/MidiModule.h"
#include "support/RecordingPort.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

struct TestPolicy : NotePolicy {
    NoteTable held;
    int channel = 2, transposition = 0;
    bool fromHeight = false;
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

// A source by its letter and number: "m" the mouse, "h" hover, "f1" a finger, "k0" a computer
// key, "s" Space, "i60" the incoming MIDI note 60.
NoteSource source(const std::string& s) {
    using K = NoteSource::Kind;
    const K kind = s[0] == 'm'   ? K::Mouse
                   : s[0] == 'h' ? K::Hover
                   : s[0] == 'f' ? K::Finger
                   : s[0] == 'k' ? K::ComputerKey
                   : s[0] == 's' ? K::Space
                                 : K::MidiIn;
    return {kind, s.size() > 1 ? std::stoi(s.substr(1)) : 0};
}

struct Engine {
    Engine() {
        m.midi.OpenMidiOutput();
        port().clear();
    }
    RecordingPort& port() { return static_cast<RecordingPort&>(*m.midi.port()); }

    // Runs "press m 60 [velocity]", "release m [velocity]", "hover h 60 [strip]", "leave h",
    // "modes 1 0" (Click Key, Hold Note), "chord", "off" (All Notes Off), "all" (ReleaseAll),
    // "transpose 2", "channel 4", "height": what was sent, then " | " and the notes latched.
    std::string run(const std::string& script) {
        std::istringstream steps(script);
        for (std::string step; std::getline(steps, step, ';');) {
            std::istringstream in(step);
            std::string verb, who;
            in >> verb >> who;
            std::vector<int> n;
            for (int x; in >> x;)
                n.push_back(x);
            const auto arg = [&n](std::size_t i, int otherwise) {
                return i < n.size() ? n[i] : otherwise;
            };
            if (verb == "press")
                e.press(source(who), n.at(0), arg(1, 0));
            else if (verb == "release")
                e.release(source(who), arg(0, -1));
            else if (verb == "hover")
                e.hover(source(who), n.at(0), arg(1, 0) != 0);
            else if (verb == "leave")
                e.hover(source(who), NoteEngine::NoNote);
            else if (verb == "modes")
                e.setModes(who == "1", n.at(0) != 0);
            else if (verb == "chord")
                e.takeChord();
            else if (verb == "off")
                e.allNotesOff();
            else if (verb == "all")
                e.releaseAll();
            else if (verb == "transpose")
                p.transposition = std::stoi(who);
            else if (verb == "channel")
                p.channel = std::stoi(who);
            else if (verb == "height")
                p.fromHeight = true;
        }
        std::string out;
        for (const std::string& line : port().messageLines())
            out += (out.empty() ? "" : " ") + line;
        port().clear();
        out += " |";
        for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
            if (p.held[n])
                out += " " + std::to_string(n);
        return out;
    }

    MidiModule m{std::make_unique<RecordingPort>()};
    TestPolicy p;
    NoteEngine e{m.midi, p};
};

} // namespace

// Every source holds a note of its own; one note held by several sounds from the first press to
// the last release, once, and its Note Off goes where its Note On went at the last releaser's
// velocity.
TEST(NoteEngine, ANoteHeldByTwoSourcesSoundsOnceUntilTheLastLetsGo) {
    const std::pair<const char*, const char*> cases[] = {
        {"press m 60; press k0 60; release k0; release k0", "92 3c 50 |"},
        {"release m", "82 3c 40 |"},
        {"press f1 60; press f2 60; press s 60; release f1; release s", "92 3c 50 |"},
        {"release f2", "82 3c 40 |"},
        // An incoming note with its own velocity, the mouse joining it; then the other way round,
        // the incoming Note Off's velocity last.
        {"press i60 60 100; press m 60; release i60 33; release m", "92 3c 64 82 3c 40 |"},
        {"press m 60; press i60 60 100; release m; release i60 33", "92 3c 50 82 3c 21 |"},
        // The transposition and the channel change while the note sounds: a second source joins
        // the note that sounds, and the Note Off goes where the Note On went.
        {"press m 60; transpose 2; channel 4; press k3 60; release m; release k3",
         "92 3c 50 82 3c 40 |"},
        {"press k3 60; release k3; transpose 0; channel 2", "94 3e 50 84 3e 40 |"},
        // A press whose release never came ends first; an incoming note pressed again too.
        {"press m 60; press m 62; release m", "92 3c 50 82 3c 40 92 3e 50 82 3e 40 |"},
        {"press i60 60 90; press i60 60 91; release i60 64",
         "92 3c 5a 82 3c 5b 92 3c 5b 82 3c 40 |"},
        // All Notes Off forgets what sounds: a release after it sends nothing, and does not end
        // the same note started again by another source.
        {"press m 60; off; press k0 60; release m", "92 3c 50 b2 7b 00 92 3c 50 |"},
        {"release k0", "82 3c 40 |"},
        // Before the output changes: everything held ends once, whoever holds it.
        {"press m 60; press k0 60; press i61 61 70; modes 1 1; press k1 64; all",
         "92 3c 50 92 3d 46 92 40 50 82 3c 40 82 3d 40 82 40 40 |"},
        {"release m; release i61 0; press k1 64", "92 40 50 | 64"},
    };
    Engine t;
    for (const auto& [script, sent] : cases)
        EXPECT_EQ(t.run(script), sent) << script;
}

// The play modes' rules, each case in a fresh engine.
TEST(NoteEngine, ModesLatchesTheChordAndTheVelocity) {
    const std::pair<const char*, const char*> cases[] = {
        // Hold Note: a press latches, a press on a latched note unlatches it; a latched note
        // another source holds too sounds until that one lets go as well.
        {"modes 1 1; press m 60; release m; press k1 62; release k1", "92 3c 50 92 3e 50 | 60 62"},
        {"modes 1 1; press m 60; press m 60; press i62 62 90; press m 62; release i62 64",
         "92 3c 50 82 3c 40 92 3e 5a | 62"},
        {"modes 1 1; press i62 62 90; press m 62; press m 62; release i62 1",
         "92 3e 5a 82 3e 01 |"},
        // The chord of the latched notes replays from its lowest note shifted to the key
        // pressed, each press from the chord taken, not from the last replay, notes beyond the
        // table dropped; All Notes Off ends it (the note it silenced is unlatched by its key).
        {"modes 1 1; press m 60; press m 64; chord; press k0 62; press f1 48",
         "92 3c 50 92 40 50 b2 7b 00 92 3e 50 92 42 50 b2 7b 00 92 30 50 92 34 50 | 48 52"},
        {"modes 1 1; press m 106; press m 108; chord; press m 100; press m 108; off; press m 108; "
         "press m 60",
         "92 6a 50 92 6c 50 b2 7b 00 92 64 50 92 66 50 b2 7b 00 92 6c 50 b2 7b 00 92 3c 50 | 60"},
        {"modes 1 1; chord; press m 60", "92 3c 50 | 60"}, // nothing latched: no chord
        // Hover mode: a press plays only from a computer key; the pointer plays what it is over,
        // and its lowest strip releases at the strip velocity; leaving the keys releases.
        {"modes 0 0; press m 60; press k0 60; hover h 62; hover h 62; hover h 62 1; hover f1 64; "
         "leave f1; release k0",
         "92 3c 50 92 3e 50 82 3e 21 92 40 50 82 40 40 82 3c 40 |"},
        // The pointer over a note a computer key holds joins it; in click mode it plays nothing.
        {"modes 0 0; press k0 60; hover h 60; release k0; leave h; modes 1 0; hover h 62",
         "92 3c 50 82 3c 40 |"},
        // The velocity of where a key was struck, when the policy says so; an incoming note's
        // own always.
        {"press m 60 99; release m; height; press m 60 99; release m; press i61 61 7",
         "92 3c 50 82 3c 40 92 3c 63 82 3c 40 92 3d 07 |"},
    };
    for (const auto& [script, sent] : cases)
        EXPECT_EQ(Engine().run(script), sent) << script;
}
