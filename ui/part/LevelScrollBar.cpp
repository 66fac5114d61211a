#include "ui/part/LevelScrollBar.h"

#include <QMouseEvent>

LevelScrollBar::LevelScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setRange(0, 127);
    setSingleStep(1);
    setPageStep(10);
    // Maximum drawn at the top; keys and wheel then act as on a slider (Up raises the value).
    setInvertedAppearance(true);
    setInvertedControls(false);
    connect(this, &QAbstractSlider::actionTriggered, this, &LevelScrollBar::mirrorMouseStep);
}

void LevelScrollBar::mousePressEvent(QMouseEvent* event) {
    // Steps started by this press (and the auto-repeat while the button is held) come from an
    // arrow button or the track.
    mouseStepping_ = true;
    QScrollBar::mousePressEvent(event);
}

void LevelScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    mouseStepping_ = false;
    QScrollBar::mouseReleaseEvent(event);
}

void LevelScrollBar::mirrorMouseStep(int action) {
    if (!mouseStepping_)
        return;
    // The position already holds the step as the scroll bar computed it (clamped at the ends);
    // the value is still the old one. Take the step the other way from the old value.
    switch (action) {
    case SliderSingleStepAdd:
        setSliderPosition(value() - singleStep());
        break;
    case SliderSingleStepSub:
        setSliderPosition(value() + singleStep());
        break;
    case SliderPageStepAdd:
        setSliderPosition(value() - pageStep());
        break;
    case SliderPageStepSub:
        setSliderPosition(value() + pageStep());
        break;
    default:
        break;
    }
}
