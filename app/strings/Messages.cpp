#include "app/strings/Messages.h"

#include "app/strings/StringTable.h"

#include <QCoreApplication>
#include <cerrno>

FileErrorKind ClassifyFileError(int errnoValue) {
    switch (errnoValue) {
    case EIO:
        return FileErrorKind::DeviceIO;
    // "Disk not ready or not formatted": the device or its medium is not there or cannot be used
    // as a disk. A read-only file system (EROFS) or a busy device (EBUSY) is a different trouble
    // and falls under the generic message.
    case ENXIO:  // no such device or address: the device behind the path is absent
    case ENODEV: // no such device: the file system's device is gone
#ifdef ENOMEDIUM
    case ENOMEDIUM: // no medium in the drive
#endif
#ifdef EMEDIUMTYPE
    case EMEDIUMTYPE: // a medium the system cannot read: not formatted for it
#endif
        return FileErrorKind::DiskNotReady;
    case ENOENT:
    case ENOTDIR:
        return FileErrorKind::PathNotFound;
    default:
        return FileErrorKind::Other;
    }
}

int MessageEntry(int number) {
    switch (number) {
    case 18:
        return 27; // disk reading error
    case 20:
        return 18; // output device already in use
    case 21:
        return 19; // output device error
    case 22:
        return 20; // output device not found
    case 23:
        return 21; // output device closing error
    case 24:
        return 66; // the language changes at the next start
    case 27:
        return 15; // file not found
    case 28:
        return 26; // disk not ready or not formatted
    case 30:
        return 110; // path not found
    case 31:
        return 112; // device input/output error
    default:
        return 0;
    }
}

QString InsertIntoMessage(const QString& text, const QString& insert) {
    const auto at = text.indexOf(u'_');
    if (at < 0)
        return text;
    return text.left(at) + insert + text.mid(at + 1);
}

Messages::Messages(const int& languageBase)
    : languageBase_(languageBase), context_(std::make_unique<QObject>()) {}

Messages::~Messages() = default;

void Messages::ShowMessageLater(int number, const QString& title) {
    pending_.push_back({number, title});
    if (showScheduled_ || QCoreApplication::instance() == nullptr)
        return;
    showScheduled_ = true;
    QMetaObject::invokeMethod(
        context_.get(), [this] { ShowPendingMessages(); }, Qt::QueuedConnection);
}

void Messages::ShowPendingMessages() {
    showScheduled_ = false;
    // A box shown here may let another message be asked for: it waits for the next call.
    std::vector<Pending> due;
    due.swap(pending_);
    for (const Pending& message : due)
        ShowMessage(message.number, message.title);
}

void Messages::ShowMessage(int number, const QString& title, const QString& insert) {
    const int entry = MessageEntry(number);
    if (entry == 0 || sink_ == nullptr)
        return;
    const QString text = InsertIntoMessage(LoadResString(languageBase_ + entry), insert);
    sink_->show(text, title);
}

void Messages::ReportFileError(const QString& title, int errnoValue) {
    int number = 18;
    switch (ClassifyFileError(errnoValue)) {
    case FileErrorKind::DeviceIO:
        number = 31;
        break;
    case FileErrorKind::DiskNotReady:
        number = 28;
        break;
    case FileErrorKind::PathNotFound:
        number = 30;
        break;
    case FileErrorKind::Other:
        number = 18;
        break;
    }
    ShowMessage(number, title, QString());
}
