#pragma once

#include <QHash>
#include <QIcon>
#include <QProxyStyle>

// The application's style with the standard title-bar icons read once and the text boxes' panels
// drawn once per look. Every child window's frame asks its style for the icons of its system menu
// and buttons when it is built; the plain style reads each of them from its image files every
// time, which made up a good part of what a child window cost to open. A text box's panel (its
// background and rounded, antialiased frame) is drawn again whenever its text changes, as the
// note box's does at every key press: it comes from a picture kept per size and state, which
// costs a copy instead of the antialiased drawing. Everything else is the style's own drawing.
class CachingStyle : public QProxyStyle {
  public:
    // Wraps a new instance of the style named `key` (the one the application uses).
    explicit CachingStyle(const QString& key);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // Makes the application use this style over the one it has, once.
    static void install();

  private:
    mutable QHash<int, QIcon> icons_;
};
