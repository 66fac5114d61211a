// The start-up and shutdown as a user meets them: first run, messages, the device failures, the
// settings and windows kept from one run to the next, a termination signal.
#include "startup/Main.h"
#include "startup/QuitSignals.h"
#include "support/drivers/MainWindowDriver.h"

#include <QDir>
#include <QMenu>
#include <csignal>
#include <gtest/gtest.h>

// A program folder of the test's (the project's program-name file in it) where the program is
// started as its start-up runs, closed, and started again.
class Startup : public ::testing::Test {
  protected:
    using Texts = std::vector<QString>;
    // One run of the program: its state, its messages, its MIDI port and its main window (null
    // when the start-up stopped).
    struct ProgramRun {
        AppState state;
        RecordingSink sink;
        RecordingPort* port = nullptr;
        std::unique_ptr<frmMain> window;
    };

    Startup() {
        QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                    path("QuintaroProgGM.txt"));
    }
    QString path(const QString& name = QStringLiteral("QuintaroV10.ini")) const {
        return QDir(folder.path()).filePath(name);
    }

    // Starts the program in `directory` (this folder when none); `language` is what the
    // first-run dialog answers (0 = closed unchosen). The port fails as the fields below say.
    std::unique_ptr<ProgramRun> start(int language = 2, const QString* directory = nullptr) {
        auto run = std::make_unique<ProgramRun>();
        run->state.messages.setSink(&run->sink);
        StartupHooks hooks;
        hooks.chooseLanguage = [this, language](AppState& s) {
            ++dialogShown;
            s.LanguageCode = static_cast<std::uint8_t>(language);
            s.StartAborted = language == 0;
        };
        hooks.makePort = [this, r = run.get()] {
            auto port = std::make_unique<RecordingPort>();
            port->failOn(RecordingPort::Call::Open, 1, openResult);
            port->failOn(RecordingPort::Call::Close, 1, closeResult);
            port->emptyAtOpen = emptyAtOpen;
            r->port = port.get();
            return port;
        };
        run->window = Main(run->state, directory ? *directory : folder.path(), hooks);
        return run;
    }
    // The settings file's byte at a 1-based position.
    int byteAt(int pos) const { return static_cast<std::uint8_t>(ReadFile(path()).at(pos - 1)); }
    // The main window's stored Height and Width words and its state byte, in hex.
    QByteArray mainPlacement() const {
        return ReadFile(path()).mid(RecordPos::MainHeight - 1, 5).toHex(' ');
    }

    QTemporaryDir folder;
    int dialogShown = 0;                           // language dialogs shown so far
    std::uint32_t openResult = 0, closeResult = 0; // what the port's open and close answer
    bool emptyAtOpen = false;                      // the port is a synthesizer made at its open
};

// A record cut short (a crash, a full disk) or a foreign file is no settings: the first run
// follows, and the file is kept beside the new one; closing the language dialog ends the program.
// Started in a folder removed while the terminal sat in it, the start-up stops with "Path not
// found" and writes nothing anywhere; without the program-name file, with "File not found".
TEST_F(Startup, ASpoiledFileLeadsToTheFirstRunAMissingFolderOrNameFileStopsIt) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    ASSERT_TRUE(QDir::setCurrent(path("gone")));
    ASSERT_TRUE(QDir(folder.path()).rmdir("gone"));
    const bool rootHad = QFile::exists("/QuintaroV10.ini");
    const QString current = QDir::currentPath(); // empty: the folder is gone
    auto run = start(2, &current);
    QDir::setCurrent(previous);
    // Should the start-up have written at the root, clean up after it.
    EXPECT_FALSE(!rootHad && QFile::remove("/QuintaroV10.ini")) << "written at the root";
    EXPECT_FALSE(run->window);
    EXPECT_EQ(dialogShown, 0);
    EXPECT_EQ(run->sink.texts({}), Texts{"Impossibile trovare il percorso"}) << "path not found";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1) << "only the names file";

    start(2)->window->close();
    const QByteArray whole = ReadFile(path());
    for (const QByteArray& content : {whole.left(300), QByteArray(775, 'x')}) {
        ASSERT_TRUE(WriteFile(path(), content));
        auto aborted = start(0);
        EXPECT_TRUE(!aborted->window && !aborted->port) << "the device is never opened";
        EXPECT_EQ(ReadFile(path()), content);
        auto again = start(2);
        ASSERT_TRUE(again->window);
        EXPECT_EQ(again->state.PartParams[1][PartRow::Pan], 64) << "first-run values";
        EXPECT_EQ(ReadFile(path("QuintaroV10.ini.bad")), content);
        EXPECT_EQ(ReadFile(path()).left(11), QByteArray("QuintaroV10"));
        EXPECT_EQ(byteAt(RecordPos::Language), 2);
    }
    EXPECT_EQ(dialogShown, 5);

    QFile::remove(path("QuintaroProgGM.txt"));
    auto noNames = start(2);
    EXPECT_FALSE(noNames->window);
    EXPECT_EQ(noNames->sink.texts("Opening QuintaroProgGM.txt"), Texts{"File not found"});
}

