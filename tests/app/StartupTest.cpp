// The start-up and shutdown as a user meets them: first run, messages in both languages, the
// device failures, and the settings kept from one run to the next.
#include "app/Main.h"
#include "app/SettingsFile.h"
#include "app/strings/StringTable.h"
#include "support/RecordingPort.h"
#include "support/RecordingSink.h"
#include "support/Unprivileged.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

// One run of the program in a temporary program folder.
struct ProgramRun {
    AppState state;
    RecordingSink sink;
    RecordingPort* port = nullptr;
    std::unique_ptr<frmMain> window;
};

class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        copyNamesFile();
    }

    void copyNamesFile() {
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                                path("QuintaroProgGM.txt")));
    }
    QString path(const QString& name) const { return QDir(folder.path()).filePath(name); }

    // Starts the program; `language` is what the first-run dialog answers (0 = closed unchosen).
    // `directory` is the current directory the program starts in (the test's folder unless set).
    std::unique_ptr<ProgramRun> start(int language = 2,
                                      const std::optional<QString>& directory = {}) {
        auto run = std::make_unique<ProgramRun>();
        run->state.messages.setSink(&run->sink);
        StartupHooks hooks;
        hooks.chooseLanguage = [this, language](AppState& s) {
            ++dialogShown;
            if (language == 0)
                s.StartAborted = true;
            else
                s.LanguageCode = static_cast<std::uint8_t>(language);
        };
        hooks.makePort = [this, r = run.get()] {
            auto port = std::make_unique<RecordingPort>();
            port->devices = devices;
            if (openResult != 0)
                port->failOn(RecordingPort::Call::Open, 1, openResult);
            if (closeResult != 0)
                port->failOn(RecordingPort::Call::Close, 1, closeResult);
            r->port = port.get();
            return port;
        };
        run->window = Main(run->state, directory.value_or(folder.path()), hooks);
        return run;
    }

    QByteArray settingsBytes(const QString& name = QStringLiteral("QuintaroV10.ini")) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeSettings(const QByteArray& bytes) {
        QFile file(path("QuintaroV10.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir folder;
    int dialogShown = 0;
    int devices = 1;
    std::uint32_t openResult = 0;
    std::uint32_t closeResult = 0;
};

// The byte at 1-based position `pos` of a settings file's contents.
int Byte(const QByteArray& bytes, int pos) {
    return static_cast<std::uint8_t>(bytes.at(pos - 1));
}

std::vector<std::pair<QString, QString>> shown(const ProgramRun& run) {
    std::vector<std::pair<QString, QString>> out;
    for (const auto& m : run.sink.shown)
        out.emplace_back(m.text, m.title);
    return out;
}

} // namespace

TEST_F(Startup, FirstRunAsksTheLanguageStoresItAtOnceAndEverythingAtShutdown) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    EXPECT_EQ(dialogShown, 1);
    EXPECT_TRUE(run->sink.shown.empty());
    EXPECT_EQ(run->state.LanguageBase, 200);
    EXPECT_EQ(run->state.SettingsFile, path("QuintaroV10.ini"));

    // The language reaches the file before any window is used.
    QByteArray bytes = settingsBytes();
    ASSERT_EQ(bytes.size(), 775);
    EXPECT_EQ(bytes.left(11), QByteArray("QuintaroV10"));
    EXPECT_EQ(Byte(bytes, RecordPos::Language), 2);
    EXPECT_EQ(Byte(bytes, RecordPos::PartParam(1, PartRow::Channel)), 0)
        << "part table not written before shutdown";

    run->window->close();
    bytes = settingsBytes();
    ASSERT_EQ(bytes.size(), 775);
    EXPECT_EQ(Byte(bytes, RecordPos::Language), 2);
    EXPECT_EQ(Byte(bytes, RecordPos::Flag23), 0);
    EXPECT_EQ(Byte(bytes, RecordPos::StatusBar), 1);
    EXPECT_EQ(Byte(bytes, RecordPos::PartParam(1, PartRow::Channel)), 1) << "part 1 on channel 1";
    EXPECT_EQ(Byte(bytes, RecordPos::PartParam(1, PartRow::Volume)), 100) << "part 1 volume";
    EXPECT_EQ(run->port->count(RecordingPort::Call::Close), 1);

    // The second run reads the file: no dialog.
    auto second = start(1);
    ASSERT_TRUE(second->window);
    EXPECT_EQ(dialogShown, 1);
    EXPECT_EQ(second->state.LanguageCode, 2);
}

