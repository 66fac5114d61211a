#pragma once

#include "engine/NoteEngine.h"
#include "ui/keyboard/ComputerKeys.h"
#include "ui/keyboard/KeyWidget.h"
#include "ui/keyboard/KeyboardKeys.h"

#include <QObject>
#include <QString>
#include <array>
#include <map>
#include <vector>

class Midi;
class Keyboard;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTouchEvent;

// The 61-key on-screen keyboard with its play controls, built into a host window's client area.
// It turns what the mouse, the fingers and the computer keys do into presses and releases of its
// note engine (engine()), which asks the policy where notes go and sends them; it draws the marks
// the engine asks for and stores through the policy what its controls change.
//
// Hosting: construct it with the window's client widget; it creates every control as a child of
// that widget at its twips geometry (Frame1 at Left 70, Top 2650; move Frame1 if needed). The
// keyboard turns on mouse tracking on the client widget and watches its pointer moves itself (an
// event filter), so hover playing releases the note when the pointer leaves the keys; a host with
// other surfaces may call Form_MouseMove() from them. Call SetUp() during the window's load, and
// AllNotesOff() when the window closes. When the client area is hidden (the window minimized),
// the notes of a held button and of hover playing stop.
//
// Computer keys: while Frame1 has the focus (a click on a key or on the frame gives it), two rows
// of the computer keyboard (see ComputerKeys, which also tells how X11's repeats are told from a
// user's presses) play the first two octaves shown, from KeyBase. A key plays as a mouse press on
// the key would in the current mode and its release as the button's release; in hover mode (Click
// Key unchecked) a key plays while it is held, as in click mode. Auto-repeat is ignored; a press
// with Ctrl, Alt, Shift or Meta is left to the window's shortcuts and mnemonics. Losing the focus
// or hiding releases what the keys hold, at once.
//
// The keys and the frame only signal what the pointer did; the keyboard watches the frame's key
// events itself (an event filter), so a key it does not play goes on to the frame.
//
// Fingers: the frame takes a touch that begins on a key (one that does not reaches its controls as
// the mouse). Each finger plays as a pointer of its own, with its own note as a computer key has,
// so that fingers play chords: in click mode, hold mode and the hold chord it is the button held
// on the key it went down on; in hover mode the pointer hovering over the key under it, its note
// stopping when it lifts. A touch the system cancels releases what its fingers started, latched
// notes too. With the policy's velocityFromHeight(), a press, a finger and a finger's slide onto a
// key send the velocity of how far down the key it struck (1 at the top edge to 127 at the
// bottom edge), or of the finger's pressure when the touch device reports one.
//
// Ownership: the controls are children of the client widget; the Keyboard object itself has no
// parent and belongs to the host (a std::unique_ptr member, say). Either may go first when the
// window is destroyed, as long as no event reaches the keys after the keyboard is gone.
class Keyboard : public QObject {
    Q_OBJECT
  public:
    static constexpr int KeyCount = 61;
    static constexpr int NoNote = 200;

    // The captions are in the language of `languageBase` (0 Italian, 200 English).
    Keyboard(Midi& midi, NotePolicy& policy, QWidget* client, int languageBase);

    // The controls, named as the window designs name them.
    KeyboardFrame* Frame1 = nullptr;
    KeyboardKeys* Keys = nullptr;    // the 61 keys, drawn by one widget
    std::array<QLabel*, 7> Label1{}; // 0..5 octave labels in Frame1; 6 "Note (Number)"
    QScrollBar* HScroll1 = nullptr;  // key shift 0..3
    QCheckBox* CheckClickKey = nullptr;
    QCheckBox* CheckHoldNote = nullptr;
    QPushButton* CommHoldChord = nullptr;
    QPushButton* CommAllNoteOff = nullptr;
    QLineEdit* Text1 = nullptr; // name and number of the last note played

    // The keyboard steps of the window's load, in order: key shift, the two boxes (their handlers
    // run as a user's change would), clear the latched table and the chord, nothing sounding,
    // place labels, bar and keys, empty Text1, bring the mode boxes in line.
    void SetUp(int keyShift, int clickKey, int holdNote);

