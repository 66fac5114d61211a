#pragma once

#include <QColor>
#include <algorithm>
#include <cmath>

// The keyboard's layout in twips (inside Frame1 unless stated) and its colours.
namespace KeyboardGeometry {

constexpr int KeyCount = 61;

constexpr int WhiteKeyWidth = 252;
constexpr int WhiteKeyHeight = 1404;
constexpr int BlackKeyWidth = 156;
constexpr int BlackKeyHeight = 972;
constexpr int BlackStripTop = 936;  // lowest strip of a black key
constexpr int WhiteStripTop = 1368; // lowest strip of a white key

constexpr int LabelTop = 1450;
constexpr int LabelLeft = 40;
constexpr int LabelStep = 1760;
constexpr int LabelWidth = 276;
constexpr int LabelHeight = 252;
constexpr int ScrollTop = LabelTop + 230;
constexpr int ScrollWidth = 9036;
constexpr int ScrollHeight = 228;

// Frame1 in the window's client area.
constexpr int FrameLeft = 70;
constexpr int FrameTop = 2650;
constexpr int FrameWidth = 9080;
constexpr int FrameHeight = 1920;

// The companion controls in the window's right-hand column: left, top, width, height.
struct Place {
    int left, top, width, height;
};
constexpr Place ClickKeyPlace{7752, 96, 1068, 324};
constexpr Place HoldNotePlace{7752, 480, 1245, 300};
constexpr Place HoldChordPlace{7752, 888, 1140, 348};
constexpr Place AllNotesOffPlace{7752, 1320, 1140, 348};
constexpr Place NoteCaptionPlace{7755, 1770, 1305, 210};
constexpr Place NoteTextPlace{7752, 2016, 1140, 300};

// Marks: disc centre and radius inside the key.
constexpr int WhiteMarkX = 100, WhiteMarkY = 1175, WhiteMarkRadius = 66;
constexpr int BlackMarkX = 60, BlackMarkY = 711, BlackMarkRadius = 62;

inline const QColor WhitePlain{0xFF, 0xFF, 0xFF};
inline const QColor BlackPlain{0x00, 0x00, 0x00};
inline const QColor WhiteMark{0x00, 0x00, 0x00};
inline const QColor BlackMark{0x00, 0xFF, 0x00};
inline const QColor KeyOutline{0x40, 0x40, 0x40};

// C#, D#, F#, G# and A# keys are black.
constexpr bool isBlackKey(int k) {
    const int pc = k % 12;
    return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

// Offset of a black key from the white key just below it in pitch.
constexpr int blackOffset(int k) {
    switch (k % 12) {
    case 1:
        return 160;
    case 3:
        return 190;
    case 6:
        return 160;
    case 8:
        return 177;
    default: // 10
        return 190;
    }
}

// How far down a key of `height` pixels the point `y` pixels below its top edge lies: 0 at the top
// edge, 1 at the bottom edge (its last row of pixels).
constexpr double depthAt(double y, int height) {
    return height > 1 ? std::clamp(y / (height - 1), 0.0, 1.0) : 0.0;
}

// The Note On velocity of a key struck at `amount` (a depth down the key, or a finger's pressure):
// 1 at 0, rising linearly to 127 at 1.
inline int strikeVelocity(double amount) {
    return 1 + static_cast<int>(std::lround(126 * std::clamp(amount, 0.0, 1.0)));
}

} // namespace KeyboardGeometry
