#pragma once

#include <QFrame>
#include <QWidget>

class Keyboard;

// The keyboard's pointer surfaces: the keys and the frame around them.

// One key: a rectangle in its plain colour, with an optional mark (a filled disc). Its mouse
// events go to the keyboard; a second button pressed while one is down, and a release while
// another button is still down, belong to the first press and are not passed on.
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
// (not over a key) counts as a move over the window. It takes the focus on a click (on it or on
// a key) and passes the computer keys to the keyboard while it has it.
class KeyboardFrame : public QFrame {
    Q_OBJECT
  public:
    KeyboardFrame(Keyboard& keyboard, QWidget* parent);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    // The pointer has left the keys and the frame, possibly straight out of the window, where no
    // move event follows: in hover mode the sounding note stops as when it moves over the window.
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // Nothing is drawn for the focus: gaining or losing it repaints nothing.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    Keyboard& keyboard_;
};
