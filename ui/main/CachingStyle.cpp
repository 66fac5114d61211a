#include "ui/main/CachingStyle.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionFrame>

CachingStyle::CachingStyle(const QString& key) : QProxyStyle(key) {}

QIcon CachingStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                 const QWidget* widget) const {
    // The title-bar icons depend on nothing but their kind; other icons can depend on the
    // option (a direction) or the widget, and are not kept.
    const bool titleBar = (icon >= SP_TitleBarMenuButton && icon <= SP_TitleBarContextHelpButton);
    if (!titleBar || option != nullptr)
        return QProxyStyle::standardIcon(icon, option, widget);
    auto it = icons_.constFind(icon);
    if (it == icons_.constEnd())
        it = icons_.insert(icon, QProxyStyle::standardIcon(icon, option, widget));
    return *it;
}

void CachingStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    // Only a text box's own panel, drawn by its paint handler with a fresh painter (the style's
    // drawing starts from that painter's pen), on a device that is not scaled or rotated.
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != PE_PanelLineEdit || frame == nullptr ||
        qobject_cast<const QLineEdit*>(widget) == nullptr || option->rect.isEmpty() ||
        painter->transform().type() > QTransform::TxTranslate) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Everything the panel's pixels depend on.
    const qreal ratio = painter->device()->devicePixelRatio();
    const QString key = QStringLiteral("quintaro-text-box-%1x%2-%3-%4-%5-%6-%7-%8-%9")
                            .arg(option->rect.width())
                            .arg(option->rect.height())
                            .arg(static_cast<int>(option->state))
                            .arg(option->palette.cacheKey())
                            .arg(frame->lineWidth)
                            .arg(frame->midLineWidth)
                            .arg(static_cast<int>(frame->features))
                            .arg(ratio)
                            .arg(static_cast<int>(option->direction));
    QPixmap panel;
    if (!QPixmapCache::find(key, &panel)) {
        panel = QPixmap((QSizeF(option->rect.size()) * ratio).toSize());
        panel.setDevicePixelRatio(ratio);
        panel.fill(Qt::transparent);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTopLeft(QPoint(0, 0));
        QPainter onPanel(&panel);
        QProxyStyle::drawPrimitive(element, &atOrigin, &onPanel, widget);
        onPanel.end();
        QPixmapCache::insert(key, panel);
    }
    painter->drawPixmap(option->rect.topLeft(), panel);
}

void CachingStyle::install() {
    if (dynamic_cast<CachingStyle*>(QApplication::style()) != nullptr)
        return;
    QApplication::setStyle(new CachingStyle(QApplication::style()->name()));
}
