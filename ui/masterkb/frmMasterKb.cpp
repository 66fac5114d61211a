#include "ui/masterkb/frmMasterKb.h"

#include "app/Preferences.h"
#include "app/strings/Translation.h"
#include "ui/Twips.h"
#include "ui/child/Place.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/keyboard/KeyboardAccessibility.h"
#include "ui/masterkb/ZonesDialog.h"
#include "ui/part/LevelScrollBar.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

namespace {

// The channel boxes' frame below the keyboard, and the boxes inside it.
constexpr int Frame2Left = 70;
constexpr int Frame2Top = 4580;
constexpr int Frame2Width = 4980;
constexpr int Frame2Height = 640;
constexpr int BoxTop = 350;
constexpr int BoxLeft = 70;
constexpr int BoxPitch = 300;
constexpr int BoxSize = 210;

} // namespace

// The keyboard's view of the master keyboard: every channel switched on now whose zone takes the
// note, transposed by its zone, each with the velocities of the part of the same number; no part,
// nothing stored while playing.
class frmMasterKb::Policy : public NotePolicy {
  public:
    Policy(AppState& state, const Zones& zones) : s_(state), zones_(zones) {}

    NoteTable& latchedNotes() override { return s_.MasterHeldNotes; }
    void makeCurrent() override {}
    std::vector<NoteTarget> noteOnTargets(int note) override {
        std::vector<NoteTarget> targets;
        for (int ch = 1; ch <= ChannelCount; ++ch) {
            const std::optional<int> sent = zones_[ch - 1].sent(note);
            if (channelOn(ch) && sent)
                targets.push_back({ch - 1, *sent, s_.PartParams.at(ch).at(PartRow::VelocityOn)});
        }
        return targets;
    }
    std::vector<ZoneEdge> zoneEdges() override {
        std::vector<ZoneEdge> edges;
        for (int ch = 1; ch <= ChannelCount; ++ch) {
            const Zone& zone = zones_[ch - 1];
            if (channelOn(ch) && zone.low > 0)
                edges.push_back({zone.low, ch - 1, true});
            if (channelOn(ch) && zone.high < 127)
                edges.push_back({zone.high, ch - 1, false});
        }
        return edges;
    }
    // The pedal and the bend from outside go to every channel on, whatever its zone.
    std::vector<int> controllerChannels() override {
        std::vector<int> channels;
        for (int ch = 1; ch <= ChannelCount; ++ch)
            if (channelOn(ch))
                channels.push_back(ch - 1);
        return channels;
    }
    int noteOffVelocity(int channel) override {
        return s_.PartParams.at(channel + 1).at(PartRow::VelocityOff);
    }
    int stripReleaseVelocity(int) override {
        return s_.MasterKbSettings.at(MasterKbElement::VelocityOff);
    }
    std::vector<int> allNotesOffChannels() override {
        std::vector<int> all;
        for (int channel = 0; channel < ChannelCount; ++channel)
            all.push_back(channel);
        return all;
    }
    void storeModes(int, int) override {}
    void storeKeyShift(int) override {}
    bool velocityFromHeight() override { return s_.VelocityFromHeight; }

  private:
    bool channelOn(int ch) const {
        return s_.MasterKbSettings.at(MasterKbElement::FirstChannel + ch - 1) == 1;
    }
    AppState& s_;
    const Zones& zones_;
};

frmMasterKb::frmMasterKb(AppState& state, QWidget* parent)
    : ChildWindow(state, WindowKind::MasterKb, parent), Tag(QChar(WindowKind::MasterKb)) {
    buildControls();
}

frmMasterKb::~frmMasterKb() {
    // The keys call into the keyboard and the keyboard into its policy: the client area and
    // every control in it go first.
    delete Client;
    Client = nullptr;
}

void frmMasterKb::buildControls() {
    Client = makeClient();

    sliders_ = std::make_unique<SliderSet>(Client, state_.LanguageBase,
                                           [this](int k) { VScroll_Change(k); });
    VScroll = sliders_->VScroll;
    Label2 = sliders_->Label2;
    Label4 = sliders_->Label4;
    Label5 = sliders_->Label5;
    for (int k = 0; k < SliderCount; ++k) {
        Label3[k] = new QLabel(QStringLiteral("0"), Client);
        Label3[k]->setObjectName(QStringLiteral("Label3_%1").arg(k));
        Label3[k]->setAlignment(Qt::AlignCenter);
    }

    Frame2 = new QGroupBox(
        Language::ofBase(state_.LanguageBase).translate("frmMasterKb", "MIDI Channels"), Client);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    QFont small = Client->font();
    small.setPointSizeF(7);
    for (int n = 1; n <= ChannelCount; ++n) {
        Check1[n] = new QCheckBox(Frame2);
        Check1[n]->setObjectName(QStringLiteral("Check1_%1").arg(n));
        connect(Check1[n], &QAbstractButton::toggled, this, [this, n] { Check1_Click(n); });
        Label6[n] = new QLabel(QString::number(n), Frame2);
        Label6[n]->setFont(small);
        Check1[n]->setAccessibleName(state_.ResString(108) + QString::number(n));
    }

    CommChiudi = new QPushButton(Client);
    CommChiudi->setObjectName(QStringLiteral("CommChiudi"));
    place(CommChiudi, 7752, 4716, 1140, 348);
    connect(CommChiudi, &QPushButton::clicked, this, &frmMasterKb::CommChiudi_Click);
    CommZone = new QPushButton(
        Language::ofBase(state_.LanguageBase).translate("frmMasterKb", "Zones…"), Client);
    CommZone->setObjectName(QStringLiteral("CommZone"));
    place(CommZone, 6480, 4716, 1140, 348);
    connect(CommZone, &QPushButton::clicked, this, &frmMasterKb::CommZone_Click);

    policy_ = std::make_unique<Policy>(state_, zones_);
    keyboard_ = std::make_unique<Keyboard>(state_.midi, *policy_, Client, state_.LanguageBase);
    new KeyboardAccess(*keyboard_, *policy_, state_.LanguageBase); // a child of Frame1
}

