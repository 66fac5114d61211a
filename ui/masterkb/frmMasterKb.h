#pragma once

#include "app/Zones.h"
#include "ui/child/ChildWindow.h"
#include "ui/part/SliderSet.h"

#include <QString>
#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class Keyboard;
class LevelScrollBar;
class ZonesDialog;

// The master keyboard (window kind 17): the part windows' keyboard and eleven sliders, playing
// and sending on every channel switched on with its sixteen channel boxes, in channel order. Its
// settings live in MasterKbSettings: the channel boxes and the sliders are written at every
// change, the three keyboard settings when the window closes.
class frmMasterKb : public ChildWindow {
    Q_OBJECT
  public:
    static constexpr int SliderCount = SliderSet::Count;
    static constexpr int ChannelCount = 16;

    explicit frmMasterKb(AppState& state, QWidget* parent = nullptr);
    ~frmMasterKb() override;

    const QString Tag; // the character whose code is the window kind, 17

    // Event handlers.
    void Check1_Click(int n);
    void VScroll_Change(int k);
    void CommChiudi_Click();
    // "Zones…": the zones window, made at the first click, shown and raised.
    void CommZone_Click();

    Keyboard& keyboard() { return *keyboard_; }
    // The zone of channel 1..16, read from the preferences at each load; a new one is kept there
    // at once and plays from the next Note On (a note held keeps its targets). An invalid zone is
    // refused.
    const Zone& zone(int channel) const { return zones_.at(channel - 1); }
    void setZone(int channel, Zone zone);

  protected:
    void Form_Load() override;
    // The keyboard's notes stop as with the All Notes Off button; the key shift and the two mode
    // boxes are stored.
    bool Form_QueryUnload() override;

  private:
    class Policy;

    // Controls, named as the window's design names them (and by these object names).
    QWidget* Client = nullptr;
    std::array<LevelScrollBar*, SliderCount> VScroll{}; // VScroll0..10
    std::array<QLabel*, SliderCount> Label3{};          // value labels Label3_0..10
    std::array<QLabel*, 14> Label2{};                   // 0..10 captions; 11 "R", 12 "L", 13 "C"
    std::array<QLabel*, SliderCount> Label4{};          // upper end labels
    std::array<QLabel*, 13> Label5{}; // 0..10 lower end labels; 11 bend, 12 pan "0"
    QGroupBox* Frame2 = nullptr;      // "MIDI Channels"
    std::array<QCheckBox*, ChannelCount + 1> Check1{}; // Check1_1..16
    std::array<QLabel*, ChannelCount + 1> Label6{};    // 1..16, the channel numbers
    QPushButton* CommChiudi = nullptr;
    QPushButton* CommZone = nullptr;
    ZonesDialog* zonesDialog_ = nullptr; // a child of the window

    void buildControls();
    void layoutControls();
    int& element(int i) { return state_.MasterKbSettings.at(i); }

    Zones zones_;
    std::unique_ptr<SliderSet> sliders_;
    std::unique_ptr<Policy> policy_;
    std::unique_ptr<Keyboard> keyboard_; // its controls belong to Client
};
