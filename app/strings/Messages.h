#pragma once

#include <QString>
#include <memory>
#include <vector>

class QObject;

// Where message boxes go: a modal box in the program (the user interface gives it), a recorder
// in tests.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void show(const QString& text, const QString& title) = 0;
};

// The four kinds of file error the program tells apart.
enum class FileErrorKind { DeviceIO, DiskNotReady, PathNotFound, Other };
FileErrorKind ClassifyFileError(int errnoValue);

// The string-table entry of message `number`, or 0 for a number the program does not know.
int MessageEntry(int number);

// The message text with its first "_" replaced by `insert`; a text without "_" is returned as it
// is.
QString InsertIntoMessage(const QString& text, const QString& insert);

// ShowMessage and ReportFileError, speaking the language of LanguageBase (0 or 200).
class Messages {
  public:
    explicit Messages(const int& languageBase);
    ~Messages();
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;

    void setSink(MessageSink* sink) { sink_ = sink; }

    // Shows message `number` (18, 20..24, 27, 28, 30, 31); the first "_" of its text is
    // replaced by `insert`.
    void ShowMessage(int number, const QString& title, const QString& insert = {});

    // Reports a file error by its errno value: device I/O error (31), disk not ready (28), path
    // not found (30), any other (18).
    void ReportFileError(const QString& title, int errnoValue);

    // Shows message `number` once the event loop is back, outside whatever handler asked for it:
    // a message box is a nested event loop, and timers, queued MIDI input and other windows'
    // loads would otherwise run inside a send or a load that is half done. Without an event loop
    // (no application object) it waits for ShowPendingMessages().
    void ShowMessageLater(int number, const QString& title);
    // Shows at once what ShowMessageLater() holds, in the order it came.
    void ShowPendingMessages();
    bool hasPendingMessages() const { return !pending_.empty(); }

  private:
    struct Pending {
        int number;
        QString title;
    };

    const int& languageBase_;
    MessageSink* sink_ = nullptr;
    std::vector<Pending> pending_;
    // Context of the queued call that shows the pending messages: it goes with this object, so a
    // call still queued when the messages are gone is dropped.
    std::unique_ptr<QObject> context_;
    bool showScheduled_ = false;
};
