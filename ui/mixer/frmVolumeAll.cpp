#include "ui/mixer/frmVolumeAll.h"

#include "app/strings/Translation.h"
#include "ui/Twips.h"
#include "ui/child/Place.h"
#include "ui/part/LevelScrollBar.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

namespace {

// Columns of the parts, in twips: part 1 at ColumnLeft, one column every ColumnPitch.
constexpr int ColumnLeft = 252;
constexpr int ColumnPitch = 564;
constexpr int ClientWidth = 9300;

constexpr int ButtonTop = 36;
constexpr int UpperNameTop = 324;
constexpr int VolumeBoxTop = 648;
constexpr int SliderTop = 936;
constexpr int SliderWidth = 240;
constexpr int SliderHeight = 1704;
constexpr int LowerNameTop = 2688;
constexpr int PanTop = 3168;
constexpr int ReverbTop = 3624;
constexpr int ChorusTop = 4080;
constexpr int KeyShiftTop = 4536;
constexpr int ChannelTop = 5016;

constexpr int NameWidth = 948;
constexpr int NameHeight = 288;
constexpr int WideBoxWidth = 396; // volume and pan
constexpr int WideBoxHeight = 252;
constexpr int BoxWidth = 372; // buttons and the other value boxes
constexpr int BoxHeight = 288;
constexpr int ButtonHeight = 228;

const QColor HeadingRed(0xFF, 0x00, 0x00);

int columnLeft(int part) {
    return ColumnLeft + ColumnPitch * (part - 1);
}

QFont arial(double points, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A display box: read-only, not focusable, the text centred.
QLineEdit* makeBox(QWidget* parent, const QString& style, const QFont& font) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignCenter);
    box->setFont(font);
    box->setStyleSheet(style);
    return box;
}

QString signedText(int value) {
    return QString::number(value);
}

} // namespace

frmVolumeAll::frmVolumeAll(AppState& state, QWidget* parent)
    : ChildWindow(state, WindowKind::VolumeAll, parent) {
    buildControls();
}

std::uint8_t& frmVolumeAll::row(int part, int r) {
    return state_.partRow(part, r);
}

