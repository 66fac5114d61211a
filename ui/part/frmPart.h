#pragma once

#include "ui/child/ChildWindow.h"

#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Keyboard;
class LevelScrollBar;
class SliderSet;
class PartKeyboardPolicy;

// The window of one part (1..16): the part's keyboard, its eleven controller sliders, its
// transposition and its program. The window is a view of the part's column of PartParams: it
// loads its controls from the column and writes every change back at once.
class frmPart : public ChildWindow {
    Q_OBJECT
  public:
    static constexpr int SliderCount = PartRow::SliderCount;
    // List index of Combo1 for a stored transposition row value (and back): index i means a
    // transposition of 12 - i semitones, stored as 24 - i.
    static constexpr int TranspositionItems = 25;

    frmPart(AppState& state, int part, QWidget* parent = nullptr);
    ~frmPart() override;

    // The window's identity, set at load: the character whose code is the part number, then the
    // one whose code is the part's channel 1..16 (PartParams row 0 at load time).
    QString Tag;
    int TagPart() const;
    int TagChannel() const;

    // Program display: the program pages set it when a program is chosen for this part.
    void ShowProgram(const QString& text);
    // The volume window hands this part's volume to the volume slider, which sends it.
    void SetVolume(int value);
    // Text3 as loading builds it: program code, a blank, program name (rows 17, 18, 19).
    QString ProgramDisplayText() const;

    // Event handlers.
    void VScroll_Change(int k);
    void Combo1_Click(int index);
    void Text3_Click();
    void CommChiudi_Click();

    // Controls, named as the window's design names them (and by these object names).
    std::array<LevelScrollBar*, SliderCount> VScroll{}; // VScroll0..10
    QComboBox* Combo1 = nullptr;                        // transposition
    QLineEdit* Text3 = nullptr;                         // program display

    Keyboard& keyboard() { return *keyboard_; }

  signals:
    // A value the all-parts volume window shows for this part: `row` is its PartParams row
    // (volume, pan, reverb, chorus or transposition) and `value` the stored value.
    void partValueShown(int part, int row, int value);

  protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_Activate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* Client = nullptr;                   // the client area
    std::array<QLineEdit*, SliderCount> Text2{}; // value boxes Text2_0..10
    std::array<QLabel*, 14> Label2{};            // 0..10 captions; 11 "R", 12 "L", 13 "C"
    std::array<QLabel*, SliderCount> Label4{};   // upper end labels
    std::array<QLabel*, 13> Label5{};            // 0..10 lower end labels; 11 bend, 12 pan "0"
    QLabel* Label3 = nullptr;                    // "Key Shift"
    QPushButton* CommChiudi = nullptr;

    void buildControls();
    void layoutSliders();
    std::uint8_t& row(int r);
    // Mirrors a value (its PartParams row) into the all-parts volume window while it is open.
    void mirrorIntoVolumeWindow(int row, int value);

    int part_;
    std::unique_ptr<SliderSet> sliders_;
    std::unique_ptr<PartKeyboardPolicy> policy_;
    std::unique_ptr<Keyboard> keyboard_; // its controls belong to Client
};
