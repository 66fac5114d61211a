// The settings record byte by byte, and the file that holds it.
#include "app/SettingsFile.h"
#include "support/TestState.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

namespace {

using namespace RecordPos;

// Puts the bytes of `hex` ("01 3e 80") into r from position pos on.
void Put(SettingsRecord& r, int pos, const char* hex) {
    for (const QByteArray& byte : QByteArray(hex).split(' '))
        RecordByte(r, pos++) = static_cast<std::uint8_t>(byte.toUInt(nullptr, 16));
}
// The record a first run leaves when the program is closed at once, in Italian.
SettingsRecord FirstRunFile(SettingsTables& t) {
    ApplyFirstRunDefaults(t);
    t.LanguageCode = 1;
    return EncodeSettings(FirstRunRecord(t.LanguageCode), t);
}
QByteArray Bytes(const SettingsRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(r.data()), static_cast<qsizetype>(r.size()));
}
// The n bytes of r from position pos on, as "3e 80".
std::string Hex(const SettingsRecord& r, int pos, int n) {
    return Bytes(r).mid(pos - 1, n).toHex(' ').toStdString();
}

} // namespace

TEST(SettingsRecord, FirstRunFileByteForByteAndOnlyAWholeSignedRecordReads) {
    SettingsTables t;
    const SettingsRecord r = FirstRunFile(t);
    SettingsRecord expected{};
    Put(expected, 1, "51 75 69 6e 74 61 72 6f 56 31 30"); // QuintaroV10
    Put(expected, Language, "01 00 01");
    Put(expected, MainState, "02"); // maximized; the main window's words stay 0
    // Master keyboard: channel 1 only, its eleven sliders, Click Key on, key shift 2.
    Put(expected, MasterKb(1),
        "01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "64 40 40 40 00 00 40 00 00 00 00 00 00 01 00 02");
    for (int p = 1; p <= 16; ++p) {
        Put(expected, PartParam(p, 0), "00 64 40 50 40 00 00 40 00 00 00 00 0c 02 01 00 02 01 01");
        RecordByte(expected, PartParam(p, PartRow::Channel)) = static_cast<std::uint8_t>(p);
    }
    // Window records: Top, Left (16000 up), Height, Width, Open; parts and the volume window
    // sized, the others empty.
    for (int k = 1; k <= 22; ++k)
        Put(expected, WindowRecord(k),
            k <= 16   ? "3e 80 3e 80 15 9c 24 48 00"
            : k == 19 ? "3e 80 3e 80 16 44 24 9c 00"
                      : "3e 80 3e 80 00 00 00 00 00");
    Put(expected, 774, "20 20");
    EXPECT_EQ(Hex(r, 1, SettingsRecordLength), Hex(expected, 1, SettingsRecordLength));

    std::vector<std::uint8_t> bytes(r.begin(), r.end());
    EXPECT_EQ(RecordFromFile(bytes), r);
    bytes[10] = 'x'; // a foreign signature, or one byte short
    EXPECT_FALSE(RecordFromFile(bytes) || RecordFromFile({r.begin(), r.end() - 1}));
}

TEST(SettingsRecord, ReadModifyWriteKeepsUnownedBytesReadsBadFieldsAsDefaultsAndClamps) {
    // An old file with distinctive bytes everywhere the program does not write.
    SettingsTables t;
    SettingsRecord old = FirstRunFile(t);
    for (int pos = 12; pos <= 775; ++pos)
        if (!((pos >= 22 && pos <= 24) || (pos >= 51 && pos <= 82) || (pos >= 101 && pos <= 109) ||
              (pos >= 176 && pos <= 773)))
            RecordByte(old, pos) = static_cast<std::uint8_t>(0x80 + pos % 97);
    Put(old, Flag23, "01 00");
    Put(old, MainTop, "3e f8 3e 53 1b 58 00 00 00"); // Top 120, Left -45, Height 7000, normal
    Put(old, WindowRecord(7), "3e c6 3d f4 15 9c 24 48 01");
    // {position, stored, as written back once read}: out-of-range values read as defaults, valid
    // ones are kept; an unknown language reads as English, a size beyond 32767 as the first-run
    // size, a place beyond +16000 as 0.
    using namespace PartRow;
    const auto W = [](int kind, int field) { return WindowRecord(kind) + field; };
    // clang-format off
    const std::tuple<int, const char*, const char*> fields[] = {
        {PartParam(2, Channel), "00", "02"}, {PartParam(5, Channel), "10", "10"},
        {PartParam(2, Volume), "80", "64"}, {MasterKb(17), "80", "64"},
        {PartParam(3, ProgramNumber), "81", "01"}, {PartParam(5, ProgramNumber), "80", "80"},
        {Language, "03", "02"}, {W(3, RecHeight), "80 00", "15 9c"},
        {W(5, RecTop), "7d 01", "3e 80"}, {W(8, RecOpen), "03", "00"}};
    // clang-format on
    SettingsRecord expected = old;
    for (const auto& [pos, stored, read] : fields) {
        Put(old, pos, stored);
        Put(expected, pos, read);
    }
    DecodeSettings(old, t);
    EXPECT_TRUE(t.LanguageCode == 2 && t.SettingsFlag23 && !t.StatusBarVisible);
    EXPECT_EQ(std::vector(&t.WindowExtras[1], &t.WindowExtras[4]), (std::vector{120, -45, 7000}));
    EXPECT_EQ(t.WindowRecs[7], (WindowRec{1, 70, -140, 9288, 5532}));
    // Unchanged tables give back every byte, the fields out of range as they were read.
    EXPECT_EQ(Hex(EncodeSettings(old, t), 1, 775), Hex(expected, 1, 775));

    // Changes land at their positions and nowhere else; position 21 is never rewritten.
    t.LanguageCode = 1;
    t.PartParams[3][Volume] = 17;
    t.WindowRecs[20].Height = 4896;
    t.WindowExtras[WindowExtra::Top] = -300;
    Put(expected, Language, "01");
    Put(expected, PartParam(3, Volume), "11");
    Put(expected, W(20, RecHeight), "13 20");
    Put(expected, MainTop, "3d 54");
    EXPECT_EQ(Hex(EncodeSettings(old, t), 1, 775), Hex(expected, 1, 775));
    // A maximized main window leaves the last normal placement in the file.
    t.WindowExtras[WindowExtra::State] = MainWindowState::Maximized;
    EXPECT_EQ(Hex(EncodeSettings(old, t), MainTop, 9), "3e f8 3e 53 1b 58 00 00 02");
    // A foreign record (the file replaced while the program ran) is not kept: a new one is.
    EXPECT_EQ(Hex(EncodeSettings(SettingsRecord{'x', 'x', 'x'}, t), 1, 11), Hex(old, 1, 11));

    // Positions beyond +-16000 and sizes beyond 32767 or below 0 are clamped, bytes to 0..255.
    t.WindowExtras = {0, -20000, 40000, -5, 70000, MainWindowState::Normal};
    t.WindowRecs[1] = {300, -16001, 16001, 32768, -1};
    t.MasterKbSettings[MasterKbElement::FirstSlider] = 300;
    const SettingsRecord clamped = EncodeSettings(old, t);
    EXPECT_EQ(Hex(clamped, MainTop, 8), "00 00 7d 00 00 00 7f ff");
    EXPECT_EQ(Hex(clamped, WindowRecord(1), 9), "00 00 7d 00 00 00 7f ff ff");
    EXPECT_EQ(RecordByte(clamped, MasterKb(MasterKbElement::FirstSlider)), 0xff);
}

TEST(SettingsFile, WriteReplacesTheFileWholeKeepingItsPermissionsAndLinks) {
    QTemporaryDir dir;
    const QString path = dir.filePath("QuintaroV10.ini");
    // Longer than a record: nothing of it may remain.
    ASSERT_TRUE(WriteFile(path, QByteArray(1000, 'o')));
    // rw--w-r--: a mode no usual umask gives a new file.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions(0x6624)));
    std::error_code error;
    SettingsRecord record = NewSettingsRecord();
    ASSERT_TRUE(WriteSettingsFile(path, record, error)) << error.message();
    EXPECT_EQ(ReadFile(path), Bytes(record));
    EXPECT_EQ(QDir(dir.path()).entryList({"*.tmp-*"}), QStringList());
    EXPECT_EQ(QFile::permissions(path), QFileDevice::Permissions(0x6624));
    // A link to the settings file stays a link; the file it points to is replaced.
    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(path, link));
    RecordByte(record, 22) = 1;
    ASSERT_TRUE(WriteSettingsFile(link, record, error)) << error.message();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFile(path), Bytes(record));
    // The last step fails (a folder stands where the file goes): the temporary file goes again.
    ASSERT_TRUE(QFile::remove(path) && QDir(dir.path()).mkdir("QuintaroV10.ini"));
    EXPECT_FALSE(WriteSettingsFile(path, record, error));
    EXPECT_EQ(error, std::error_code(EISDIR, std::generic_category())) << error.message();
    EXPECT_EQ(QDir(dir.path()).entryList({"*.tmp-*"}), QStringList());
}

