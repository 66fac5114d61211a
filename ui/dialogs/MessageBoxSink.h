#pragma once

#include "app/strings/Messages.h"

// The program's message sink: a modal warning box with one OK button.
class MessageBoxSink : public MessageSink {
  public:
    void show(const QString& text, const QString& title) override;
};
