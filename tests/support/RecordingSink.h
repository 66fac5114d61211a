#pragma once

#include "app/strings/Messages.h"
#include "app/strings/StringTable.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

// Records every message box instead of showing it: a test never blocks on a dialog.
class RecordingSink : public MessageSink {
  public:
    struct Shown {
        QString text;
        QString title;
    };
    // Set: each message runs the event loop while it is up, as a modal box does.
    bool runsEventLoop = false;

    void show(const QString& text, const QString& title) override {
        shown_.push_back({text, title});
        // Up for 50 ms: timers due meanwhile and queued input run inside it.
        for (QDeadlineTimer up(runsEventLoop ? 50 : 0); !up.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // What was shown, once the messages that wait for the event loop (device errors) are out:
    // the queued calls run as the event loop would run them after the test's action returned.
    const std::vector<Shown>& shown() const {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        return shown_;
    }
    // What was shown so far, without letting waiting messages out.
    const std::vector<Shown>& shownSoFar() const { return shown_; }

    // The texts shown, in order; every title is checked against `title`.
    std::vector<QString> texts(const QString& title = ProductTitle) const {
        std::vector<QString> all;
        for (const Shown& s : shown())
            all.push_back(s.title == title ? s.text : "[title " + s.title + "] " + s.text);
        return all;
    }

  private:
    std::vector<Shown> shown_;
};
