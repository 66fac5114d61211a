#include "ui/main/frmMidi.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmMidi::frmMidi(int languageCode, std::vector<PortChoice> outputs, const QString& current,
                 QWidget* parent)
    : QDialog(parent), outputs_(std::move(outputs)) {
    const bool italian = languageCode == 1;
    setWindowTitle(QStringLiteral("MIDI"));

    Label1 = new QLabel(QStringLiteral("MIDI Out"), this);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    for (const PortChoice& choice : outputs_)
        List1->addItem(EntryText(choice, languageCode));
    for (std::size_t i = 0; i < outputs_.size(); ++i)
        if (outputs_[i].choice.compare(current.isEmpty() ? QStringLiteral("synth") : current,
                                       Qt::CaseInsensitive) == 0)
            List1->setCurrentRow(static_cast<int>(i));

    const QString variable = qEnvironmentVariable("QUINTARO_MIDI_OUT");
    Label2 = new QLabel(this);
    Label2->setWordWrap(true);
    if (!variable.isEmpty())
        Label2->setText((italian ? QStringLiteral("All'avvio vale QUINTARO_MIDI_OUT=%1")
                                 : QStringLiteral("At start QUINTARO_MIDI_OUT=%1 wins"))
                            .arg(variable));
    Label2->setVisible(!variable.isEmpty());

    CommChiudi =
        new QPushButton(italian ? QStringLiteral("Chiudi") : QStringLiteral("Close"), this);
    connect(CommChiudi, &QPushButton::clicked, this, &QDialog::accept);

    connect(List1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { chooseRow(List1->row(item)); });
    List1->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List1);
    layout->addWidget(Label2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CommChiudi);
    layout->addLayout(buttons);
    resize(420, 300);
}

void frmMidi::chooseRow(int row) {
    if (row >= 0 && row < static_cast<int>(outputs_.size()))
        emit outputChosen(outputs_[static_cast<std::size_t>(row)].choice);
}

bool frmMidi::eventFilter(QObject* watched, QEvent* event) {
    // Enter on the list chooses the entry under the cursor; the arrows only move it.
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseRow(List1->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString frmMidi::EntryText(const PortChoice& choice, int languageCode) {
    if (choice.kind == u"synth")
        return choice.name.isEmpty() ? QStringLiteral("Synth GM")
                                     : QStringLiteral("Synth GM (%1)").arg(choice.name);
    if (choice.kind == u"alsa")
        return QStringLiteral("ALSA: ") + choice.name;
    if (choice.kind == u"jack")
        return QStringLiteral("JACK: ") + choice.name;
    if (choice.kind == u"none")
        return languageCode == 1 ? QStringLiteral("Nessuna uscita") : QStringLiteral("No output");
    return choice.choice;
}
