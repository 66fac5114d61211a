// Saves pictures of the main window and its menus, rendered offscreen, for a look by eye:
//   QT_QPA_PLATFORM=offscreen build/bench/screenshot_main [folder]   (default /tmp)
#include "Screenshots.h"
#include "support/TestState.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

int main(int argc, char** argv) {
    ShotApplication app(argc, argv);
    const QString folder = ShotFolder(argc, argv);

    for (int language : {2, 1}) {
        TestState t(language);
        frmMain w(t.state);
        w.resize(900, 640);
        w.show();
        w.ShowPartNumber(4);
        const QString suffix = language == 2 ? "en" : "it";
        w.grab().save(QDir(folder).filePath("quintaro-main-" + suffix + ".png"));

        // The window with each menu drawn below its title, as the user sees it opened.
        for (QMenu* menu : {w.mnuFile, w.mnuView, w.mnuPreferenze, w.mnuHelp}) {
            menu->adjustSize();
            QPixmap shot = w.grab();
            QPainter painter(&shot);
            const QRect title = w.menuBar()->actionGeometry(menu->menuAction());
            painter.drawPixmap(title.left(), w.menuBar()->height(), menu->grab());
            if (menu == w.mnuView) {
                w.mnuParti->adjustSize();
                painter.drawPixmap(title.left() + menu->width() - 4, w.menuBar()->height() + 30,
                                   w.mnuParti->grab());
            }
            painter.end();
            QString name = menu->title().remove('&').remove('?');
            if (name.isEmpty())
                name = "help";
            shot.save(QDir(folder).filePath("quintaro-menu-" + suffix + "-" + name + ".png"));
        }
    }
    return 0;
}
