#include "ui/masterkb/ZonesDialog.h"

#include "app/strings/Translation.h"
#include "engine/NoteEngine.h"
#include "ui/keyboard/Keyboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <utility>

ZonesDialog::ZonesDialog(const std::array<QCheckBox*, Channels + 1>& boxes,
                         std::function<Zone(int)> zone, std::function<void(int, Zone)> apply,
                         const NoteEngine& notes, int languageBase, QWidget* parent)
    : QDialog(parent), zone_(std::move(zone)), apply_(std::move(apply)) {
    setObjectName(QStringLiteral("ZonesDialog"));
    const Language language = Language::ofBase(languageBase);
    const bool italian = languageBase == 0;
    setWindowTitle(language.translate("ZonesDialog", "Zones"));
    auto* grid = new QGridLayout(this);
    const QString headers[] = {language.translate("ZonesDialog", "Channel"),
                               language.translate("ZonesDialog", "Lowest note"),
                               language.translate("ZonesDialog", "Highest note"),
                               language.translate("ZonesDialog", "Transposition")};
    for (int column = 0; column < 4; ++column)
        grid->addWidget(new QLabel(headers[column], this), 0, column);
    QStringList names;
    for (int note = 0; note <= 127; ++note)
        names << NoteName(note, italian);
    for (int n = 1; n <= Channels; ++n) {
        Row& row = rows_[n];
        row.on = new QCheckBox(QString::number(n), this);
        row.low = new QComboBox(this);
        row.high = new QComboBox(this);
        row.transpose = new QSpinBox(this);
        row.transpose->setRange(-Zone::MaxTranspose, Zone::MaxTranspose);
        row.learn = new QPushButton(language.translate("ZonesDialog", "Learn"), this);
        row.learn->setCheckable(true);
        row.learn->setObjectName(QStringLiteral("ZoneLearn_%1").arg(n));
        row.learn->setAccessibleName(row.learn->text() + QLatin1Char(' ') + QString::number(n));
        grid->addWidget(row.learn, n, 4);
        connect(row.learn, &QPushButton::clicked, this, [this, n](bool on) {
            if (learning_ != 0 && learning_ != n)
                rows_[learning_].learn->setChecked(false);
            learning_ = on ? n : 0;
            firstLearnt_ = -1;
        });
        const QString suffix = QStringLiteral("_%1").arg(n);
        QWidget* cells[] = {row.on, row.low, row.high, row.transpose};
        const char* objectNames[] = {"ZoneOn", "ZoneLow", "ZoneHigh", "ZoneTranspose"};
        for (int column = 0; column < 4; ++column) {
            cells[column]->setObjectName(QLatin1String(objectNames[column]) + suffix);
            cells[column]->setAccessibleName(headers[column] + QLatin1Char(' ') +
                                             QString::number(n));
            grid->addWidget(cells[column], n, column);
        }
        row.low->addItems(names);
        row.high->addItems(names);
        showZone(n);
        // The box here and the master keyboard's stay in step: a click here clicks that one.
        QCheckBox* box = boxes.at(n);
        row.on->setChecked(box->isChecked());
        connect(row.on, &QCheckBox::toggled, box, [box](bool on) {
            if (box->isChecked() != on)
                box->click();
        });
        connect(box, &QCheckBox::toggled, row.on, &QCheckBox::setChecked);
        connect(row.low, &QComboBox::currentIndexChanged, this, [this, n] { edited(n, true); });
        connect(row.high, &QComboBox::currentIndexChanged, this, [this, n] { edited(n, false); });
        connect(row.transpose, &QSpinBox::valueChanged, this, [this, n] { edited(n, true); });
    }
    connect(&notes, &NoteEngine::marked, this, &ZonesDialog::learnt);
}

void ZonesDialog::learnt(int note) {
    if (learning_ == 0 || note < 0 || note > 127)
        return;
    if (firstLearnt_ < 0) {
        firstLearnt_ = note;
        return;
    }
    const int n = std::exchange(learning_, 0);
    rows_[n].learn->setChecked(false);
    apply_(n, {std::min(firstLearnt_, note), std::max(firstLearnt_, note), zone_(n).transpose});
    showZone(n);
}

QString ZonesDialog::NoteName(int note, bool italian) {
    const QString octave = QString::number(note / 12 - 1);
    return Keyboard::PitchName(note, italian) + (italian ? QStringLiteral(" ") : QString()) +
           octave;
}

void ZonesDialog::edited(int n, bool lowMoved) {
    Row& row = rows_[n];
    Zone zone{row.low->currentIndex(), row.high->currentIndex(), row.transpose->value()};
    if (zone.low > zone.high)
        (lowMoved ? zone.high : zone.low) = lowMoved ? zone.low : zone.high;
    apply_(n, zone);
    showZone(n);
}

void ZonesDialog::showZone(int n) {
    const Zone zone = zone_(n);
    Row& row = rows_[n];
    const QSignalBlocker blockLow(row.low), blockHigh(row.high), blockTranspose(row.transpose);
    row.low->setCurrentIndex(zone.low);
    row.high->setCurrentIndex(zone.high);
    row.transpose->setValue(zone.transpose);
}
