#pragma once

#include "ui/child/ChildWindow.h"

#include <array>

class QLabel;
class QListWidget;
class Midi;

// The program number of a row of a program page: the number in its first three characters, or 0
// when they do not hold a number from 1 to 128 (a blank row, or a line of an edited names file
// that is not a program).
int ProgramOfRow(const QString& row);

// One of the two General MIDI program pages (window kind 20 lists programs 1..64, kind 21
// programs 65..128) in eight families of eight under their titles. A click on a program gives it
// to the current part: stored, shown in the part's window and in the volume window, and sent.
class frmGMPag : public ChildWindow {
    Q_OBJECT
  public:
    static constexpr int Titles = 8;
    static constexpr int RowsPerColumn = 17;

    // `kind` is the page's window kind, 20 or 21: the GMPageSelector its opener set.
    frmGMPag(AppState& state, int kind, QWidget* parent = nullptr);

    int PageNumber() const { return Kind() - WindowKind::GMPage1 + 1; }

    // Event handlers.
    void List1_Click();

  signals:
    // The program chosen for a part, for the volume window's name box (the name alone) and for
    // the part window's program display (number and name).
    void programNameShown(int part, const QString& name);
    void partProgramShown(int part, const QString& text);

  protected:
    void Form_Load() override;
    void Form_Activate() override;

  private:
    QListWidget* List1 = nullptr;
    std::array<QLabel*, Titles + 1> Label1{}; // 1..8 family titles
    QWidget* Client = nullptr;

    void buildControls();
    void setCaption();
    int lineHeight_ = 0; // one line of Arial 10 pt, twips
};
