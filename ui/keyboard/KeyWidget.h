#pragma once

#include <QFrame>
#include <QWidget>

// The keyboard's pointer surfaces: the keys and the frame around them. They know nothing of the
// keyboard that hosts them: they signal what the pointer did, and the keyboard connects them.

// One key: a rectangle in its plain colour, with an optional mark (a filled disc). A second button
// pressed while one is down, and a release while another button is still down, belong to the
// first press and are not signalled.
class KeyWidget : public QWidget {
    Q_OBJECT
  public:
    KeyWidget(int index, QWidget* parent);

    int index() const { return index_; }
    bool isBlack() const { return black_; }
    bool isMarked() const { return marked_; }
    void mark();     // draws the disc
    void setPlain(); // gives the key its plain colour again, which erases the disc

  signals:
    // The first button went down on key `index`, `depth` down it (0 at its top edge, 1 at its
    // bottom edge; negative when the press has no place on the key).
    void pressed(int index, double depth = -1);
    // The last button went up.
    void released(int index);
    // The pointer moved over the key, `yTwips` below its top edge.
    void moved(int index, int yTwips);
    // The mark came or went (what a screen reader is told).
    void markChanged(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    int index_;
    bool black_;
    bool marked_ = false;
};

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
