#pragma once

#include "engine/NotePolicy.h"

#include <QObject>
#include <compare>
#include <map>
#include <set>
#include <vector>

class Midi;

// Who holds a note down: the mouse's button, the pointer hovering over the keys (hover mode), a
// finger by its touch point id, a computer key 0..23, the Space key or a screen reader's press
// action on the focused key, an incoming MIDI note by its number, and the latch (Hold Note and
// the hold chord).
struct NoteSource {
    enum class Kind { Mouse, Hover, Finger, ComputerKey, Space, MidiIn, Latch };
    Kind kind = Kind::Mouse;
    int id = 0;
    auto operator<=>(const NoteSource&) const = default;
};

// The notes one window plays, whoever plays them: it asks the window's policy where a note goes,
// sends through the MIDI module, and says which notes to mark and which note to show. No widget.
//
// A note sounds while any source holds it: the first press sends its Note Ons, the last release
// its Note Offs, where the Note Ons went whatever the policy answers by then. A press of a note
// another source already holds sends nothing and adds the source: a second Note On of one pitch
// on one channel leaves a receiver with two voices, or with one that the first Note Off ends,
// while the other hand still holds the key; one Note On and one Note Off keep every receiver in
// step with what the hands hold. The note keeps the velocity of its first press.
//
// Play modes (the window's Click Key and Hold Note boxes): in click mode a press plays until its
// release; in hover mode the pointer plays the key it is over (hover()) and a press plays only
// from a computer key; with Hold Note a press latches its note, or unlatches a latched one. The
// hold chord takes the latched notes and replays them, shifted, from the next key pressed.
// Incoming MIDI notes play whatever the modes, with their own velocity.
class NoteEngine : public QObject {
    Q_OBJECT
  public:
    static constexpr int NoNote = 200;

    NoteEngine(Midi& midi, NotePolicy& policy);

    void setModes(bool clickKey, bool holdNote);
    bool clickKey() const { return clickKey_; }
    bool holdNote() const { return holdNote_; }

    // `source` presses `note`. `velocity` > 0: where a key was struck, sent when the policy takes
    // the velocity from there; for MidiIn the note's own velocity, sent always. A press whose
    // release never came ends first.
    void press(NoteSource source, int note, int velocity = 0);
    // `source` lets go of the note its press or hover started. `velocity` >= 0: the Note Off's
    // (an incoming note's); else the policy's.
    void release(NoteSource source, int velocity = -1);
    // The pointer `source` is over `note` (NoNote: off the keys), hover mode only. On the note it
    // already plays, `lowestStrip` releases it at the policy's strip velocity.
    void hover(NoteSource source, int note, bool lowestStrip = false, int velocity = 0);
    // Takes `note` out of the latched table and lets it go (a cancelled finger's latch).
    void unlatch(int note);

    // The latched notes become the chord (false when none is latched).
    bool takeChord();
    void clearChord();
    bool chordActive() const { return chordActive_; }

    // The All Notes Off action: All Notes Off on the policy's channels, nothing remembered as
    // sounding there after; the chord ends.
    void allNotesOff();
    // Before the output changes: every sounding note's Note Offs where its Note Ons went, nothing
    // latched, in a chord or held by a source after.
    void releaseAll();

    bool sounds(int note) const { return sounding_.count(note) != 0; }
    NoteTable& latched() { return policy_.latchedNotes(); }
    NotePolicy& policy() { return policy_; }
    // The channels a note goes to now: a controller from outside follows them.
    std::vector<int> noteChannels();

  signals:
    // A source pressed `note`: its key shows it.
    void marked(int note);
    // `note` no longer sounds, or was unlatched.
    void unmarked(int note);
    // Every key plain: a chord replay starts.
    void marksCleared();
    // The note to show as the last played; NoNote empties the box.
    void shown(int note);

  private:
    // A note that went out and is not yet released: its Note Ons and who holds it.
    struct Sounding {
        std::vector<NoteTarget> targets;
        std::set<NoteSource> holders;
    };
    enum : int { PolicyVelocity = -1, StripVelocity = -2 };

    void play(NoteSource source, int note, int velocity);
    // `source` lets go of `note`; the last holder sends the Note Offs (`offVelocity`: given, or
    // one of the two above). True when the note stopped.
    bool drop(NoteSource source, int note, int offVelocity);
    bool holds(NoteSource source, int note) const;
    void replayChord(int note, int velocity);
    void sendAllNotesOff();

    Midi& midi_;
    NotePolicy& policy_;
    bool clickKey_ = true;
    bool holdNote_ = false;
    bool chordActive_ = false;
    NoteTable chordNotes_;
    // Untransposed note -> what went out for it and who holds it.
    std::map<int, Sounding> sounding_;
    // The note each source's press or hover started.
    std::map<NoteSource, int> own_;
};