TEST_F(Startup, LanguageDialogClosedEndsTheProgramAndWritesNothing) {
    auto run = start(0);
    EXPECT_FALSE(run->window);
    EXPECT_TRUE(run->sink.shown.empty());
    EXPECT_EQ(settingsBytes().size(), 0);
    EXPECT_EQ(run->port, nullptr) << "the device is never opened";
    EXPECT_FALSE(QFile::exists(path("QuintaroV10.ini.bad"))) << "an empty file is not kept";
}

// A record cut short (a crash, an interrupted copy, a full disk) or a foreign file is no
// settings: the first run follows, and the file is kept beside the new one.
TEST_F(Startup, ShortOrForeignFileLeadsToTheFirstRunAndIsKeptAsBad) {
    auto first = start(2);
    ASSERT_TRUE(first->window);
    first->window->close();
    const QByteArray whole = settingsBytes();
    ASSERT_EQ(whole.size(), 775);

    const QByteArray cut = whole.left(300);
    const QByteArray foreign(775, 'x');
    int dialogs = dialogShown;
    for (const QByteArray& content : {cut, foreign}) {
        writeSettings(content);
        auto aborted = start(0); // closing the dialog leaves the file as it was
        EXPECT_EQ(dialogShown, ++dialogs);
        EXPECT_EQ(settingsBytes(), content);

        auto run = start(1);
        ASSERT_TRUE(run->window);
        EXPECT_EQ(dialogShown, ++dialogs) << "language dialog for " << content.size() << " bytes";
        EXPECT_TRUE(run->sink.shown.empty());
        EXPECT_EQ(run->state.PartParams[1][PartRow::Pan], 64) << "first-run values";
        EXPECT_EQ(settingsBytes("QuintaroV10.ini.bad"), content);
        const QByteArray fresh = settingsBytes();
        ASSERT_EQ(fresh.size(), 775);
        EXPECT_EQ(fresh.left(11), QByteArray("QuintaroV10"));
        EXPECT_EQ(Byte(fresh, RecordPos::Language), 1);
    }
    // A whole record is read as it is: no dialog, and the kept file stays as it was.
    writeSettings(whole);
    auto again = start(1);
    ASSERT_TRUE(again->window);
    EXPECT_EQ(dialogShown, dialogs);
    EXPECT_EQ(again->state.LanguageCode, 2);
    EXPECT_EQ(settingsBytes("QuintaroV10.ini.bad"), foreign);
}

// Started in a folder that was removed while the terminal sat in it: no program folder, so the
// start-up stops with "Path not found" and writes nothing anywhere.
TEST_F(Startup, RemovedCurrentFolderStopsTheStartUp) {
    const QString previous = QDir::currentPath();
    const QString gone = path("gone");
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    ASSERT_TRUE(QDir::setCurrent(gone));
    ASSERT_TRUE(QDir(folder.path()).rmdir("gone"));
    const bool rootHadSettings = QFile::exists("/QuintaroV10.ini");
    const bool rootHadNames = QFile::exists("/QuintaroProgGM.txt");
    auto run = start(2, QDir::currentPath());
    QDir::setCurrent(previous);
    // Should the start-up have written at the root, clean up after it.
    const bool wroteSettings = !rootHadSettings && QFile::remove("/QuintaroV10.ini");
    const bool wroteNames = !rootHadNames && QFile::remove("/QuintaroProgGM.txt");

    EXPECT_FALSE(run->window);
    EXPECT_EQ(dialogShown, 0);
    ASSERT_EQ(run->sink.shown.size(), 1u);
    EXPECT_EQ(run->sink.shown[0].text, "Impossibile trovare il percorso") << "path not found";
    EXPECT_FALSE(wroteSettings || wroteNames) << "files written at the root";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1) << "only the names file";
    EXPECT_EQ(run->port, nullptr);
}

