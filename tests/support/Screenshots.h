#pragma once

#include <QDir>
#include <QString>
#include <QWidget>
#include <cstdio>

// Helpers of the programs that write pictures of the windows.

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
