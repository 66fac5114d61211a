#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

// Geometry is kept in twips (1440 per inch); the screen works in logical pixels at 96 DPI,
// so one logical pixel is 15 twips. Qt's device-pixel ratio takes care of HiDPI screens.
namespace twips {

constexpr int PerPixel = 15;

inline int toPixels(double twips) {
    return static_cast<int>(std::lround(twips / PerPixel));
}
inline int fromPixels(int pixels) {
    return pixels * PerPixel;
}

inline QRect rect(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
inline QPoint point(int left, int top) {
    return QPoint(toPixels(left), toPixels(top));
}
inline QSize size(int width, int height) {
    return QSize(toPixels(width), toPixels(height));
}

} // namespace twips
