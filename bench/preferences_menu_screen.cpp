// Writes a picture of the Preferences menu with "Velocity from the click's height" checked, as
// the main window opens it, to velocity-item.png in the folder named by the first argument
// (default /tmp).
#include "Screenshots.h"
#include "support/TestState.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

int main(int argc, char** argv) {
    ShotApplication app(argc, argv);
    TestState t; // English, with a configuration folder of its own
    frmMain main(t.state);
    main.resize(900, 600);
    main.show();
    main.findChild<QAction*>(QStringLiteral("mnuVelocita"))->trigger();
    for (QAction* item : main.menuBar()->actions())
        if (item->text() == t.state.ResString(62)) {
            QMenu* menu = item->menu();
            menu->popup(main.mapToGlobal(main.menuBar()->actionGeometry(item).bottomLeft()));
            menu->setActiveAction(main.findChild<QAction*>(QStringLiteral("mnuVelocita")));
            QApplication::processEvents();
            SaveShot(menu, ShotFolder(argc, argv), QStringLiteral("velocity-item.png"));
            return 0;
        }
    return 1;
}
