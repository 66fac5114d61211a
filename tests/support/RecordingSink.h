#pragma once

#include "app/strings/Messages.h"
#include "app/strings/StringTable.h"

#include <QString>
#include <vector>

// Records every message box instead of showing it: a test never blocks on a dialog.
class RecordingSink : public MessageSink {
  public:
    struct Shown {
        QString text;
        QString title;
    };
    void show(const QString& text, const QString& title) override {
        shown.push_back({text, title});
    }
    std::vector<Shown> shown;

    // The texts shown, in order; every title is checked against `title`.
    std::vector<QString> texts(const QString& title = ProductTitle) const {
        std::vector<QString> all;
        for (const Shown& s : shown)
            all.push_back(s.title == title ? s.text
                                           : QStringLiteral("[title %1] %2").arg(s.title, s.text));
        return all;
    }
};
