// Writes the program's icon for the desktop, drawn by the same code as the icon the program shows:
// OUT/hicolor/scalable/apps/NAME.svg and OUT/hicolor/SxS/apps/NAME.png for each size given.
// Usage: quintaro_icons OUT NAME SIZE...
#include "ui/main/ProgramIcon.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: quintaro_icons OUT NAME SIZE...\n");
        return 2;
    }
    const QDir out(args[1]);
    const QString name = args[2];

    const QString scalable = out.filePath("hicolor/scalable/apps");
    if (!QDir().mkpath(scalable) || !WriteFile(scalable + "/" + name + ".svg", ProgramIconSvg())) {
        std::fprintf(stderr, "quintaro_icons: cannot write %s\n", qPrintable(scalable));
        return 1;
    }
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size <= 0) {
            std::fprintf(stderr, "quintaro_icons: not a size: %s\n", qPrintable(args[i]));
            return 2;
        }
        const QString folder = out.filePath(QStringLiteral("hicolor/%1x%1/apps").arg(size));
        if (!QDir().mkpath(folder) || !ProgramIconImage(size).save(folder + "/" + name + ".png")) {
            std::fprintf(stderr, "quintaro_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
