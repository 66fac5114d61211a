#include "ui/accessories/frmAbout.h"

#include "app/strings/Translation.h"
#include "ui/Twips.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

frmAbout::frmAbout(int languageBase, QWidget* owner) : QDialog(owner) {
    const Language language = Language::ofBase(languageBase);
    setModal(false);
    setWindowTitle(language.translate("frmAbout", "Informazioni su QuintaroV10"));
    setFixedSize(twips::size(5736, 3192));

    lblTitle = new QLabel(language.translate("frmAbout", "Quin Taro v 1.0"), this);
    lblTitle->setGeometry(twips::rect(1050, 240, 3885, 480));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(language.translate("frmAbout", "Versione V 1.0 2002"), this);
    lblVersion->setGeometry(twips::rect(1050, 780, 3885, 225));

    lblDescription = new QLabel(language.translate("frmAbout", "Interfaccia MIDI GM"), this);
    lblDescription->setGeometry(twips::rect(1050, 1125, 3885, 1170));
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setWordWrap(true);

    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        Line1[i]->setFrameShape(QFrame::HLine);
        Line1[i]->setFrameShadow(i == 0 ? QFrame::Sunken : QFrame::Plain);
        Line1[i]->setGeometry(twips::rect(225, 2450 + 15 * i, 5300, 15));
    }

    cmdOK = new QPushButton(language.translate("frmAbout", "OK"), this);
    cmdOK->setGeometry(twips::rect(4245, 2664, 1260, 345));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    // Esc reaches QDialog::reject, which closes the dialog like the button.
}

void frmAbout::cmdOK_Click() {
    close();
}
