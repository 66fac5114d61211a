// Renders the keyboard offscreen and checks the pixels of keys and marks. With the environment
// variable QUINTARO_SCREENSHOT_DIR set, the pictures are also saved there as PNG files:
//   QUINTARO_SCREENSHOT_DIR=/tmp/kb QT_QPA_PLATFORM=offscreen ./KeyboardScreenshotTest
#include "KeyboardHost.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

QImage shoot(KeyboardHost& h, const char* name) {
    QImage image = h.client.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QByteArray dir = qgetenv("QUINTARO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name)));
    }
    return image;
}

// The colour of the picture at a point given in twips inside key k.
QRgb at(const QImage& image, const KeyboardHost& h, int k, int xTwips, int yTwips) {
    const QPoint p =
        h.kb->Key[k]->mapTo(&h.client, QPoint(xTwips / twips::PerPixel, yTwips / twips::PerPixel));
    return image.pixel(p) & 0xFFFFFF;
}

} // namespace

TEST(KeyboardPicture, PlainKeysAndMarksHaveTheirColours) {
    KeyboardHost h;
    h.setUp(0, 1, 1);
    const QImage plain = shoot(h, "keyboard-shift0.png");
    ASSERT_FALSE(plain.isNull());
    ASSERT_EQ(plain.devicePixelRatio(), 1.0);
    for (int k = 0; k < Keyboard::KeyCount; ++k) {
        const bool black = h.kb->Key[k]->isBlack();
        EXPECT_EQ(at(plain, h, k, black ? 60 : 100, black ? 711 : 1175),
                  black ? 0x000000u : 0xFFFFFFu)
            << k;
    }

    h.kb->HScroll1->setValue(3);
    shoot(h, "keyboard-shift3.png");
    EXPECT_EQ(h.kb->Label1[5]->text(), "C8");

    // A latched chord: C, E, G and the black keys F# and A#.
    h.kb->HScroll1->setValue(2);
    for (int k : {24, 28, 31, 30, 34})
        h.kb->Key_MouseDown(k);
    const QImage marked = shoot(h, "keyboard-chord.png");
    for (int k : {24, 28, 31})
        EXPECT_EQ(at(marked, h, k, 100, 1175), 0x000000u) << k;
    for (int k : {30, 34})
        EXPECT_EQ(at(marked, h, k, 60, 711), 0x00FF00u) << k;
    // Outside the disc the key keeps its plain colour.
    EXPECT_EQ(at(marked, h, 24, 100, 300), 0xFFFFFFu);
    EXPECT_EQ(at(marked, h, 30, 60, 300), 0x000000u);
    // Neighbours stay plain.
    EXPECT_EQ(at(marked, h, 26, 100, 1175), 0xFFFFFFu);
    EXPECT_EQ(at(marked, h, 25, 60, 711), 0x000000u);

    // Unmarking repaints the plain key.
    h.kb->Key_MouseDown(28);
    h.kb->Key_MouseDown(30);
    const QImage after = shoot(h, "keyboard-unmarked.png");
    EXPECT_EQ(at(after, h, 28, 100, 1175), 0xFFFFFFu);
    EXPECT_EQ(at(after, h, 30, 60, 711), 0x000000u);
    EXPECT_EQ(at(after, h, 31, 100, 1175), 0x000000u);
}
