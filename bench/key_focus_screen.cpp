// Saves pictures of a part window played from the computer keyboard alone, for a look by eye:
//   QT_QPA_PLATFORM=offscreen build/bench/key_focus_screen [folder]   (default /tmp)
// key-focused.png         part 1 in Hold Note mode, reached by Tab: E4 focused (a white key),
//                         C4 latched by Space before the focus moved on
// key-focused-black.png   the focus moved on to F#4 (a black key) and Space latched it too
#include "Screenshots.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QTest>

namespace {

void key(Qt::Key k) {
    QTest::keyClick(QApplication::focusWidget(), k);
}

} // namespace

int main(int argc, char** argv) {
    ShotApplication app(argc, argv);
    const QString folder = ShotFolder(argc, argv);

    TestState t;
    frmMain main(t.state);
    main.resize(1300, 1000);
    main.show();
    QApplication::setActiveWindow(&main);

    t.state.PartParams[1][15] = 1; // Hold Note
    main.mnuPart_Click(1);
    frmPart* w = main.PartWindow(1);
    QWidget* frame = w->keyboard().Frame1;
    for (int i = 0; i < 40 && QApplication::focusWidget() != frame; ++i)
        key(Qt::Key_Tab);
    if (QApplication::focusWidget() != frame) {
        std::fprintf(stderr, "Tab never reached the keyboard\n");
        return 1;
    }
    key(Qt::Key_Space); // C4, the key focused first
    for (int i = 0; i < 4; ++i)
        key(Qt::Key_Right);
    SaveShot(w, folder, "key-focused.png");
    for (int i = 0; i < 2; ++i)
        key(Qt::Key_Right);
    key(Qt::Key_Space);
    SaveShot(w, folder, "key-focused-black.png");
    return 0;
}
