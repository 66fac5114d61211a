#pragma once

// The notepad as its user reaches it: the menu item that opens it, its text box, its close box.
#include "support/drivers/MenuWindow.h"
#include "ui/accessories/frmBloccoNote.h"
#include "ui/main/frmMain.h"

#include <QPlainTextEdit>

class NotepadDriver : public MenuWindow<NotepadDriver> {
  public:
    explicit NotepadDriver(frmMain& main) : main_(main) {}
    QAction* menuItem() const { return main_.mnuBloccoNote; }
    frmBloccoNote* window() const { return main_.NotepadWindow(); }
    QPlainTextEdit* box() const { return window()->findChild<QPlainTextEdit*>("Text1"); }
    QString text() const { return box()->toPlainText(); }

    // Types at the note's end: ASCII as keys, anything else as a paste or an input method puts
    // it in.
    void typeAtEnd(const QString& text) {
        box()->moveCursor(QTextCursor::End);
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            QTest::keyClicks(box(), text);
        else
            box()->insertPlainText(text);
    }
    void select(int from, int to) {
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        box()->setTextCursor(cursor);
    }

  private:
    frmMain& main_;
};
