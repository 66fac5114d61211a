#include "ui/main/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        const double key = size / 4.0; // four white keys
        p.setPen(QPen(Qt::black, size / 32.0));
        p.setBrush(Qt::white);
        for (int w = 0; w < 4; ++w)
            p.drawRect(QRectF(w * key, size * 0.1, key, size * 0.8));
        p.setBrush(Qt::black);
        for (int b : {1, 2, 3})
            p.drawRect(QRectF(b * key - key * 0.3, size * 0.1, key * 0.6, size * 0.5));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
