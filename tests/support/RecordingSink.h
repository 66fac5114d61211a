#pragma once

#include "app/strings/Messages.h"

#include <QString>
#include <vector>

// Records every message box instead of showing it: a test never blocks on a dialog.
class RecordingSink : public MessageSink {
  public:
    struct Shown {
        QString text;
        QString title;
    };
    void show(const QString& text, const QString& title) override { shown.push_back({text, title}); }
    std::vector<Shown> shown;
};
