#include "ui/part/frmPart.h"

#include "app/strings/Translation.h"
#include "ui/Twips.h"
#include "ui/child/Place.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/keyboard/KeyboardAccessibility.h"
#include "ui/part/LevelScrollBar.h"
#include "ui/part/PartKeyboardPolicy.h"
#include "ui/part/SliderSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

namespace {} // namespace

frmPart::frmPart(AppState& state, int part, QWidget* parent)
    : ChildWindow(state, part, parent), part_(part) {
    buildControls();
}

frmPart::~frmPart() {
    // The keys call into the keyboard and the keyboard into its policy: the client area and
    // every control in it go first, then the keyboard, then the policy.
    delete Client;
    Client = nullptr;
}

int frmPart::TagPart() const {
    return Tag.size() > 0 ? Tag.at(0).unicode() : part_;
}
int frmPart::TagChannel() const {
    return Tag.size() > 1 ? Tag.at(1).unicode() : 0;
}

std::uint8_t& frmPart::row(int r) {
    return state_.partRow(TagPart(), r);
}

void frmPart::buildControls() {
    Client = makeClient();
    // Hover playing releases the sounding note when the pointer moves over the window itself.
    Client->setMouseTracking(true);

    sliders_ = std::make_unique<SliderSet>(Client, state_.LanguageBase,
                                           [this](int k) { VScroll_Change(k); });
    VScroll = sliders_->VScroll;
    Label2 = sliders_->Label2;
    Label4 = sliders_->Label4;
    Label5 = sliders_->Label5;
    for (int k = 0; k < SliderCount; ++k) {
        auto* box = new QLineEdit(QStringLiteral("0"), Client);
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignCenter);
        box->setFocusPolicy(Qt::NoFocus);
        box->setObjectName(QStringLiteral("Text2_%1").arg(k));
        Text2[k] = box;
    }

    Label3 =
        new QLabel(Language::ofBase(state_.LanguageBase).translate("frmPart", "Key Shift"), Client);
    Label3->setObjectName(QStringLiteral("Label3"));
    place(Label3, 3480, 4800, 696, 204);

    Combo1 = new QComboBox(Client);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    {
        // The list is fixed; no position is chosen until the load sets it, so that setting it
        // always counts as a choice.
        const QSignalBlocker block(Combo1);
        for (int i = 0; i < TranspositionItems; ++i) {
            const int semitones = 12 - i;
            Combo1->addItem(semitones > 0    ? QStringLiteral("+%1").arg(semitones)
                            : semitones == 0 ? QStringLiteral(" 0")
                                             : QString::number(semitones));
        }
        Combo1->setCurrentIndex(-1);
    }
    place(Combo1, 5100, 4740, 900, 300);
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            Combo1_Click(i);
    });

    Text3 = new QLineEdit(Client);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setReadOnly(true);
    Text3->setFocusPolicy(Qt::NoFocus);
    Text3->setCursor(Qt::PointingHandCursor);
    Text3->installEventFilter(this);
    place(Text3, 70, 4740, 3240, 300);

    CommChiudi = new QPushButton(Client);
    CommChiudi->setObjectName(QStringLiteral("CommChiudi"));
    place(CommChiudi, 7752, 4716, 1140, 348);
    connect(CommChiudi, &QPushButton::clicked, this, &frmPart::CommChiudi_Click);

    policy_ = std::make_unique<PartKeyboardPolicy>(state_, part_);
    keyboard_ = std::make_unique<Keyboard>(state_.midi, *policy_, Client, state_.LanguageBase);
    new KeyboardAccess(*keyboard_, *policy_, state_.LanguageBase); // a child of Frame1
    // On Linux Qt names a list box by its text; the caption goes to its description as well.
    Combo1->setAccessibleName(state_.ResString(106));
    Combo1->setAccessibleDescription(Combo1->accessibleName());
    Text3->setAccessibleName(state_.ResString(107));
}

