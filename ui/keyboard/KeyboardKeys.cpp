#include "ui/keyboard/KeyboardKeys.h"

#include "ui/Twips.h"
#include "ui/keyboard/KeyboardGeometry.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

using namespace KeyboardGeometry;

namespace {

// The zone bars: green where a zone begins, orange where one ends.
const QColor ZoneStartColour(0, 150, 60);
const QColor ZoneEndColour(220, 110, 0);

// A twips rectangle in pixels, converting the edges so that abutting keys abut on screen too.
QRect edgeRect(int left, int top, int width, int height) {
    const int x0 = twips::toPixels(left);
    const int y0 = twips::toPixels(top);
    return QRect(x0, y0, twips::toPixels(left + width) - x0, twips::toPixels(top + height) - y0);
}

} // namespace

KeyboardKeys::KeyboardKeys(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Any button plays a key: a right press opens no menu of the window around it.
    setContextMenuPolicy(Qt::PreventContextMenu);
    int left = 0;
    int whiteLeft = 0; // Left of the white key just below in pitch
    for (int k = 0; k < Count; ++k) {
        if (isBlackKey(k)) {
            rects_.at(k) = edgeRect(whiteLeft + blackOffset(k), 0, BlackKeyWidth, BlackKeyHeight);
        } else {
            rects_.at(k) = edgeRect(left, 0, WhiteKeyWidth, WhiteKeyHeight);
            whiteLeft = left;
            left += WhiteKeyWidth;
        }
    }
    setGeometry(edgeRect(0, 0, left, WhiteKeyHeight));
}

bool KeyboardKeys::isBlack(int k) {
    return isBlackKey(k);
}

void KeyboardKeys::mark(int k) {
    setMarked(k, true);
}

void KeyboardKeys::setPlain(int k) {
    setMarked(k, false);
}

void KeyboardKeys::setMarked(int k, bool marked) {
    if (isMarked(k) == marked)
        return;
    marked_.set(static_cast<std::size_t>(k), marked);
    update(keyRect(k));
    emit markChanged(k);
}

int KeyboardKeys::keyAt(QPointF p) const {
    const QPoint at(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
    // The black keys lie over the white ones: they are looked at first.
    for (const bool black : {true, false})
        for (int k = 0; k < Count; ++k)
            if (isBlackKey(k) == black && rects_.at(k).contains(at))
                return k;
    return -1;
}

void KeyboardKeys::setZoneEdges(const std::array<std::uint8_t, Count>& edges) {
    if (std::exchange(zoneEdges_, edges) != edges)
        update();
}

void KeyboardKeys::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect dirty = event->rect();
    // White keys first, then black keys over them; a thin border, so that abutting white keys can
    // be told apart.
    p.setBrush(Qt::NoBrush);
    for (const bool black : {false, true})
        for (int k = 0; k < Count; ++k) {
            const QRect& r = rects_.at(k);
            if (isBlackKey(k) != black || !r.intersects(dirty))
                continue;
            p.fillRect(r, black ? BlackPlain : WhitePlain);
            p.setPen(KeyOutline);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    // The zone bars along the bottom of the keys, the black keys' over the white keys'.
    for (const bool black : {false, true})
        for (int k = 0; k < Count; ++k) {
            const QRect& r = rects_.at(k);
            if (isBlackKey(k) != black || zoneEdges(k) == 0 || !r.intersects(dirty))
                continue;
            const int h = std::max(4, r.height() / 16), w = r.width() / 2;
            if (zoneEdges(k) & ZoneStart)
                p.fillRect(QRect(r.left(), r.bottom() - h + 1, w, h), ZoneStartColour);
            if (zoneEdges(k) & ZoneEnd)
                p.fillRect(QRect(r.right() - w + 1, r.bottom() - h + 1, w, h), ZoneEndColour);
        }
    // Each mark is drawn within its key (a black key's disc reaches its edge), a white key's below
    // the black keys.
    p.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < Count; ++k) {
        const QRect& r = rects_.at(k);
        if (!isMarked(k) || !r.intersects(dirty))
            continue;
        const bool black = isBlackKey(k);
        const QColor c = black ? BlackMark : WhiteMark;
        const double cx = black ? BlackMarkX : WhiteMarkX;
        const double cy = black ? BlackMarkY : WhiteMarkY;
        const double radius = (black ? BlackMarkRadius : WhiteMarkRadius) / double(twips::PerPixel);
        p.setClipRect(r.intersected(dirty));
        p.setPen(QPen(c, 1));
        p.setBrush(c);
        p.drawEllipse(QPointF(r.left() + cx / twips::PerPixel, r.top() + cy / twips::PerPixel),
                      radius, radius);
    }
}

void KeyboardKeys::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // Another button already down: this press belongs to the first one.
    if ((event->buttons() & ~event->button()) != Qt::NoButton)
        return;
    grabbed_ = keyAt(event->position());
    if (grabbed_ < 0)
        return;
    const QRect r = keyRect(grabbed_);
    emit pressed(grabbed_, depthAt(event->position().y() - r.top(), r.height()));
}

void KeyboardKeys::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->buttons() != Qt::NoButton)
        return;
    const int k = grabbed_ >= 0 ? std::exchange(grabbed_, -1) : keyAt(event->position());
    if (k >= 0)
        emit released(k);
}

void KeyboardKeys::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const bool held = event->buttons() != Qt::NoButton && grabbed_ >= 0;
    const int k = held ? grabbed_ : keyAt(event->position());
    if (k < 0)
        return;
    const double y = event->position().y() - keyRect(k).top();
    emit moved(k, twips::fromPixels(static_cast<int>(std::floor(y))));
}
