// frmMidi: the built-in synthesizer's SoundFont and level.
#include "app/strings/Translation.h"
#include "devices/Devices.h"
#include "ui/main/frmMidi.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr double GainStep = 0.05; // the slider's unit

} // namespace

QString frmMidi::AskSoundFont(QWidget* parent, const QString& current, int languageCode) {
    const QString system = QStringLiteral("/usr/share/sounds/sf2");
    const QString own = QDir::homePath() + QStringLiteral("/.local/share/soundfonts");
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    QList<QUrl> places;
    for (const QString& place : {folder, system, own})
        if (!place.isEmpty() && QFileInfo(place).isDir() &&
            !places.contains(QUrl::fromLocalFile(place)))
            places.append(QUrl::fromLocalFile(place));
    const Language language(languageCode);
    QFileDialog dialog(parent, language.translate("frmMidi", "Choose the SoundFont"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(language.translate("frmMidi", "SoundFont (*.sf2 *.sf3)"));
    dialog.setSidebarUrls(places);
    if (!places.isEmpty())
        dialog.setDirectory(places.constFirst().toLocalFile());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void frmMidi::attachSynth(Devices& devices) {
    const Language language(languageCode_);
    CommSoundFont = new QPushButton(language.translate("frmMidi", "SoundFont…"), this);
    CommSoundFont->setObjectName(QStringLiteral("CommSoundFont"));
    Label5 = new QLabel(this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setWordWrap(true);
    Label5->setVisible(false);
    Label6 = new QLabel(language.translate("frmMidi", "Level"), this);
    SliderGain = new QSlider(Qt::Horizontal, this);
    SliderGain->setObjectName(QStringLiteral("SliderGain"));
    SliderGain->setRange(static_cast<int>(std::lround(Devices::SynthGainMin() / GainStep)),
                         static_cast<int>(std::lround(Devices::SynthGainMax() / GainStep)));
    SliderGain->setValue(static_cast<int>(std::lround(Devices::SynthGain() / GainStep)));
    Label6->setBuddy(SliderGain);

    auto* row = new QHBoxLayout;
    row->addWidget(CommSoundFont);
    row->addWidget(Label6);
    row->addWidget(SliderGain, 1);
    auto* column = static_cast<QVBoxLayout*>(layout());
    const int below = column->indexOf(List1) + 1;
    column->insertLayout(below, row);
    column->insertWidget(below + 1, Label5);

    connect(SliderGain, &QSlider::valueChanged, &devices,
            [&devices](int value) { devices.SetSynthGain(value * GainStep); });
    connect(CommSoundFont, &QPushButton::clicked, this, [this, &devices] {
        const QString path = AskSoundFont(this, devices.SoundFont(), languageCode_);
        if (!path.isEmpty())
            devices.ChooseSoundFont(path);
    });
    connect(&devices, &Devices::soundFontLoading, this,
            [this](const QString& path) { showSoundFont(path, true, true); });
    connect(&devices, &Devices::soundFontLoaded, this,
            [this](const QString& path, bool ok) { showSoundFont(path, false, ok); });
    if (devices.loadingSoundFont())
        showSoundFont({}, true, true);
}

void frmMidi::showSoundFont(const QString& path, bool loading, bool ok) {
    const QString name = QFileInfo(path).fileName();
    CommSoundFont->setEnabled(!loading);
    const Language language(languageCode_);
    if (loading)
        Label5->setText(language.translate("frmMidi", "Loading the SoundFont %1…").arg(name));
    else if (!ok)
        Label5->setText(
            language.translate("frmMidi", "%1 is not a readable SoundFont: the previous one stays.")
                .arg(name));
    Label5->setVisible(loading || !ok);
    if (loading || !ok)
        return;
    // The synthesizer's entry shows the new SoundFont's name.
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        if (outputs_[i].kind != QStringLiteral("synth"))
            continue;
        outputs_[i].name = name;
        List1->item(static_cast<int>(i))->setText(EntryText(outputs_[i], languageCode_));
    }
}
