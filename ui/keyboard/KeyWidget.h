#pragma once

#include <QFrame>

// The keyboard's pointer surfaces: the frame around the keys (see KeyboardKeys for the keys). They
// know nothing of the keyboard that hosts them: they signal what the pointer did, and the keyboard
// connects them.

// The container of the keys, the octave labels and the key-shift bar. A pointer move over it
// (not over a key) counts as a move over the window. It takes the focus on a click (on it or on
// a key); the keyboard watches its key events while it has it.
class KeyboardFrame : public QFrame {
    Q_OBJECT
  public:
    explicit KeyboardFrame(QWidget* parent);

  signals:
    // The pointer moved over the frame, not over a key, or left the frame.
    void pointerMoved();
    // The frame lost the focus: the computer keys no longer reach it.
    void focusLost();

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    // The pointer has left the keys and the frame, possibly straight out of the window, where no
    // move event follows: in hover mode the sounding note stops as when it moves over the window.
    void leaveEvent(QEvent* event) override;
    // Nothing is drawn for the focus: gaining or losing it repaints nothing.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
