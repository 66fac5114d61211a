#pragma once

#include "ui/child/ChildWindow.h"

#include <QColor>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class LevelScrollBar;

// The all-parts volume window: one column per part with its select button, its program name, a
// volume slider with its value and the part's pan, reverb, chorus, transposition and channel.
// Moving a slider sets the part's volume at once; while the part's own window is open the value
// is handed to that window's volume slider instead, which sends it. The window talks to other
// windows only through its signals and receivers; the main window connects them.
class frmVolumeAll : public ChildWindow {
    Q_OBJECT
  public:
    static constexpr int Parts = 16;

    explicit frmVolumeAll(AppState& state, QWidget* parent = nullptr);

    // Receivers. A part window shows one of its values here: `row` is the PartParams row of the
    // value (volume, pan, reverb, chorus or transposition) and `value` the stored value. A volume
    // moves the part's slider, which runs its change handling as a user's move would; the other
    // values are only shown.
    void ShowPartValue(int part, int row, int value);
    // A program page shows the name of the program chosen for a part.
    void ShowProgramName(int part, const QString& name);

    // Event handlers.
    void VScroll_Change(int i);
    void PulsPart_Click(int i);
    void Text7_Click(int i);

  signals:
    // The volume of an open part window: its volume slider is to take `value`.
    void partVolumeRequested(int part, int value);

  protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Controls, indexed by part 1..16 (index 0 unused).
    std::array<QPushButton*, Parts + 1> PulsPart{};
    std::array<QLineEdit*, Parts + 1> Text7{}; // program name
    std::array<QLineEdit*, Parts + 1> Text1{}; // volume value
    std::array<LevelScrollBar*, Parts + 1> VScroll{};
    std::array<QLineEdit*, Parts + 1> Text2{}; // pan - 64
    std::array<QLineEdit*, Parts + 1> Text3{}; // reverb
    std::array<QLineEdit*, Parts + 1> Text4{}; // chorus
    std::array<QLineEdit*, Parts + 1> Text5{}; // transposition - 12
    std::array<QLineEdit*, Parts + 1> Text6{}; // channel caption "1".."16"
    QLabel* LabPan = nullptr;
    QLabel* LabReverber = nullptr;
    QLabel* LabChorus = nullptr;
    QLabel* LabKShift = nullptr;
    QLabel* LabMidiCh = nullptr;
    std::array<QFrame*, 13> Line{}; // Line1..Line12
    QWidget* Client = nullptr;

    QColor PartButtonColour;
    QColor PartButtonHighlight;

    void buildControls();
    std::uint8_t& row(int part, int r);
};
