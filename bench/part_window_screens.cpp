// Saves pictures of part windows rendered offscreen, for a look by eye:
//   QT_QPA_PLATFORM=offscreen build/bench/part_window_screens [folder]   (default /tmp)
// quintaro-part-shift0.png   part 1, key shift 0 (labels C0..C5), first-run sliders
// quintaro-part-shift3.png   part 2, key shift 3 (labels C3..C8), sliders moved, transposed -5
// quintaro-part-chord.png    part 3 in hold mode with the chord C E G latched and marked, then
//                            taken as the hold chord (Hold Chord disabled)
// quintaro-part-hover.png    part 4 in hover mode (Hold Note disabled), the pointer on E4
// quintaro-part-main.png     the main window with the four part windows cascaded
// quintaro-part-sweep.png    part 5 in hover mode with C5 E5 G5 latched, after the pointer swept
//                            over the keys up to F#4 and back to A3: taken from what the
//                            screen shows (the window's backing store), so a repaint that missed
//                            a key or left a mark behind shows up
#include "Screenshots.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/frmMain.h"
#include "ui/part/LevelScrollBar.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMdiArea>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdio>

int main(int argc, char** argv) {
    ShotApplication app(argc, argv);
    const QString folder = ShotFolder(argc, argv);

    TestState t;
    AppState& s = t.state;
    frmMain main(s);
    main.resize(1300, 1000);
    main.show();

    s.PartParams[1][16] = 0;
    main.mnuPart_Click(1);
    SaveShot(main.PartWindow(1), folder, "quintaro-part-shift0.png");

    s.PartParams[2][16] = 3;
    s.PartParams[2][12] = 7;
    s.PartParams[2][10] = 40;
    s.PartParams[2][2] = 127;
    s.PartParams[2][18] = 41;
    main.mnuPart_Click(2);
    SaveShot(main.PartWindow(2), folder, "quintaro-part-shift3.png");

    s.PartParams[3][15] = 1; // hold mode
    main.mnuPart_Click(3);
    frmPart* w3 = main.PartWindow(3);
    Keyboard& kb3 = w3->keyboard();
    for (int note : {60, 64, 67, 70}) {
        QTest::mouseClick(kb3.Keys, Qt::LeftButton, {},
                          kb3.Keys->keyRect(note - kb3.KeyBase()).topLeft() + QPoint(8, 10));
    }
    QTest::mouseClick(kb3.CommHoldChord, Qt::LeftButton);
    SaveShot(w3, folder, "quintaro-part-chord.png");

    s.PartParams[4][14] = 0; // hover mode
    main.mnuPart_Click(4);
    frmPart* w4 = main.PartWindow(4);
    Keyboard& kb4 = w4->keyboard();
    const QRect e4 = kb4.Keys->keyRect(64 - kb4.KeyBase());
    QTest::mouseMove(
        main.windowHandle(),
        kb4.Keys->mapTo(&main, e4.topLeft() + QPoint(e4.width() / 2, e4.height() / 2)));
    SaveShot(w4, folder, "quintaro-part-hover.png");

    main.mnuCascade->trigger();
    SaveShot(&main, folder, "quintaro-part-main.png");

    // A latched note in view in part 5 (shared table, marked on a key shift), then a hover sweep.
    s.PartParams[5][14] = 0; // hover mode
    main.mnuPart_Click(5);
    frmPart* w5 = main.PartWindow(5);
    w5->move(0, 0);
    Keyboard& kb5 = w5->keyboard();
    for (int note : {72, 76, 79})
        s.HeldNotes[note] = 1;
    kb5.HScroll1->setValue(1);
    kb5.HScroll1->setValue(2); // the key shift marks the latched notes in view
    QCoreApplication::processEvents();
    QWindow* screen = main.windowHandle();
    auto over = [&](int k, int y) {
        const QRect r = kb5.Keys->keyRect(k);
        QTest::mouseMove(screen, kb5.Keys->mapTo(&main, r.topLeft() + QPoint(r.width() / 2, y)));
        QCoreApplication::processEvents();
    };
    for (int k = 0; k <= 30; ++k)
        over(k, 20);
    for (int k = 30; k >= 21; --k)
        over(k, 60);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const QRect r(w5->mapTo(&main, QPoint(0, 0)), w5->size());
    const QString path = QDir(folder).filePath("quintaro-part-sweep.png");
    main.screen()->grabWindow(main.winId(), r.x(), r.y(), r.width(), r.height()).save(path);
    std::printf("%s  %dx%d\n", qPrintable(path), r.width(), r.height());
    return 0;
}