// As an ordinary user: in a folder it may not write to, a writable file is written in place; a
// read-only file is refused there and in a writable folder, where a rename would replace it.
TEST(SettingsFile, PermissionsOfAnOrdinaryUserAreRespected) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkdir("ro") && root.mkdir("rw"));
    const QString paths[] = {root.filePath("ro/QuintaroV10.ini"), root.filePath("ro/locked.ini"),
                             root.filePath("rw/QuintaroV10.ini")};
    const QByteArray old(800, 'o'); // longer than a record: nothing of it may remain
    for (const QString& path : paths)
        ASSERT_TRUE(WriteFile(path, old));
    ASSERT_TRUE(GiveToUnprivilegedUser(dir.path()));
    ASSERT_TRUE(QFile::setPermissions(paths[1], QFile::ReadOwner) &&
                QFile::setPermissions(paths[2], QFile::ReadOwner) &&
                QFile::setPermissions(root.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner));
    const SettingsRecord record = NewSettingsRecord();
    // Each case sets its bit when it goes as it should.
    const int result = RunUnprivileged([&] {
        std::error_code error;
        int passed = WriteSettingsFile(paths[0], record, error) && !error ? 1 : 0;
        for (int i : {1, 2})
            passed |=
                !WriteSettingsFile(paths[i], record, error) && error.value() == EACCES ? 1 << i : 0;
        return passed;
    });
    QFile::setPermissions(root.filePath("ro"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (result == CannotDropPrivileges)
        GTEST_SKIP() << "no ordinary user can run this test here";
    EXPECT_EQ(result, 7) << "1: written in place, 2 and 4: a read-only file refused";
    EXPECT_EQ(ReadFile(paths[0]) + ReadFile(paths[1]) + ReadFile(paths[2]),
              Bytes(record) + old + old);
    EXPECT_EQ(QDir(root.filePath("rw")).entryList(QDir::Files), QStringList{"QuintaroV10.ini"});
}

// Started in its folder and ended by a termination signal, the program still writes its
// settings, as when its main window is closed.
TEST(ProgramProcess, TerminationSignalEndsTheRunAndKeepsTheSettings) {
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt",
                            folder.filePath("QuintaroProgGM.txt")));
    // A record from an earlier run (English, so no dialog) whose part table is all zero: the run
    // reads part 1's channel as 1, and only the shutdown's write puts that into the file.
    ASSERT_TRUE(WriteFile(folder.filePath("QuintaroV10.ini"), Bytes(FirstRunRecord(2))));
    QProcess program;
    program.setWorkingDirectory(folder.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUINTARO_MIDI_OUT", "capture:" + folder.filePath("capture.txt"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUINTARO_BUILD_DIR "/quintaro"), {});
    // The capture file appears when the output opens, while the start-up runs; the signal is
    // taken up as soon as the main window's events run.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder.filePath("capture.txt")), 20000);
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
    const QByteArray bytes = ReadFile(folder.filePath("QuintaroV10.ini"));
    EXPECT_EQ(bytes.mid(Language - 1, 1) + bytes.mid(PartParam(1, PartRow::Channel) - 1, 1),
              "\x02\x01");
}
