#include "ui/part/SliderSet.h"

#include "app/PartStates.h"
#include "ui/child/Place.h"
#include "ui/part/LevelScrollBar.h"

#include <QLabel>
#include <cmath>

namespace {

// Design sizes (twips).
constexpr int SliderWidth = 228;
constexpr int SliderHeight = 1704;
constexpr int ValueWidth = 540;
constexpr int ValueHeight = 240;
constexpr int CaptionWidth = 734; // centred over the slider: 253 on either side
constexpr int CaptionHeight = 195;
constexpr int EndLabelWidth = 300;
constexpr int EndLabelHeight = 195;
constexpr int LetterWidth = 150;

const char* const Captions[SliderSet::Count] = {"Volume",   "Pan",      "Vel On", "Vel Off",
                                                "Att Time", "Rel Time", "Bend",   "Mod 1",
                                                "Mod 2",    "Reverb",   "Chorus"};

} // namespace

SliderSet::SliderSet(QWidget* client, std::function<void(int k)> changed) {
    QFont small = client->font();
    small.setPointSizeF(7);
    for (int k = 0; k < Count; ++k) {
        VScroll[k] = new LevelScrollBar(client);
        VScroll[k]->setObjectName(QStringLiteral("VScroll%1").arg(k));
        QObject::connect(VScroll[k], &QScrollBar::valueChanged, client,
                         [changed, k] { changed(k); });
        Label2[k] = new QLabel(QString::fromLatin1(Captions[k]), client);
        VScroll[k]->setAccessibleName(Label2[k]->text());
        Label2[k]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const bool centred = k == Pan || k == Bend;
        Label4[k] = new QLabel(centred ? QStringLiteral("63") : QStringLiteral("127"), client);
        Label5[k] = new QLabel(centred ? QStringLiteral("-64") : QStringLiteral("0"), client);
        Label4[k]->setFont(small);
        Label5[k]->setFont(small);
    }
    Label2[11] = new QLabel(QStringLiteral("R"), client);
    Label2[12] = new QLabel(QStringLiteral("L"), client);
    Label2[13] = new QLabel(QStringLiteral("C"), client);
    Label5[11] = new QLabel(QStringLiteral("0"), client); // bend centre
    Label5[12] = new QLabel(QStringLiteral("0"), client); // pan centre
    for (QLabel* label : {Label2[11], Label2[12], Label2[13], Label5[11], Label5[12]})
        label->setFont(small);
    for (int i = 0; i < 14; ++i) {
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        if (i < 13)
            Label5[i]->setObjectName(QStringLiteral("Label5_%1").arg(i));
        if (i < Count)
            Label4[i]->setObjectName(QStringLiteral("Label4_%1").arg(i));
    }
}

void SliderSet::place(int k, int left, int top, QWidget* value) {
    ::place(VScroll[k], left, top, SliderWidth, SliderHeight);
    const int valueLeft = left - static_cast<int>(std::lround((ValueWidth - SliderWidth) / 2.0));
    ::place(value, valueLeft, top - 250, ValueWidth, ValueHeight);
    ::place(Label2[k], left - 253, top - 440, CaptionWidth, CaptionHeight);
    ::place(Label4[k], left + 250, top + 200, EndLabelWidth, EndLabelHeight);
    ::place(Label5[k], left + 250, top + 1330, EndLabelWidth, EndLabelHeight);
    if (k == Pan) {
        ::place(Label2[11], left - 170, top + 200, LetterWidth, CaptionHeight);
        ::place(Label2[13], left - 170, top + 750, LetterWidth, CaptionHeight);
        ::place(Label2[12], left - 170, top + 1330, LetterWidth, CaptionHeight);
        ::place(Label5[12], left + 280, top + 750, EndLabelWidth, EndLabelHeight);
    } else if (k == Bend) {
        ::place(Label5[11], left + 280, top + 750, EndLabelWidth, EndLabelHeight);
    }
}

bool SliderSet::Message(int k, int v, std::uint32_t& message) {
    return SliderMessage(k, v, message);
}

QString SliderSet::ValueText(int k, int v) {
    return QString::number(k == Pan || k == Bend ? v - 64 : v);
}
