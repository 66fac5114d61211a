#pragma once

#include <QRect>
#include <QWidget>
#include <array>
#include <bitset>
#include <cstdint>

// The 61 keys, drawn and hit-tested by one widget: a rectangle each in its plain colour, with an
// optional mark (a filled disc), the black keys lying over the white ones. It knows nothing of
// the keyboard that hosts it: it signals what the pointer did on which key, and the keyboard
// connects it. The keys tile the widget, which the host places at the top left of its frame.
//
// A press belongs to the key under the pointer; a second button pressed while one is down, and a
// release while another button is still down, belong to the first press and are not signalled.
// While a button is down the moves and the release go to the key it went down on (as a grab).
class KeyboardKeys : public QWidget {
    Q_OBJECT
  public:
    static constexpr int Count = 61;

    explicit KeyboardKeys(QWidget* parent);

    static bool isBlack(int k);
    bool isMarked(int k) const { return marked_.test(static_cast<std::size_t>(k)); }
    void mark(int k);     // draws the disc
    void setPlain(int k); // gives the key its plain colour again, which erases the disc
    // The zone marks under the keys: a bar on the left of the key's lowest strip where a zone
    // begins, on its right where one ends.
    enum ZoneEdges : std::uint8_t { ZoneStart = 1, ZoneEnd = 2 };
    void setZoneEdges(const std::array<std::uint8_t, Count>& edges);
    std::uint8_t zoneEdges(int k) const { return zoneEdges_.at(static_cast<std::size_t>(k)); }
    // Key k's rectangle in this widget.
    QRect keyRect(int k) const { return rects_.at(static_cast<std::size_t>(k)); }
    // The key under `p` (in this widget), a black key before the white key beneath it; -1 off
    // the keys.
    int keyAt(QPointF p) const;

  signals:
    // The first button went down on key `k`, `depth` down it (0 at its top edge, 1 at its bottom
    // edge; negative when the press has no place on the key).
    void pressed(int k, double depth = -1);
    // The last button went up.
    void released(int k);
    // The pointer moved over key `k`, `yTwips` below its top edge.
    void moved(int k, int yTwips);
    // The mark came or went (what a screen reader is told).
    void markChanged(int k);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void setMarked(int k, bool marked);

    std::array<QRect, Count> rects_;
    std::bitset<Count> marked_;
    std::array<std::uint8_t, Count> zoneEdges_{};
    int grabbed_ = -1; // the key the buttons now down went down on
};
