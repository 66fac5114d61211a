#pragma once

#include <QDir>
#include <QTemporaryDir>

// A temporary folder for the whole run, in memory when /dev/shm exists (some targets write a file
// for every input). It is removed when the run ends; a run stopped by a finding leaves it behind.
inline QTemporaryDir& RunFolder() {
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/quintaro-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/quintaro-fuzz-XXXXXX"));
    return folder;
}
