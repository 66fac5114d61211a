#pragma once

#include <QScrollBar>

// A vertical scroll bar for a level 0..127 with the maximum at the top: moving the thumb up, the
// arrow at the top, a click in the track above the thumb, the Up key and the wheel turned up all
// raise the value. value() is the level itself, so code sets and reads it as any scroll bar's.
//
// A plain QScrollBar with inverted appearance draws the maximum at the top but keeps its arrow
// buttons and track clicks acting by position (the lower arrow adds), so a step or page triggered
// by the mouse is mirrored here: the arrow or track side the user pressed decides the direction.
class LevelScrollBar : public QScrollBar {
    Q_OBJECT
  public:
    explicit LevelScrollBar(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void mirrorMouseStep(int action);

    bool mouseStepping_ = false;
};