// A device that refuses to open or to close is reported and the settings are still written; a
// settings file that became a folder is reported.
TEST_F(Startup, DeviceAndSettingsFileFailuresAreReported) {
    openResult = MidiError::Allocated;
    auto refused = start(2);
    ASSERT_TRUE(refused->window);
    EXPECT_EQ(refused->sink.texts(),
              (Texts{"Output MIDI Device already in use",
                     "[title Opening MIDI out device] Output MIDI Device error"}));
    openResult = 0;
    closeResult = MidiError::Error;
    auto run = start(2);
    run->state.PartParams[4][PartRow::Volume] = 77;
    run->window->close();
    EXPECT_EQ(run->sink.texts(), Texts{"Output MIDI Device closing error"});
    EXPECT_EQ(byteAt(RecordPos::PartParam(4, PartRow::Volume)), 77);

    auto blocked = start(2);
    ASSERT_TRUE(QFile::remove(path()) && QDir(folder.path()).mkdir("QuintaroV10.ini"));
    blocked->window->close();
    ASSERT_EQ(blocked->sink.shown().size(), 2u);
    EXPECT_EQ(blocked->sink.shown()[1].title, "Opening QuintaroV10.ini");
}

// A first run stores the language with every default at once: killed before its exit (a crash, a
// power cut), it leaves a record that the next start plays as the first run did, every part at
// its channel, volume 100, centred pan and bend (a record of zeros and blanks played part 1 at
// velocity 0 and detuned the others).
TEST_F(Startup, AFirstRunKilledAfterTheLanguageDialogLeavesARecordThatPlays) {
    auto killed = start(2);
    ASSERT_TRUE(killed->window);
    emptyAtOpen = true;
    auto next = start(2);
    ASSERT_TRUE(next->window);
    EXPECT_EQ(dialogShown, 1) << "the second start reads the record";
    // Every part's state sent (its bytes are ASessionIsKeptForTheNextStart's), from a record
    // equal to what the first run held.
    EXPECT_EQ(next->port->messageLines().size(), 16u * 10);
    EXPECT_EQ(next->state.PartParams, killed->state.PartParams);
    EXPECT_EQ(next->state.MasterKbSettings, killed->state.MasterKbSettings);
}

// A first run asks the language and stores it at once. The status bar
// switch, the language, the placements and the open windows reach the next start. A synthesizer
// made at the start knows nothing: before any window loads it is given every part's stored state
// (here part 2's program 41 and its attack time 0, which no window's load sends); an external
// device is not.
TEST_F(Startup, ASessionIsKeptForTheNextStart) {
    auto run = start(1);
    ASSERT_TRUE(run->window);
    EXPECT_TRUE(run->sink.shown().empty());
    EXPECT_EQ(run->port->messageLines().size(), 0u);
    ASSERT_EQ(ReadFile(path()).size(), 775);
    EXPECT_EQ(byteAt(RecordPos::Language), 1);
    MainWindowDriver ui(*run->window);
    ui.toggleStatusBar();
    EXPECT_FALSE(ui.statusBarShown());
    ui.chooseEnglish();
    EXPECT_EQ(run->window->mnuView->title(), "&Visualizza") << "captions change at the next start";
    run->window->showNormal();
    run->window->resize(1200, 900);
    frmPart* part = ui.openPart(3);
    part->move(20, 22);
    part->resize(part->width() - 40, part->height() + 30);
    const QRect where = part->geometry();
    ui.openPart(7)->close();            // closed by hand: stays closed
    run->state.WindowRecs[18].Open = 1; // a reserved kind: reopens nothing
    run->state.PartParams.at(2).at(PartRow::ProgramNumber) = 41;
    run->window->close();
    EXPECT_EQ(byteAt(RecordPos::PartParam(1, PartRow::Channel)), 1);
    EXPECT_EQ(run->port->count(RecordingPort::Call::Close), 1);
    EXPECT_FALSE(QFile::exists(path("QuintaroV10.ini.bad"))) << "an empty file is not kept";
    EXPECT_EQ(mainPlacement(), "34 bc 46 50 00") << "900 x 1200 pixels in twips, normal";

    emptyAtOpen = true;
    auto next = start(1);
    ASSERT_TRUE(next->window);
    EXPECT_EQ(dialogShown, 1) << "the second run reads the file";
    const std::vector<std::string> sent = next->port->messageLines();
    ASSERT_EQ(sent.size(), 16u * 10);
    EXPECT_EQ(std::vector(sent.begin() + 10, sent.begin() + 14),
              (std::vector<std::string>{"c1 28", "b1 07 64", "b1 0a 40", "b1 49 00"}));
    EXPECT_EQ(next->window->mnuView->title(), "&View");
    EXPECT_FALSE(MainWindowDriver(*next->window).statusBarShown());
    EXPECT_EQ(next->window->size(), QSize(1200, 900));
    QTRY_VERIFY_WITH_TIMEOUT(next->window->PartWindow(3) != nullptr, 2000);
    QTest::qWait(30); // the other reopening timers, due at the same time, have run
    EXPECT_EQ(next->window->PartWindow(3)->geometry(), where);
    EXPECT_FALSE(next->window->mnuPart[3]->isEnabled());
    EXPECT_EQ(next->window->mdiArea()->subWindowList().size(), 1) << "part 3 alone reopened";
    next->window->showMaximized();
    next->window->close();
    EXPECT_EQ(mainPlacement(), "34 bc 46 50 02") << "maximized, the normal size kept";
}

// A termination signal reaches the program as one call on its event loop, where it can close the
// main window and so keep the settings.
TEST(QuitSignals, EachTerminationSignalBecomesOneCallOnTheEventLoop) {
    int calls = 0;
    QuitSignals quit([&calls] { ++calls; });
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) // one not handled would end the test program
        std::raise(signal);
    EXPECT_EQ(calls, 0) << "nothing runs inside the signal handler";
    QTRY_COMPARE_WITH_TIMEOUT(calls, 3, 2000);
    QTest::qWait(20);
    EXPECT_EQ(calls, 3) << "one call each";
}
