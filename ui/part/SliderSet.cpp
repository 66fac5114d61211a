#include "ui/part/SliderSet.h"

#include "app/strings/StringTable.h"
#include "ui/child/Place.h"
#include "ui/part/LevelScrollBar.h"

#include <QLabel>
#include <algorithm>
#include <climits>
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

// Pixels kept free between two captions' texts, and the smallest font a caption takes to fit
// (the size of the end labels).
constexpr int CaptionGap = 3;
constexpr qreal SmallestCaptionPoints = 7;

} // namespace

SliderSet::SliderSet(QWidget* client, int languageBase, std::function<void(int k)> changed) {
    QFont small = client->font();
    small.setPointSizeF(SmallestCaptionPoints);
    for (int k = 0; k < Count; ++k) {
        VScroll[k] = new LevelScrollBar(client);
        VScroll[k]->setObjectName(QStringLiteral("VScroll%1").arg(k));
        QObject::connect(VScroll[k], &QScrollBar::valueChanged, client,
                         [changed, k] { changed(k); });
        captions_[k] = LoadResString(languageBase + Sliders[k].caption);
        Label2[k] = new QLabel(captions_[k], client);
        Label2[k]->setAccessibleName(captions_[k]);
        VScroll[k]->setAccessibleName(captions_[k]);
        Label2[k]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const bool centred = Sliders[k].centred;
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

void SliderSet::fitCaptions() {
    for (int k = 0; k < Count; ++k) {
        QLabel* caption = Label2[k];
        const int centre = VScroll[k]->geometry().center().x();
        int nearest = INT_MAX;
        for (int j = 0; j < Count; ++j)
            if (j != k)
                nearest = std::min(nearest, std::abs(VScroll[j]->geometry().center().x() - centre));
        const int room = std::min(caption->contentsRect().width(), nearest - CaptionGap);
        QFont font = caption->parentWidget()->font();
        while (QFontMetrics(font).horizontalAdvance(captions_[k]) > room &&
               font.pointSizeF() - 0.5 >= SmallestCaptionPoints)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        caption->setFont(font);
        caption->setText(QFontMetrics(font).elidedText(captions_[k], Qt::ElideRight, room));
        const bool whole =
            font == caption->parentWidget()->font() && caption->text() == captions_[k];
        caption->setToolTip(whole ? QString() : captions_[k]);
    }
}

bool SliderSet::Message(int k, int v, std::uint32_t& message) {
    return SliderMessage(k, v, message);
}

QString SliderSet::ValueText(int k, int v) {
    return QString::number(Sliders[k].centred ? v - 64 : v);
}
