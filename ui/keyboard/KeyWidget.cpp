#include "ui/keyboard/KeyWidget.h"

#include <QMouseEvent>

KeyboardFrame::KeyboardFrame(QWidget* parent) : QFrame(parent) {
    setMouseTracking(true);
}

void KeyboardFrame::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit pointerMoved();
}

void KeyboardFrame::leaveEvent(QEvent* event) {
    QFrame::leaveEvent(event);
    emit pointerMoved();
}

void KeyboardFrame::focusInEvent(QFocusEvent* event) {
    event->accept();
}

void KeyboardFrame::focusOutEvent(QFocusEvent* event) {
    event->accept();
    emit focusLost();
}
