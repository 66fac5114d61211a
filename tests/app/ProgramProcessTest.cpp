// The program as a process: started in its folder, ended by a termination signal, it still
// writes its settings, as when its main window is closed.
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(ProgramProcess, TerminationSignalEndsTheRunAndKeepsTheSettings) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir dir(folder.path());
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                            dir.filePath("QuintaroProgGM.txt")));
    // A record from an earlier run (English, so no dialog) whose part table is all zero: the run
    // reads part 1's channel as 1, and only the shutdown's write puts that into the file.
    const SettingsRecord first = FirstRunRecord(2);
    QFile settings(dir.filePath("QuintaroV10.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(reinterpret_cast<const char*>(first.data()), first.size());
    settings.close();

    QProcess program;
    program.setWorkingDirectory(folder.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QUINTARO_MIDI_OUT", "capture:" + dir.filePath("capture.txt"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUINTARO_BUILD_DIR "/quintaro"), {});
    ASSERT_TRUE(program.waitForStarted(5000));

    // The capture file appears when the output opens, while the start-up runs; the signal is
    // taken up as soon as the main window's events run.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("capture.txt")), 20000);
    program.terminate(); // SIGTERM
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray bytes = settings.readAll();
    ASSERT_EQ(bytes.size(), SettingsRecordLength);
    EXPECT_EQ(bytes.at(RecordPos::Language - 1), 2) << "language";
    EXPECT_EQ(bytes.at(RecordPos::PartParam(1, PartRow::Channel) - 1), 1)
        << "part 1 channel, written at shutdown";
}
