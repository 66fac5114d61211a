#include "app/strings/Messages.h"

void MessageBoxSink::show(const QString&, const QString&) {}
FileErrorKind ClassifyFileError(int) { return FileErrorKind::Other; }
void Messages::ShowMessage(int, const QString&, const QString&) {}
void Messages::ReportFileError(const QString&, int) {}