    // Event handlers. A press and its release are those of the first button down and the last
    // one up; the keys pass on no other.
    void Key_MouseDown(int k);
    void Key_MouseUp(int k);
    void Key_MouseMove(int k, int yTwips);
    void Form_MouseMove();
    void HScroll1_Change();
    void CheckClickKey_Click();
    void CheckHoldNote_Click();
    void CommHoldChord_Click();
    void CommAllNoteOff_Click();
    // A computer key went down or up (see above); false when the event is not the keyboard's.
    bool ComputerKey_Down(const QKeyEvent& event);
    bool ComputerKey_Up(const QKeyEvent& event);
    // Releases what the computer keys started.
    void ReleaseComputerKeys();
    // The key (0..23 above KeyBase) that a key event plays, or -1.
    static int ComputerKeyIndex(const QKeyEvent& event) { return ComputerKeys::KeyIndex(event); }
    // How long a computer key's release waits for a press of the same key, in ms: 40 on X11
    // ("xcb"), else 0 (at once).
    static int DefaultReleaseGrace() { return ComputerKeys::DefaultReleaseGrace(); }
    void SetReleaseGrace(int ms) { computerKeys_.setReleaseGrace(ms); }

    // The All Notes Off action (the button, the mode changes, the window's closing).
    void AllNotesOff();
    // Before the output changes: every note remembered as sounding gets its Note Offs where its
    // Note Ons went, and nothing is left latched, marked or in a chord.
    void ReleaseAll();

    // Key k pressed and let go by `source` (Space, a screen reader's press action), as the mouse's
    // button would.
    void SourceDown(NoteSource source, int k) { keyPressed(source, k, -1); }
    void SourceUp(NoteSource source) { engine_.release(source); }

    // What plays the notes: the keys, and the MIDI input through the main window.
    NoteEngine& engine() { return engine_; }

    void ClearHeldNotes();
    void ResetKeyboard();
    void RecolourKeys();
    void RedrawMarks();
    int AnyNoteHeld();
    void PlaceOctaveLabels();
    void ClearChord();

    int KeyBase() const { return keyBase_; }
    int ChordActive() const { return engine_.chordActive() ? 1 : 0; }
    int clickKey() const; // CheckClickKey state 0/1
    int holdNote() const; // CheckHoldNote state 0/1
    bool isMarked(int k) const { return Keys->isMarked(k); }
    // Marks under the keys in view where the policy's zones begin and end: run when the zones
    // or the channels playing change (the key shift runs it itself).
    void ShowZones();

    // "C/Do (60)": the name of the note's pitch class, then its number in brackets.
    static QString NoteText(int note);
    // The name of the note's pitch class in one language: "C#" or "Do#".
    static QString PitchName(int note, bool italian);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A finger on the keys: the notes its press latched (hold mode, chord).
    struct Finger {
        std::vector<int> latched;
    };

    // A touch on Frame1, which stops here: taken, or ignored when it begins off the keys (it
    // then reaches the frame's controls as the mouse).
    bool touchEvent(QTouchEvent& event);
    // Releases what each finger sounds (and, when cancelled, the notes it latched); forgets them.
    void releaseFingers(bool cancelled);
    // A press of key k by `source`, `depth` down it (negative: the policy's velocity).
    void keyPressed(NoteSource source, int k, double depth);
    // A pointer `source` over key k (-1: off the keys) at `yTwips` down it, with `velocity`.
    void hoverKey(NoteSource source, int k, int yTwips, int velocity);
    void layoutKeys();
    void onMarked(int note);
    void onUnmarked(int note);
    // Clears the mark of key `k` unless a latched or sounding note still shows there.
    void unmarkKeyIfFree(int k);
    // Forgets the keys marked for notes that no longer sound.
    void forgetSilentMarks();
    void pressComputerKey(int i);
    void releaseComputerKey(int i);
    void updateHoldChordEnable();
    // The engine's modes from the two boxes.
    void syncModes();

    NotePolicy& policy_;
    QWidget* client_;
    NoteEngine engine_;
    int keyBase_ = 12;
    ComputerKeys computerKeys_{[this](int i) { pressComputerKey(i); },
                               [this](int i) { releaseComputerKey(i); }};
    std::map<int, Finger> fingers_; // by touch point id
    // Sounding note -> the keys marked for it (a note started again after a key shift, by
    // another computer key say, marks another key).
    std::map<int, std::vector<int>> markedKeys_;
};