void frmMasterKb::Form_Load() {
    zones_ = RememberedZones();
    setWindowTitle(
        Language::ofBase(state_.LanguageBase).translate("frmMasterKb", "Master Keyboard"));
    CommChiudi->setText(state_.ResString(8));

    // Key shift, then the two mode boxes with their handlers running as a user's change would;
    // the set-up also clears the master keyboard's latched table and chord and places the keys.
    keyboard_->SetUp(element(MasterKbElement::KeyShift), element(MasterKbElement::ClickKey),
                     element(MasterKbElement::HoldNote));

    // Every slider starts at 0: each stored value that is not 0 runs the change handling and so
    // goes to every channel switched on, slider by slider.
    for (int k = 0; k < SliderCount; ++k) {
        const int v = element(Sliders[k].masterKbElement);
        VScroll[k]->setValue(v);
        Label3[k]->setText(SliderSet::ValueText(k, VScroll[k]->value()));
    }

    keyboard_->Frame1->move(twips::point(70, 2650));
    layoutControls();

    // The boxes show the stored channels; WindowLoading keeps them from toggling the elements.
    for (int n = 1; n <= ChannelCount; ++n)
        Check1[n]->setChecked(element(MasterKbElement::FirstChannel + n - 1) == 1);
    keyboard_->ShowZones();
}

void frmMasterKb::layoutControls() {
    for (int k = 0; k < SliderCount; ++k)
        sliders_->place(k, Sliders[k].masterKbLeft, Sliders[k].masterKbTop, Label3[k]);
    sliders_->fitCaptions();
    place(Frame2, Frame2Left, Frame2Top, Frame2Width, Frame2Height);
    for (int n = 1; n <= ChannelCount; ++n) {
        const int left = BoxLeft + BoxPitch * (n - 1);
        place(Check1[n], left, BoxTop, BoxSize, BoxSize);
        place(Label6[n], left - 20, BoxTop - 160, BoxPitch, 160);
    }
}

void frmMasterKb::Check1_Click(int n) {
    if (state_.windowLoading())
        return;
    // The element flips with every click; the box's own state is not read.
    int& enabled = element(MasterKbElement::FirstChannel + n - 1);
    enabled = enabled == 1 ? 0 : 1;
    keyboard_->ShowZones();
}

void frmMasterKb::VScroll_Change(int k) {
    const int v = VScroll[k]->value();
    std::uint32_t message = 0;
    const bool send = SliderSet::Message(k, v, message);
    Label3[k]->setText(SliderSet::ValueText(k, v));
    if (send) {
        for (int n = 1; n <= ChannelCount; ++n) {
            if (element(MasterKbElement::FirstChannel + n - 1) != 1)
                continue;
            state_.midi.sendShort(message | static_cast<std::uint32_t>(n - 1));
        }
    }
    element(Sliders[k].masterKbElement) = v;
}

void frmMasterKb::setZone(int channel, Zone zone) {
    if (!zone.valid())
        return;
    zones_.at(channel - 1) = zone;
    RememberZones(zones_); // for this run only when the file cannot be written
    keyboard_->ShowZones();
    if (zonesDialog_ != nullptr)
        zonesDialog_->showZone(channel);
}

void frmMasterKb::CommZone_Click() {
    if (zonesDialog_ == nullptr)
        zonesDialog_ = new ZonesDialog(
            Check1, [this](int n) { return zone(n); }, [this](int n, Zone z) { setZone(n, z); },
            keyboard_->engine(), state_.LanguageBase, this);
    zonesDialog_->show();
    zonesDialog_->raise();
    zonesDialog_->activateWindow();
}

void frmMasterKb::CommChiudi_Click() {
    close();
}

bool frmMasterKb::Form_QueryUnload() {
    keyboard_->AllNotesOff();
    element(MasterKbElement::ClickKey) = keyboard_->clickKey();
    element(MasterKbElement::HoldNote) = keyboard_->holdNote();
    element(MasterKbElement::KeyShift) = keyboard_->HScroll1->value();
    return true;
}
