#pragma once

#include "app/Zones.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class NoteEngine;
class QSpinBox;

// The master keyboard's zones window ("Zones…"): a row per channel with its box as the master
// keyboard shows it, the lowest and the highest note it takes, by name, and its transposition.
// Every change takes effect at once through `apply`; the window is modeless. A row's "Learn"
// takes its lowest and highest note from the next two notes the master keyboard plays.
class ZonesDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int Channels = 16;
    // `boxes`: the master keyboard's channel boxes 1..16 (element 0 unused), clicked from here
    // and followed; `zone(n)` and `apply(n, zone)` read and set channel n's zone; `notes` is
    // the master keyboard's engine, whose notes "Learn" takes.
    ZonesDialog(const std::array<QCheckBox*, Channels + 1>& boxes, std::function<Zone(int)> zone,
                std::function<void(int, Zone)> apply, const NoteEngine& notes, int languageBase,
                QWidget* parent);

    // "C#4" in English, "Do# 4" in Italian, octaves numbered as the keyboard's labels (C-1..G9).
    static QString NoteName(int note, bool italian);
    // Shows channel n's zone as it is now (set from here or elsewhere).
    void showZone(int n);

  private:
    struct Row {
        QCheckBox* on = nullptr;
        QComboBox* low = nullptr;
        QComboBox* high = nullptr;
        QSpinBox* transpose = nullptr;
        QPushButton* learn = nullptr;
    };
    // Channel n's row edited: the other end follows a crossed one, and the zone is applied.
    void edited(int n, bool lowMoved);
    // A note played while a row learns: its first end, then its second.
    void learnt(int note);

    std::array<Row, Channels + 1> rows_{};
    std::function<Zone(int)> zone_;
    std::function<void(int, Zone)> apply_;
    int learning_ = 0;     // the channel whose row learns, 0: none
    int firstLearnt_ = -1; // the first of its two notes, once played
};
