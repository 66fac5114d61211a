#pragma once

#include "ui/main/ProgramIcon.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <QWidget>
#include <cstdio>

// Helpers of the programs that write pictures of the windows.

// Makes Qt draw offscreen unless the environment names a platform; gives back argc for the
// application's constructor.
inline int& OffscreenUnlessSet(int& argc) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return argc;
}

// The application of a picture program: offscreen unless told otherwise, with the program's icon.
class ShotApplication : public QApplication {
  public:
    ShotApplication(int& argc, char** argv) : QApplication(OffscreenUnlessSet(argc), argv) {
        setWindowIcon(ProgramIcon());
    }
};

// The folder named by the first argument, else /tmp.
inline QString ShotFolder(int argc, char** argv) {
    return argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
}

// Renders the widget into folder/name and prints the path and the size.
inline void SaveShot(QWidget* w, const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    w->grab().save(path);
    std::printf("%s  %dx%d\n", qPrintable(path), w->width(), w->height());
}