void frmPart::Form_Load() {
    const int n = part_;
    Tag = QString(QChar(n)) + QChar(state_.partRow(n, PartRow::Channel));

    // "Part " ends in a blank and the number carries one more in front of it: "Part  3".
    setWindowTitle(state_.ResString(17) + QLatin1Char(' ') + QString::number(n));
    CommChiudi->setText(state_.ResString(8));

    // Key shift, then the two mode boxes, with their handlers running as a user's change would;
    // the set-up also clears the latched table and the chord, sets nothing sounding, places the
    // octave labels, the key-shift bar and the keys, empties Text1 and brings the mode boxes in
    // line. None of those later steps sends anything, so doing them here keeps the order of
    // everything that goes out.
    keyboard_->SetUp(row(PartRow::KeyShift), row(PartRow::ClickKey), row(PartRow::HoldNote));

    // Every slider starts at 0: each stored value that is not 0 runs the change handling and so
    // sends the part's controller, in slider order.
    for (int k = 0; k < SliderCount; ++k)
        VScroll[k]->setValue(row(Sliders[k].partRow));

    keyboard_->Frame1->move(twips::point(70, 2650));
    layoutSliders();

    Combo1->setCurrentIndex(24 - row(PartRow::Transposition));

    Text3->setText(ProgramDisplayText());
}

void frmPart::layoutSliders() {
    for (int k = 0; k < SliderCount; ++k)
        sliders_->place(k, Sliders[k].partLeft, Sliders[k].partTop, Text2[k]);
    sliders_->fitCaptions();
}

QString frmPart::ProgramDisplayText() const {
    const auto& column = state_.PartParams.at(part_);
    QString text = GMProgramCode(state_.GMProgramNames, column[PartRow::ProgramFlag],
                                 column[PartRow::ProgramNumber], column[PartRow::ProgramThird]);
    return text + QLatin1Char(' ') +
           GMProgramName(state_.GMProgramNames, column[PartRow::ProgramFlag],
                         column[PartRow::ProgramNumber], column[PartRow::ProgramThird]);
}

void frmPart::ShowProgram(const QString& text) {
    Text3->setText(text);
}

void frmPart::VScroll_Change(int k) {
    const int v = VScroll[k]->value();
    state_.makeCurrent(TagPart());
    Text2[k]->setText(SliderSet::ValueText(k, v));

    // The velocity sliders send nothing: the keyboard reads them when it plays.
    std::uint32_t message = 0;
    const bool send = SliderSet::Message(k, v, message);
    message |= static_cast<std::uint32_t>(partChannel(TagChannel()));

    row(Sliders[k].partRow) = static_cast<std::uint8_t>(v);
    mirrorIntoVolumeWindow(Sliders[k].partRow, v);

    if (send) {
        state_.midi.sendShort(message);
    }
}

void frmPart::Combo1_Click(int index) {
    // The part comes from the tag; CurrentPart stays as it is. Nothing is sent: the new
    // transposition applies to the notes played from now on.
    row(PartRow::Transposition) = static_cast<std::uint8_t>(24 - index);
    mirrorIntoVolumeWindow(PartRow::Transposition, 24 - index);
}

void frmPart::mirrorIntoVolumeWindow(int r, int value) {
    // The all-parts volume window shows this part's volume (its slider for the part), pan,
    // reverb, chorus and transposition while it is open. The slider values are not mirrored
    // while the main window reopens windows at start; the transposition is mirrored whenever
    // the window is open.
    if (!state_.IsWindowOpen(WindowKind::VolumeAll))
        return;
    if (r != PartRow::Transposition && state_.restoringWindows())
        return;
    if (r == PartRow::Volume || r == PartRow::Pan || r == PartRow::Reverb || r == PartRow::Chorus ||
        r == PartRow::Transposition)
        emit partValueShown(TagPart(), r, value);
}

void frmPart::SetVolume(int value) {
    VScroll[0]->setValue(value);
}

void frmPart::Text3_Click() {
    // Brings the page to the front, loading it first if it is not open.
    emit openWindowRequested(state_.selectProgramPageFor(TagPart()));
}

void frmPart::CommChiudi_Click() {
    close();
}

bool frmPart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text3 && event->type() == QEvent::MouseButtonPress) {
        Text3_Click();
        return true;
    }
    return ChildWindow::eventFilter(watched, event);
}

void frmPart::Form_Activate() {
    if (!Tag.isEmpty())
        state_.makeCurrent(TagPart());
}

void frmPart::Form_Unload() {
    // The part's notes stop as with the All Notes Off button.
    keyboard_->AllNotesOff();
    state_.makeCurrent(TagPart());
}