void frmVolumeAll::buildControls() {
    Client = new QWidget;
    Client->setObjectName(QStringLiteral("Client"));
    Client->setFont(arial(8));
    setWidget(Client);

    const QString valueStyle = QStringLiteral(
        "QLineEdit { background: #000000; color: #00ff00; border: 1px solid #808080; "
        "padding: 0px; }");
    const QString channelStyle = QStringLiteral(
        "QLineEdit { background: #000000; color: #ffff00; border: 1px solid #808080; "
        "padding: 0px; }");
    const QString nameStyle = QStringLiteral(
        "QLineEdit { background: #ffffff; color: #ff0000; border: 1px solid #808080; "
        "padding: 0px 2px; }");
    QFont narrow(QStringLiteral("Liberation Sans Narrow"));
    narrow.setPointSizeF(7.8);

    for (int i = 1; i <= Parts; ++i) {
        const int left = columnLeft(i);

        auto* button = new QPushButton(QString::number(i), Client);
        button->setObjectName(QStringLiteral("PulsPart%1").arg(i));
        button->setFont(arial(9, true));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoFillBackground(true);
        place(button, left, ButtonTop, BoxWidth, ButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, i] { PulsPart_Click(i); });
        PulsPart[i] = button;
        button->setAccessibleName(state_.ResString(17) + QString::number(i));

        // The name boxes are two columns wide: odd parts above the sliders, even parts below,
        // both at the left of the odd column.
        auto* name = makeBox(Client, nameStyle, narrow);
        name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        name->setCursor(Qt::PointingHandCursor);
        name->installEventFilter(this);
        const bool odd = i % 2 == 1;
        place(name, odd ? left : columnLeft(i - 1), odd ? UpperNameTop : LowerNameTop, NameWidth,
              NameHeight);
        Text7[i] = name;

        const int wideLeft = left - (WideBoxWidth - BoxWidth) / 2;
        Text1[i] = makeBox(Client, valueStyle, arial(9));
        place(Text1[i], wideLeft, VolumeBoxTop, WideBoxWidth, WideBoxHeight);

        auto* slider = new LevelScrollBar(Client);
        slider->setObjectName(QStringLiteral("VScroll%1").arg(i));
        // Every slider starts at the top, so setting a stored volume below it is a change.
        slider->setValue(127);
        place(slider, left + (BoxWidth - SliderWidth) / 2, SliderTop, SliderWidth, SliderHeight);
        // valueChanged runs on every value the bar passes, from the user or from code: a drag
        // sends one message per value.
        connect(slider, &QScrollBar::valueChanged, this, [this, i] { VScroll_Change(i); });
        VScroll[i] = slider;
        slider->setAccessibleName(
            Language::ofBase(state_.LanguageBase).translate("frmVolumeAll", "Volume ") +
            state_.ResString(17) + QString::number(i));

        Text2[i] = makeBox(Client, valueStyle, arial(9));
        place(Text2[i], wideLeft, PanTop, WideBoxWidth, WideBoxHeight);
        Text3[i] = makeBox(Client, valueStyle, arial(9));
        place(Text3[i], left, ReverbTop, BoxWidth, BoxHeight);
        Text4[i] = makeBox(Client, valueStyle, arial(9));
        place(Text4[i], left, ChorusTop, BoxWidth, BoxHeight);
        Text5[i] = makeBox(Client, valueStyle, arial(9));
        place(Text5[i], left, KeyShiftTop, BoxWidth, BoxHeight);
        Text6[i] = makeBox(Client, channelStyle, arial(9));
        Text6[i]->setText(QString::number(i));
        place(Text6[i], left, ChannelTop, BoxWidth, BoxHeight);
        const std::pair<QLineEdit*, const char*> boxes[] = {
            {Text7[i], "Text7"}, {Text1[i], "Text1"}, {Text2[i], "Text2"}, {Text3[i], "Text3"},
            {Text4[i], "Text4"}, {Text5[i], "Text5"}, {Text6[i], "Text6"}};
        for (const auto& [box, name] : boxes)
            box->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
    }

    // Row headings in red, in the middle of the window just above their rows, with a thin line
    // on either side of each; two more lines frame the sliders.
    const Language language = Language::ofBase(state_.LanguageBase);
    auto heading = [this, language](const char* text, int left, int top) {
        auto* label = new QLabel(language.translate("frmVolumeAll", text), Client);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, HeadingRed);
        label->setPalette(palette);
        label->setFont(arial(8, true));
        label->adjustSize();
        label->move(twips::point(left, top));
        return label;
    };
    LabPan = heading(QT_TRANSLATE_NOOP("frmVolumeAll", "Pan"), 4500, 2988);
    LabReverber = heading(QT_TRANSLATE_NOOP("frmVolumeAll", "Reverber"), 4320, 3444);
    LabChorus = heading(QT_TRANSLATE_NOOP("frmVolumeAll", "Chorus"), 4380, 3900);
    LabKShift = heading(QT_TRANSLATE_NOOP("frmVolumeAll", "Key Shift"), 4320, 4356);
    LabMidiCh = heading(QT_TRANSLATE_NOOP("frmVolumeAll", "MidiCh"), 4380, 4836);

    auto line = [this](int n, int left, int top, int width) {
        auto* frame = new QFrame(Client);
        frame->setObjectName(QStringLiteral("Line%1").arg(n));
        frame->setFrameShape(QFrame::HLine);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setGeometry(twips::toPixels(left), twips::toPixels(top) - 1, twips::toPixels(width),
                           2);
        Line[n] = frame;
    };
    const QLabel* headings[] = {LabPan, LabReverber, LabChorus, LabKShift, LabMidiCh};
    int n = 1;
    for (const QLabel* label : headings) {
        const int middle = twips::fromPixels(label->y() + label->height() / 2);
        const int labelLeft = twips::fromPixels(label->x());
        const int labelRight = twips::fromPixels(label->x() + label->width());
        line(n++, 60, middle, labelLeft - 120);
        line(n++, labelRight + 60, middle, ClientWidth - 60 - labelRight - 60);
    }
    line(n++, 60, (UpperNameTop + NameHeight + VolumeBoxTop) / 2, ClientWidth - 120);
    line(n++, 60, (SliderTop + SliderHeight + LowerNameTop) / 2, ClientWidth - 120);
}

