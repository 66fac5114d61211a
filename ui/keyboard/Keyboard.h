#pragma once

#include "app/NoteTable.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QScrollBar>
#include <QString>
#include <QWidget>
#include <array>
#include <map>
#include <vector>

struct AppState;
class Keyboard;

// One Note On as it went out: the channel (0..15), the note sent (transposed) and its velocity.
struct NoteTarget {
    int channel = 0;
    int note = 0;
    int velocity = 0;
    bool operator==(const NoteTarget&) const = default;
};

// What differs between the windows that host a keyboard: a part window (one part, one channel,
// transposition, settings in PartParams) and the master keyboard (any set of channels, no part).
class KeyboardPolicy {
  public:
    virtual ~KeyboardPolicy() = default;

    // The latched-note table: AppState::HeldNotes for part windows, MasterHeldNotes for the
    // master keyboard.
    virtual NoteTable& latchedNotes() = 0;
    // Part window: CurrentPart := its part. Master keyboard: nothing.
    virtual void makeCurrent() = 0;
    // Where a Note On for the untransposed `note` goes, read now: channel 0..15, the note to send
    // (part: note + transposition) and the note-on velocity.
    virtual std::vector<NoteTarget> noteOnTargets(int note) = 0;
    // Note Off velocity for a note that sounds on `channel` (part: its row 4; master: row 4 of
    // the part numbered channel + 1).
    virtual int noteOffVelocity(int channel) = 0;
    // Note Off velocity of the hover release through a key's lowest strip (part: row 4; master:
    // its own "Vel Off" slider, MasterKbSettings element 20).
    virtual int stripReleaseVelocity(int channel) = 0;
    // Channels of the All Notes Off action (part: its own channel; master: 0..15).
    virtual std::vector<int> allNotesOffChannels() = 0;
    // A mode change: the new states of the two boxes (0/1). Part: rows 14 and 15.
    virtual void storeModes(int clickKey, int holdNote) = 0;
    // A key shift 0..3 (part: row 16). The keyboard makes the part current itself beforehand.
    virtual void storeKeyShift(int value) = 0;
};

// One key: a rectangle in its plain colour, with an optional mark (a filled disc).
class KeyWidget : public QWidget {
    Q_OBJECT
  public:
    KeyWidget(Keyboard& keyboard, int index, QWidget* parent);

    int index() const { return index_; }
    bool isBlack() const { return black_; }
    bool isMarked() const { return marked_; }
    void mark();     // draws the disc
    void setPlain(); // gives the key its plain colour again, which erases the disc

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    Keyboard& keyboard_;
    int index_;
    bool black_;
    bool marked_ = false;
};

// The container of the keys, the octave labels and the key-shift bar. A pointer move over it
// (not over a key) counts as a move over the window.
class KeyboardFrame : public QFrame {
    Q_OBJECT
  public:
    KeyboardFrame(Keyboard& keyboard, QWidget* parent);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    // The pointer has left the keys and the frame, possibly straight out of the window, where no
    // move event follows: in hover mode the sounding note stops as when it moves over the window.
    void leaveEvent(QEvent* event) override;

  private:
    Keyboard& keyboard_;
};

// The 61-key on-screen keyboard with its play controls, built into a host window's client area.
//
// Hosting: construct it with the window's client widget; it creates every control as a child of
// that widget at its twips geometry (Frame1 at Left 70, Top 2650; move Frame1 if needed). The
// keyboard turns on mouse tracking on the client widget and watches its pointer moves itself (an
// event filter), so hover playing releases the note when the pointer leaves the keys; a host with
// other surfaces may call Form_MouseMove() from them. Call SetUp() during the window's load, and
// AllNotesOff() when the window closes.
//
// Ownership: the controls are children of the client widget; the Keyboard object itself has no
// parent and belongs to the host (a std::unique_ptr member, say). Either may go first when the
// window is destroyed, as long as no event reaches the keys after the keyboard is gone.
class Keyboard : public QObject {
    Q_OBJECT
  public:
    static constexpr int KeyCount = 61;
    static constexpr int NoNote = 200;

    Keyboard(AppState& state, KeyboardPolicy& policy, QWidget* client);

    // The controls, named as the window designs name them.
    KeyboardFrame* Frame1 = nullptr;
    std::array<KeyWidget*, KeyCount> Key{};
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

    // Event handlers.
    void Key_MouseDown(int k);
    void Key_MouseUp(int k);
    void Key_MouseMove(int k, int yTwips);
    void Form_MouseMove();
    void HScroll1_Change();
    void CheckClickKey_Click();
    void CheckHoldNote_Click();
    void CommHoldChord_Click();
    void CommAllNoteOff_Click();

    // The All Notes Off action (the button, the mode changes, the window's closing).
    void AllNotesOff();

    void PlayNote(int note);
    void ReleaseNote(int note);

    void ClearHeldNotes();
    void ResetKeyboard();
    void RecolourKeys();
    void RedrawMarks();
    int AnyNoteHeld();
    void PlaceOctaveLabels();
    void ClearChord();

    int KeyBase() const { return keyBase_; }
    int SoundingNote() const { return soundingNote_; }
    int ChordActive() const { return chordActive_; }
    const NoteTable& ChordNotes() const { return chordNotes_; }
    int clickKey() const; // CheckClickKey state 0/1
    int holdNote() const; // CheckHoldNote state 0/1
    bool isMarked(int k) const { return Key.at(k)->isMarked(); }
    // What the keyboard remembers as sent for a sounding note (empty when it is not sounding).
    std::vector<NoteTarget> soundingTargets(int note) const;

    // "C/Do (60)": the name of the note's pitch class, then its number in brackets.
    static QString NoteText(int note);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void layoutKeys();
    void ReplayChord(int k);
    void markNote(int note);
    void unmarkNote(int note);
    void forgetChannel(int channel);
    // Sends the Note Offs of a sounding note where its Note Ons went, with the release velocity
    // read now (the hover strip's own velocity when `fromStrip`), and forgets the note.
    void sendRememberedNoteOffs(int note, bool fromStrip);
    // All Notes Off on the window's channels; nothing is remembered as sounding on them after.
    void sendAllNotesOff();
    void updateHoldChordEnable();

    AppState& state_;
    KeyboardPolicy& policy_;
    QWidget* client_;
    int keyBase_ = 12;
    int soundingNote_ = NoNote;
    int chordActive_ = 0;
    NoteTable chordNotes_;
    // Untransposed note -> the Note Ons that went out for it and are not yet released.
    std::map<int, std::vector<NoteTarget>> sounding_;
};
