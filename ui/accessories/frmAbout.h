#pragma once

#include <QDialog>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

// The About box: a small fixed dialog naming the program and its version, the same texts in
// both languages. Modeless, owned by the main window; OK, Enter and Esc close it.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    // `languageBase` the language of its captions (0 Italian, 200 English).
    frmAbout(int languageBase, QWidget* owner);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    std::array<QFrame*, 2> Line1{};

    void cmdOK_Click();
};