// A settings file the user made read-only is left as it is at shutdown, and the failure is
// reported; checked as an ordinary user, since root may write any file.
TEST_F(Startup, ReadOnlySettingsFileIsKeptAndReported) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    const QByteArray before = settingsBytes();
    run->state.PartParams[2][PartRow::Volume] = 33;
    ASSERT_TRUE(GiveToUnprivilegedUser(folder.path()));
    ASSERT_TRUE(QFile::setPermissions(path("QuintaroV10.ini"),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const int result = RunUnprivileged([&] {
        if (!QFileInfo(path("QuintaroV10.ini")).isReadable())
            return 100;
        if (SaveSettings(run->state))
            return 1;
        const auto& shown = run->sink.shown;
        return shown.size() == 1 && shown[0].title == "Opening QuintaroV10.ini" &&
                       shown[0].text == "Disk reading error"
                   ? 0
                   : 2;
    });
    if (result == CannotDropPrivileges || result == 100)
        GTEST_SKIP() << "no ordinary user can run this test here (result " << result << ")";
    EXPECT_EQ(result, 0) << "1: written anyway, 2: not reported as a write failure";
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_EQ(QFileInfo(path("QuintaroV10.ini")).permissions() & QFile::WriteOwner, 0);
}

TEST_F(Startup, MissingProgramNameFileStopsWithFileNotFoundInTheChosenLanguage) {
    QFile::remove(path("QuintaroProgGM.txt"));
    auto english = start(2);
    EXPECT_FALSE(english->window);
    ASSERT_EQ(english->sink.shown.size(), 1u);
    EXPECT_EQ(english->sink.shown[0].text, "File not found");
    EXPECT_EQ(english->sink.shown[0].title, "Opening QuintaroProgGM.txt");
    EXPECT_TRUE(QFile::exists(path("QuintaroProgGM.txt"))) << "the empty file stays on disk";

    QFile::remove(path("QuintaroV10.ini"));
    auto italian = start(1);
    EXPECT_FALSE(italian->window);
    ASSERT_EQ(italian->sink.shown.size(), 1u);
    EXPECT_EQ(italian->sink.shown[0].text, "File assente");
    EXPECT_EQ(italian->sink.shown[0].title, "Apertura di QuintaroProgGM.txt");
}

TEST_F(Startup, NoDeviceShowsOneMessageAndRunsSilent) {
    devices = 0;
    auto run = start(2);
    ASSERT_TRUE(run->window);
    ASSERT_EQ(shown(*run).size(), 1u);
    EXPECT_EQ(run->sink.shown[0].text, "Output MIDI Device not found");
    EXPECT_EQ(run->sink.shown[0].title, ProductTitle);
    EXPECT_EQ(run->state.midi.MidiOutEnabled, 0);
    for (int i = 0; i < 20; ++i)
        run->state.midi.SendNoteOn(0, 60, 100);
    EXPECT_EQ(run->port->count(RecordingPort::Call::Short), 0);
    run->window->close();
    EXPECT_EQ(shown(*run).size(), 1u) << "no closing message with output disabled";
    EXPECT_EQ(run->port->count(RecordingPort::Call::Close), 0);
}

TEST_F(Startup, RefusedDeviceShowsBothMessagesInEachLanguage) {
    openResult = MidiError::Allocated;
    auto english = start(2);
    ASSERT_TRUE(english->window);
    const std::vector<std::pair<QString, QString>> expectedEnglish{
        {"Output MIDI Device already in use", ProductTitle},
        {"Output MIDI Device error", "Opening MIDI out device"}};
    EXPECT_EQ(shown(*english), expectedEnglish);
    EXPECT_EQ(english->state.midi.MidiOutEnabled, 0);
    english->window->close();
    EXPECT_EQ(english->port->count(RecordingPort::Call::Close), 0);

    QFile::remove(path("QuintaroV10.ini"));
    openResult = MidiError::Error;
    auto italian = start(1);
    ASSERT_TRUE(italian->window);
    const std::vector<std::pair<QString, QString>> expectedItalian{
        {"Errore Dispositivo MIDI di uscita", ProductTitle},
        {"Errore Dispositivo MIDI di uscita", "Apertura dispositivo MIDI di uscita"}};
    EXPECT_EQ(shown(*italian), expectedItalian);
}

TEST_F(Startup, ClosingErrorIsReportedAndTheSettingsAreStillWritten) {
    closeResult = MidiError::Error;
    auto run = start(2);
    ASSERT_TRUE(run->window);
    run->state.PartParams[4][PartRow::Volume] = 77;
    run->window->close();
    const std::vector<std::pair<QString, QString>> expected{
        {"Output MIDI Device closing error", ProductTitle}};
    EXPECT_EQ(shown(*run), expected);
    EXPECT_EQ(run->state.midi.MidiOutOpen, 1);
    EXPECT_EQ(settingsBytes().at(RecordPos::PartParam(4, PartRow::Volume) - 1), 77);
}

TEST_F(Startup, SettingsThatCannotBeWrittenAreReportedNotLost) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    // The settings file turns into a folder while the program runs: it can be neither read
    // nor replaced.
    ASSERT_TRUE(QFile::remove(path("QuintaroV10.ini")));
    ASSERT_TRUE(QDir(folder.path()).mkdir("QuintaroV10.ini"));
    run->window->close();
    ASSERT_EQ(run->sink.shown.size(), 1u);
    EXPECT_EQ(run->sink.shown[0].title, "Opening QuintaroV10.ini");
    EXPECT_FALSE(run->sink.shown[0].text.isEmpty());
}

