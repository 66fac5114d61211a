#include "ui/main/IconCacheStyle.h"

#include <QApplication>

IconCacheStyle::IconCacheStyle(const QString& key) : QProxyStyle(key) {}

QIcon IconCacheStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
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

void IconCacheStyle::install() {
    if (dynamic_cast<IconCacheStyle*>(QApplication::style()) != nullptr)
        return;
    QApplication::setStyle(new IconCacheStyle(QApplication::style()->name()));
}