void frmVolumeAll::Form_Load() {
    setWindowTitle(state_.ResString(38));

    PartButtonColour = PulsPart[1]->palette().color(QPalette::Button);
    PartButtonHighlight = QColor(255, 255, 1);

    for (int i = 1; i <= Parts; ++i) {
        // A stored volume other than 127 moves the slider, and its change handling sends the
        // volume again (or hands it to the part's open window) and makes the part current.
        VScroll[i]->setValue(row(i, PartRow::Volume));
        Text2[i]->setText(signedText(row(i, PartRow::Pan) - 64));
        Text3[i]->setText(signedText(row(i, PartRow::Reverb)));
        Text4[i]->setText(signedText(row(i, PartRow::Chorus)));
        Text5[i]->setText(signedText(row(i, PartRow::Transposition) - 12));
        ShowProgramName(i, GMProgramName(state_.GMProgramNames, row(i, PartRow::ProgramFlag),
                                         row(i, PartRow::ProgramNumber),
                                         row(i, PartRow::ProgramThird)));
        Text1[i]->setText(signedText(VScroll[i]->value()));
    }
    if (state_.currentPart() == 0)
        state_.makeCurrent(1);
}

void frmVolumeAll::VScroll_Change(int i) {
    const int v = VScroll[i]->value();
    state_.makeCurrent(i);
    emit partNumberShown(i - 1);
    Text1[i]->setText(signedText(v));
    row(i, PartRow::Volume) = static_cast<std::uint8_t>(v);

    if (!state_.IsWindowOpen(i) || state_.restoringWindows()) {
        const int channel = partChannel(row(i, PartRow::Channel));
        state_.midi.send(channel, MidiStatus::ControlChange, static_cast<int>(Controller::Volume),
                         v);
    } else {
        // The part window's own slider sends the volume and sets this slider to the value it
        // already holds, which is no change: neither window starts the other again.
        emit partVolumeRequested(i, v);
    }
}

void frmVolumeAll::ShowPartValue(int part, int r, int value) {
    if (part < 1 || part > Parts)
        return;
    switch (r) {
    case PartRow::Volume:
        VScroll[part]->setValue(value);
        break;
    case PartRow::Pan:
        Text2[part]->setText(signedText(value - 64));
        break;
    case PartRow::Reverb:
        Text3[part]->setText(signedText(value));
        break;
    case PartRow::Chorus:
        Text4[part]->setText(signedText(value));
        break;
    case PartRow::Transposition:
        Text5[part]->setText(signedText(value - 12));
        break;
    default:
        break;
    }
}

void frmVolumeAll::ShowProgramName(int part, const QString& name) {
    if (part < 1 || part > Parts)
        return;
    Text7[part]->setText(name);
    // A name longer than its box shows its beginning.
    Text7[part]->setCursorPosition(0);
}

void frmVolumeAll::PulsPart_Click(int i) {
    const int current = state_.currentPart();
    if (i != current) {
        if (current >= 1 && current <= Parts) {
            QPalette normal = PulsPart[current]->palette();
            normal.setColor(QPalette::Button, PartButtonColour);
            PulsPart[current]->setPalette(normal);
        }
        state_.makeCurrent(i);
        QPalette lit = PulsPart[i]->palette();
        lit.setColor(QPalette::Button, PartButtonHighlight);
        PulsPart[i]->setPalette(lit);
    }
    // Opens the part window, or brings the open one to the front.
    emit openWindowRequested(i);
}

void frmVolumeAll::Text7_Click(int i) {
    emit openWindowRequested(state_.selectProgramPageFor(i));
    emit partNumberShown(state_.currentPart() - 1);
}

bool frmVolumeAll::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 1; i <= Parts; ++i) {
            if (watched == Text7[i]) {
                Text7_Click(i);
                return true;
            }
        }
    }
    return ChildWindow::eventFilter(watched, event);
}
