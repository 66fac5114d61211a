#include "ui/dialogs/MessageBoxSink.h"

#include <QMessageBox>

void MessageBoxSink::show(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box.exec();
}
