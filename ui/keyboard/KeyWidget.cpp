#include "ui/keyboard/KeyWidget.h"

#include "ui/Twips.h"
#include "ui/keyboard/KeyboardGeometry.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

using namespace KeyboardGeometry;

KeyWidget::KeyWidget(int index, QWidget* parent)
    : QWidget(parent), index_(index), black_(isBlackKey(index)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Any button plays a key: a right press opens no menu of the window around it.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void KeyWidget::mark() {
    const bool changed = !marked_;
    marked_ = true;
    update();
    if (changed)
        emit markChanged(index_);
}

void KeyWidget::setPlain() {
    const bool changed = marked_;
    marked_ = false;
    update();
    if (changed)
        emit markChanged(index_);
}

void KeyWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), black_ ? BlackPlain : WhitePlain);
    // A thin border, so that abutting white keys can be told apart.
    p.setPen(KeyOutline);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (marked_) {
        const QColor c = black_ ? BlackMark : WhiteMark;
        const double cx = black_ ? BlackMarkX : WhiteMarkX;
        const double cy = black_ ? BlackMarkY : WhiteMarkY;
        const double r = black_ ? BlackMarkRadius : WhiteMarkRadius;
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(c, 1));
        p.setBrush(c);
        p.drawEllipse(QPointF(cx / twips::PerPixel, cy / twips::PerPixel), r / twips::PerPixel,
                      r / twips::PerPixel);
    }
}

void KeyWidget::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // Another button already down: this press belongs to the first one.
    if ((event->buttons() & ~event->button()) != Qt::NoButton)
        return;
    emit pressed(index_, depthAt(event->position().y(), height()));
}

void KeyWidget::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->buttons() != Qt::NoButton)
        return;
    emit released(index_);
}

void KeyWidget::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const int y = twips::fromPixels(static_cast<int>(std::floor(event->position().y())));
    emit moved(index_, y);
}

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
