#include "ui/dialogs/frmLingua.h"

#include "app/AppState.h"
#include "app/strings/StringTable.h"
#include "app/strings/Translation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmLingua::frmLingua(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmLingua"));
    // The language is not known yet: the question is asked in every language, and each option
    // is the name of its language in that language.
    setWindowTitle(ProductTitle);

    const Language italian(1);
    const Language english(2);
    Label1 =
        new QLabel(italian.translate("frmLingua", "Choose a language") + QStringLiteral(" / ") +
                       english.translate("frmLingua", "Choose a language"),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Option1[0] = new QRadioButton(italian.translate("frmLingua", "English"), this);
    Option1[1] = new QRadioButton(english.translate("frmLingua", "English"), this);
    CommOK = new QPushButton(QStringLiteral("&OK"), this);
    CommOK->setObjectName(QStringLiteral("CommOK"));
    CommOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    for (int i = 0; i < 2; ++i) {
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        layout->addWidget(Option1[i]);
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                Option1_Click(i);
        });
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CommOK);
    layout->addLayout(buttons);
    connect(CommOK, &QPushButton::clicked, this, &frmLingua::CommOK_Click);

    Form_Load();
}

void frmLingua::Form_Load() {
    confirmed_ = false;
    state_.StartAborted = false;
    // A language already known is shown as chosen, so that OK and the options agree.
    if (state_.LanguageCode == 1 || state_.LanguageCode == 2)
        Option1[state_.LanguageCode - 1]->setChecked(true);
}

void frmLingua::Option1_Click(int index) {
    state_.LanguageCode = static_cast<std::uint8_t>(index + 1);
}

void frmLingua::CommOK_Click() {
    if (state_.LanguageCode == 0)
        return;
    confirmed_ = true;
    accept();
}

void frmLingua::Form_Unload() {
    if (!confirmed_)
        state_.StartAborted = true;
}

void frmLingua::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void RunLanguageDialog(AppState& state) {
    frmLingua dialog(state);
    dialog.exec();
}
