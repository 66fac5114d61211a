#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>

class Keyboard;
class NotePolicy;
class QWidget;

// A keyboard as a screen reader sees it and as the computer keyboard alone plays it. The host
// window makes one right after its keyboard; it lives as a child of Frame1.
//
// Through Qt's accessibility: Frame1 is a list named "Keyboard" whose first 61 children are the
// keys in pitch order, each a button named by its note in the running language ("C4" / "Do 4",
// octaves numbered as the octave labels number them, so following the key shift), pressed while
// it shows its mark, checkable in Hold Note mode and checked while its note is latched. Its press
// action plays the key as a mouse click on it does (the keyboard's own press and release of the
// key, so the play modes and the hold chord apply; in hover mode the pointer passes over the key
// instead), at the Vel On velocity even when the velocity comes from where a key is struck.
// Key Shift and the note box carry their captions as names.
//
// Without a mouse: Frame1 takes the focus by Tab too. Left and Right move the focused key (the
// key shift follows at either end, so it stays in view); Space plays it, down on press and up on
// release, auto-repeat ignored. A frame over the focused key shows it while the focus came from
// the keyboard. The computer keys that play notes are not these and keep their work.
//
// Announced to assistive technology: a key's mark or latch coming or going (a state change), its
// name after a key shift, the note box's new text (a value change) and the focused key.
class KeyboardAccess : public QObject {
    Q_OBJECT
  public:
    // `languageBase` is read whenever a name is asked for; it must outlive this object.
    KeyboardAccess(Keyboard& keyboard, NotePolicy& policy, const int& languageBase);
    ~KeyboardAccess() override;

    // The object serving the keyboard whose Frame1 is `frame`, or null.
    static KeyboardAccess* of(const QObject* frame);

    Keyboard* keyboard() const { return keyboard_; }
    QString keyboardName() const;
    // "C#4" in English, "Do# 4" in Italian: the note key k plays now.
    QString keyName(int k) const;
    // The zones that begin or end on key k: "zone start channel 2, zone end channel 3".
    QString zoneText(int k) const;
    bool isLatched(int k) const;
    // A click on a key latches its note (Click Key and Hold Note checked).
    bool latches() const;
    int focusedKey() const { return focusedKey_; }
    // The keyboard has the focus and came by it through the computer keyboard.
    bool showsFocus() const;

    // Key k as a screen reader sees it: an interface of its own (the keys are one widget), made
    // when first asked for and kept while this object lives.
    QAccessibleInterface* keyInterface(int k) const;

    // The press action: a click on key k, press then release.
    void click(int k);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* Frame1() const;
    void keyDown(int k);
    void keyUp(int k);
    void moveFocus(int step);
    void placeFocusMark();
    void scheduleAnnouncement();
    // Tells what changed since the last time: run once the event that changed it is over, so
    // that the latched table is read after the keyboard has written it.
    void announce();
    unsigned keyState(int k) const;

    QPointer<Keyboard> keyboard_;
    NotePolicy& policy_;
    const int& languageBase_;
    QWidget* focusMark_ = nullptr;
    int focusedKey_ = 24; // C4 at the first-run key shift
    int spaceKey_ = -1;   // the key Space holds down
    bool keyboardFocus_ = false;
    bool focusPending_ = false;
    QTimer announcement_;
    std::array<unsigned, 61> announcedStates_{};
    mutable std::array<QAccessible::Id, 61> keyIds_{};
    int announcedBase_ = 0;
};
