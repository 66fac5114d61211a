#pragma once

#include "app/Settings.h"

#include <QString>
#include <system_error>
#include <vector>

// File access around the settings codec. Errors come back as std::error_code holding the errno
// value, so that ReportFileError can tell its four kinds apart.

// Reads the whole settings file (at most one record). A missing file is created empty and read
// as empty, as the fixed-record open does. Returns the bytes read; `error` is set on failure.
std::vector<std::uint8_t> ReadSettingsFile(const QString& path, std::error_code& error);

// Replaces the file with `record` atomically: a new file in the same folder, flushed, then
// renamed over the old one. When no new file can be made in the folder, the existing file is
// overwritten in place and flushed instead. A file the user may not write is left alone and
// reported (EACCES). Returns false with `error` set when the record could not be written; the old
// file is then left as it was.
bool WriteSettingsFile(const QString& path, const SettingsRecord& record, std::error_code& error);

// The same two steps for any file the program keeps: reading at most `maxBytes` from its start
// (a missing file is created empty), and replacing it with `size` bytes as WriteSettingsFile
// replaces the settings record.
std::vector<std::uint8_t> ReadFileHead(const QString& path, std::size_t maxBytes,
                                       std::error_code& error);
bool WriteWholeFile(const QString& path, const std::uint8_t* data, std::size_t size,
                    std::error_code& error);

// Keeps a copy of the file as `path` + ".bad" (replacing an older copy) before a first run
// overwrites a file it cannot read as settings. An empty or missing file needs no copy. Returns
// false with `error` set when the copy could not be made.
bool KeepUnreadableSettingsFile(const QString& path, std::error_code& error);
