#include "ui/main/frmMidi.h"
#include "app/strings/Translation.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Fills `list` with the entries of `choices`, the one whose mapper value is `current` selected.
void Fill(QListWidget* list, const std::vector<PortChoice>& choices, const QString& current,
          int languageCode, bool input) {
    for (const PortChoice& choice : choices)
        list->addItem(frmMidi::EntryText(choice, languageCode, input));
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].choice.compare(current, Qt::CaseInsensitive) == 0)
            list->setCurrentRow(static_cast<int>(i));
}

} // namespace

frmMidi::frmMidi(int languageCode, std::vector<PortChoice> outputs, const QString& current,
                 std::vector<PortChoice> inputs, const QString& currentInput, QWidget* parent)
    : QDialog(parent), outputs_(std::move(outputs)), inputs_(std::move(inputs)),
      languageCode_(languageCode) {
    const Language language(languageCode);
    setWindowTitle(language.translate("frmMidi", "MIDI"));

    Label1 = new QLabel(language.translate("frmMidi", "MIDI Out"), this);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    Fill(List1, outputs_, current.isEmpty() ? QStringLiteral("synth") : current, languageCode,
         false);

    Label3 = new QLabel(language.translate("frmMidi", "MIDI In"), this);
    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    Fill(List2, inputs_, currentInput.isEmpty() ? QStringLiteral("none") : currentInput,
         languageCode, true);
    Label4 = new QLabel(this);
    Label4->setWordWrap(true);
    Label4->setVisible(false);

    const QString variable = qEnvironmentVariable("QUINTARO_MIDI_OUT");
    Label2 = new QLabel(this);
    Label2->setWordWrap(true);
    if (!variable.isEmpty())
        Label2->setText(
            language.translate("frmMidi", "At start QUINTARO_MIDI_OUT=%1 wins").arg(variable));
    Label2->setVisible(!variable.isEmpty());

    CommChiudi = new QPushButton(language.translate("frmMidi", "Close"), this);
    connect(CommChiudi, &QPushButton::clicked, this, &QDialog::accept);
    // For a device switched on after the program: it learns every part's program and controllers.
    CommSendAll = new QPushButton(language.translate("frmMidi", "Send all parts"), this);
    CommSendAll->setObjectName(QStringLiteral("CommSendAll"));
    connect(CommSendAll, &QPushButton::clicked, this, &frmMidi::sendAllRequested);

    for (QListWidget* list : {List1, List2}) {
        connect(list, &QListWidget::itemClicked, this,
                [this, list](QListWidgetItem* item) { chooseRow(list, list->row(item)); });
        list->installEventFilter(this);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(List2);
    layout->addWidget(Label4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CommSendAll);
    buttons->addStretch();
    buttons->addWidget(CommChiudi);
    layout->addLayout(buttons);
    resize(420, 440);
}

void frmMidi::chooseRow(QListWidget* list, int row) {
    const std::vector<PortChoice>& choices = list == List1 ? outputs_ : inputs_;
    if (row < 0 || row >= static_cast<int>(choices.size()))
        return;
    const QString& choice = choices[static_cast<std::size_t>(row)].choice;
    if (list == List1)
        emit outputChosen(choice);
    else
        emit inputChosen(choice);
}

void frmMidi::showInputFailed(bool failed) {
    Label4->setText(
        failed ? Language(languageCode_).translate("frmMidi", "This input could not be opened.")
               : QString());
    Label4->setVisible(failed);
}

bool frmMidi::eventFilter(QObject* watched, QEvent* event) {
    // Enter on the list chooses the entry under the cursor; the arrows only move it.
    if ((watched == List1 || watched == List2) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            auto* list = static_cast<QListWidget*>(watched);
            chooseRow(list, list->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString frmMidi::EntryText(const PortChoice& choice, int languageCode, bool input) {
    const PortKind* kind = choice.kind.isEmpty() ? nullptr : KindOf(choice.kind);
    if (kind == nullptr || kind->caption == nullptr)
        return choice.choice;
    return kind->caption(choice.name, languageCode, input);
}