TEST_F(Startup, StatusBarAndLanguageChangesReachTheNextStart) {
    auto run = start(1);
    ASSERT_TRUE(run->window);
    frmMain& w = *run->window;
    EXPECT_EQ(w.mnuFile->title(), "&File");
    EXPECT_EQ(w.mnuView->title(), "&Visualizza");
    EXPECT_TRUE(w.mnuVisBarraStato->isChecked());

    w.mnuVisBarraStato->trigger();
    EXPECT_FALSE(w.Picture1->isVisible());
    EXPECT_FALSE(w.mnuVisBarraStato->isChecked());

    w.mnuInglese->trigger();
    ASSERT_EQ(run->sink.shown.size(), 1u);
    EXPECT_EQ(run->sink.shown[0].text,
              "Il cambio avrà effetto alla prossima esecuzione del programma");
    EXPECT_EQ(run->sink.shown[0].title, "Cambio lingua");
    EXPECT_TRUE(w.mnuInglese->isChecked());
    EXPECT_FALSE(w.mnuItaliano->isChecked());
    EXPECT_EQ(w.mnuView->title(), "&Visualizza") << "captions change only at the next start";

    w.mnuInglese->trigger(); // the language in use: nothing happens
    EXPECT_EQ(run->sink.shown.size(), 1u);
    EXPECT_TRUE(w.mnuInglese->isChecked());
    w.close();

    auto next = start(1);
    ASSERT_TRUE(next->window);
    EXPECT_EQ(next->window->mnuView->title(), "&View");
    EXPECT_FALSE(next->window->mnuVisBarraStato->isChecked());
    EXPECT_FALSE(next->window->Picture1->isVisibleTo(next->window.get()));
}

TEST_F(Startup, MainWindowPlacementIsKeptAndMaximizedKeepsTheNormalSize) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    run->window->showNormal();
    run->window->resize(600, 400);
    run->window->close();
    QByteArray bytes = settingsBytes();
    auto word = [&](int pos) { return Byte(bytes, pos) * 256 + Byte(bytes, pos + 1); };
    EXPECT_EQ(Byte(bytes, RecordPos::MainState), 0) << "normal state";
    EXPECT_EQ(word(RecordPos::MainHeight), 400 * 15);
    EXPECT_EQ(word(RecordPos::MainWidth), 600 * 15);

    auto second = start(2);
    ASSERT_TRUE(second->window);
    EXPECT_EQ(second->window->size(), QSize(600, 400));
    second->window->showMaximized();
    second->window->close();
    bytes = settingsBytes();
    EXPECT_EQ(Byte(bytes, RecordPos::MainState), 2) << "maximized";
    EXPECT_EQ(word(RecordPos::MainHeight), 400 * 15) << "the normal size is kept";
    EXPECT_EQ(word(RecordPos::MainWidth), 600 * 15);
}

TEST_F(Startup, PartWindowOpenAtExitReopensWhereItWasAfterARestart) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    run->window->resize(1200, 900);
    run->window->mnuPart_Click(3);
    frmPart* part = run->window->PartWindow(3);
    ASSERT_TRUE(part);
    part->move(20, 22);
    part->resize(part->width() - 40, part->height() + 30);
    const QRect where = part->geometry();
    run->window->mnuPart_Click(7);
    ASSERT_TRUE(run->window->PartWindow(7));
    run->window->PartWindow(7)->close(); // closed by hand: stays closed
    run->window->close();

    auto next = start(2);
    ASSERT_TRUE(next->window);
    next->window->resize(1200, 900);
    QTRY_VERIFY_WITH_TIMEOUT(next->window->PartWindow(3) != nullptr, 2000);
    EXPECT_EQ(next->window->PartWindow(3)->geometry(), where);
    EXPECT_FALSE(next->window->PartWindow(7));
    EXPECT_FALSE(next->window->mnuPart[3]->isEnabled());
    EXPECT_TRUE(next->window->mnuPart[7]->isEnabled());
}
