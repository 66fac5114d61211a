#include "ui/main/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QRectF>
#include <vector>

namespace {

struct Key {
    QRectF rect;
    bool black;
};

// Four white keys across the square and the three black keys between them, in drawing order
// (white first, so the black keys lie on top).
std::vector<Key> Keys(double size) {
    std::vector<Key> keys;
    const double key = size / 4.0;
    for (int w = 0; w < 4; ++w)
        keys.push_back({QRectF(w * key, size * 0.1, key, size * 0.8), false});
    for (int b : {1, 2, 3})
        keys.push_back({QRectF(b * key - key * 0.3, size * 0.1, key * 0.6, size * 0.5), true});
    return keys;
}

double OutlineWidth(double size) {
    return size / 32.0;
}

} // namespace

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, OutlineWidth(size)));
    for (const Key& k : Keys(size)) {
        p.setBrush(k.black ? Qt::black : Qt::white);
        p.drawRect(k.rect);
    }
    return image;
}

QByteArray ProgramIconSvg() {
    constexpr double size = 64;
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
                     "viewBox=\"0 0 64 64\">\n";
    svg += "  <g stroke=\"#000000\" stroke-width=\"" + QByteArray::number(OutlineWidth(size)) +
           "\">\n";
    for (const Key& k : Keys(size)) {
        svg += "    <rect x=\"" + QByteArray::number(k.rect.x()) + "\" y=\"" +
               QByteArray::number(k.rect.y()) + "\" width=\"" + QByteArray::number(k.rect.width()) +
               "\" height=\"" + QByteArray::number(k.rect.height()) + "\" fill=\"" +
               (k.black ? "#000000" : "#ffffff") + "\"/>\n";
    }
    svg += "  </g>\n</svg>\n";
    return svg;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}
