#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

// Answers Qt's file dialogs while `poll` runs: at each tick, a dialog up gets `name` (a name
// without suffix, or a path) in its name field and is accepted as its Open or Save button does;
// again until it has closed (a directory still loading can hold up the first acceptance).
inline void AnswerFileDialogs(QTimer& poll, const QString& name) {
    poll.callOnTimeout([name] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(window); dialog && dialog->isVisible()) {
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
                QMetaObject::invokeMethod(dialog, "accept");
            }
    });
    poll.start(20);
}
