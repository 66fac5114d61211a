#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QRadioButton;
struct AppState;

// The first-run language dialog. Choosing an option sets LanguageCode (1 Italian, 2 English);
// OK confirms once a language is chosen; closing it any other way sets StartAborted.
class frmLingua : public QDialog {
    Q_OBJECT
  public:
    explicit frmLingua(AppState& state, QWidget* parent = nullptr);

    bool confirmed() const { return confirmed_; }

    void Form_Load();
    void Option1_Click(int index);
    void CommOK_Click();
    void Form_Unload();

    // Every way of closing (OK, close box, Esc) ends here.
    void done(int result) override;

  private:
    QLabel* Label1 = nullptr;
    std::array<QRadioButton*, 2> Option1{}; // 0 Italiano, 1 English
    QPushButton* CommOK = nullptr;

    AppState& state_;
    bool confirmed_ = false;
};

// Shows the language dialog modally and returns when it is closed.
void RunLanguageDialog(AppState& state);
