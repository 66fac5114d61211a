// Saves a picture of the program's menu entry as a desktop lists it: the entry's icon at 48 px
// with its Name under it, in an icon view on a light and on a dark background.
//   QT_QPA_PLATFORM=offscreen build/bench/desktop_entry_screen [folder] [prefix]
// Without a prefix the entry and icon come from the build tree; with one (e.g. /usr) from an
// installation.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>
#include <cstdio>

namespace {

// The value of `key` in the [Desktop Entry] group of a .desktop file.
QString DesktopValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const bool installed = argc > 2;
    const QString base =
        installed ? QString::fromLocal8Bit(argv[2]) + "/share" : QStringLiteral(QUINTARO_BUILD_DIR);

    const QString entries = base + (installed ? "/applications" : "/desktop");
    const QStringList found = QDir(entries).entryList({"*quintaro*.desktop"}, QDir::Files);
    if (found.isEmpty()) {
        std::fprintf(stderr, "no quintaro .desktop file in %s\n", qPrintable(entries));
        return 1;
    }
    const QString entry = QDir(entries).filePath(found.first());
    const QString name = DesktopValue(entry, "Name");
    const QString iconName = DesktopValue(entry, "Icon");
    const QString iconFile = base + "/icons/hicolor/48x48/apps/" + iconName + ".png";
    const QPixmap icon(iconFile);
    if (icon.isNull() || icon.size() != QSize(48, 48)) {
        std::fprintf(stderr, "no 48x48 icon at %s\n", qPrintable(iconFile));
        return 1;
    }

    QWidget desktop;
    auto* layout = new QHBoxLayout(&desktop);
    for (const char* background : {"#e8e8e8", "#2e3440"}) {
        auto* view = new QListWidget;
        view->setViewMode(QListView::IconMode);
        view->setIconSize(QSize(48, 48));
        view->setGridSize(QSize(96, 84));
        view->setFixedSize(100, 90);
        view->setStyleSheet(QStringLiteral("QListWidget { background: %1; color: %2; }")
                                .arg(background, background[1] == 'e' ? "black" : "white"));
        view->addItem(new QListWidgetItem(QIcon(icon), name));
        layout->addWidget(view);
    }
    desktop.show();
    const QString out = QDir(folder).filePath("quintaro-desktop-entry.png");
    if (!desktop.grab().save(out))
        return 1;
    std::printf("%s: \"%s\" with %s\n", qPrintable(out), qPrintable(name), qPrintable(iconFile));
    return 0;
}
