#pragma once

#include "app/SliderTable.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QLabel;
class QWidget;
class LevelScrollBar;

// The eleven controller sliders of a part window and of the master keyboard: the level bars with
// their captions, their end labels and the pan scale letters, and what each slider sends. The
// window supplies the control that shows a slider's value (a box or a label) and decides where
// the slider stands; the labels around it follow.
class SliderSet {
  public:
    static constexpr int Count = SliderCount;
    static constexpr int Pan = 1;
    static constexpr int Bend = 6;

    // Creates the bars and their labels as children of `client`, the captions in the language of
    // `languageBase`. `changed(k)` runs on every value bar k passes, from the user or from code,
    // so a drag sends one message per value and restoring a stored value sends it.
    SliderSet(QWidget* client, int languageBase, std::function<void(int k)> changed);

    std::array<LevelScrollBar*, Count> VScroll{}; // 0..10
    std::array<QLabel*, 14> Label2{};             // 0..10 captions; 11 "R", 12 "L", 13 "C"
    std::array<QLabel*, Count> Label4{};          // upper end labels
    std::array<QLabel*, 13> Label5{};             // 0..10 lower end labels; 11 bend, 12 pan "0"

    // Places slider k at (left, top) twips; its value control 250 above and centred, its caption
    // 440 above and 253 to the left, its end labels 250 to the right. The pan slider's letters
    // and the centre labels of pan and bend go with their sliders.
    void place(int k, int left, int top, QWidget* value);
    // Once every slider is placed: each caption's text is drawn no wider than the room between
    // its slider and the nearest other one, in a smaller font where the window's font does not
    // fit and cut short with "…" where even that does not; the label's accessible name and its
    // tooltip keep the whole caption.
    void fitCaptions();

    // The message slider k sends for value v, on channel nibble 0: a control change, or for the
    // bend slider a pitch bend with 0x7F as its low seven bits. False for the two velocity
    // sliders, which send nothing.
    static bool Message(int k, int v, std::uint32_t& message);
    // The value as its control shows it: v - 64 for pan and bend, else v.
    static QString ValueText(int k, int v);

  private:
    std::array<QString, Count> captions_;
};
