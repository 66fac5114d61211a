// Saves pictures of the master keyboard and the notepad rendered offscreen, for a look by eye:
//   QT_QPA_PLATFORM=offscreen build/bench/masterkb_notepad_screens [folder]   (default /tmp)
// quintaro-masterkb.png   the master keyboard on channels 1, 2 and 10, Mod 1 at 40, bend at -20,
//                         hold mode with C E G latched and marked
// quintaro-notepad.png    the notepad with a few lines, one outside Windows-1252
// quintaro-masterkb-main.png  the main window with part 3, the master keyboard and the notepad
//                             cascaded
#include "Screenshots.h"
#include "support/TestState.h"
#include "ui/accessories/frmBloccoNote.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/frmMain.h"
#include "ui/masterkb/frmMasterKb.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    ShotApplication app(argc, argv);
    const QString folder = ShotFolder(argc, argv);

    TestState t;
    AppState& s = t.state;
    frmMain main(s);
    main.resize(1300, 1000);
    main.show();

    s.MasterKbSettings[2] = 1;
    s.MasterKbSettings[10] = 1;
    s.MasterKbSettings[24] = 40;
    s.MasterKbSettings[23] = 44;
    s.MasterKbSettings[31] = 1; // hold mode
    main.mnuMasterKb->trigger();
    frmMasterKb* kb = main.MasterKbWindow();
    Keyboard& keys = kb->keyboard();
    for (int note : {60, 64, 67})
        QTest::mouseClick(keys.Keys, Qt::LeftButton, {},
                          keys.Keys->keyRect(note - keys.KeyBase()).topLeft() + QPoint(8, 10));
    SaveShot(kb, folder, "quintaro-masterkb.png");

    main.mnuBloccoNote->trigger();
    frmBloccoNote* note = main.NotepadWindow();
    note->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))
        ->setPlainText(QStringLiteral("Prova: archi su 1, piano su 2, pad su 5\n"
                                      "Tempo 96, tonalit\u00e0 Re minore \u20ac\n"
                                      "\u65e5\u672c\u8a9e \u2013 \U0001F3B9 layered sound"));
    SaveShot(note, folder, "quintaro-notepad.png");

    main.mnuPart_Click(3);
    main.mnuCascade->trigger();
    SaveShot(&main, folder, "quintaro-masterkb-main.png");
    return 0;
}
