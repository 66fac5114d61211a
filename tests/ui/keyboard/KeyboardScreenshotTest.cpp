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

// The colour at the centre of key k's mark, and what it should be with or without a mark:
// a black disc on a white key, a green one on a black key.
QRgb centre(const QImage& image, const KeyboardHost& h, int k) {
    const bool black = h.kb->Key[k]->isBlack();
    return at(image, h, k, black ? 60 : 100, black ? 711 : 1175);
}
QRgb expected(const KeyboardHost& h, int k, bool marked) {
    if (h.kb->Key[k]->isBlack())
        return marked ? 0x00FF00u : 0x000000u;
    return marked ? 0x000000u : 0xFFFFFFu;
}

} // namespace

TEST(KeyboardPicture, PlainKeysAndMarksHaveTheirColours) {
    KeyboardHost h;
    h.setUp(2, 1, 1);
    const QImage plain = shoot(h, "keyboard-plain.png");
    ASSERT_FALSE(plain.isNull());
    ASSERT_EQ(plain.devicePixelRatio(), 1.0);
    for (int k = 0; k < Keyboard::KeyCount; ++k)
        EXPECT_EQ(centre(plain, h, k), expected(h, k, false)) << k;

    // A latched chord: C, E, G and the black keys F# and A#; every other key stays plain.
    for (int k : {24, 28, 31, 30, 34})
        h.kb->Key_MouseDown(k);
    const QImage marked = shoot(h, "keyboard-chord.png");
    for (int k = 0; k < Keyboard::KeyCount; ++k)
        EXPECT_EQ(centre(marked, h, k), expected(h, k, h.kb->isMarked(k))) << k;
    EXPECT_EQ(h.marks(), (std::vector<int>{24, 28, 30, 31, 34}));
    // Outside the disc the key keeps its plain colour.
    EXPECT_EQ(at(marked, h, 24, 100, 300), 0xFFFFFFu);
    EXPECT_EQ(at(marked, h, 30, 60, 300), 0x000000u);

    // Unmarking repaints the plain key.
    h.kb->Key_MouseDown(28);
    h.kb->Key_MouseDown(30);
    const QImage after = shoot(h, "keyboard-unmarked.png");
    for (int k = 0; k < Keyboard::KeyCount; ++k)
        EXPECT_EQ(centre(after, h, k), expected(h, k, k == 24 || k == 31 || k == 34)) << k;
}
