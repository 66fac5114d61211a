// The start-up and shutdown as a user meets them: first run, messages, the device failures, the
// settings and windows kept from one run to the next, a termination signal, the title-bar icons.
#include "startup/Main.h"
#include "startup/QuitSignals.h"
#include "support/Unprivileged.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/main/IconCacheStyle.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QStyleFactory>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using Texts = std::vector<QString>;

class Startup : public ::testing::Test, protected ProgramFolder {};

} // namespace

TEST_F(Startup, FirstRunAsksTheLanguageStoresItAtOnceAndEverythingAtShutdown) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    EXPECT_EQ(dialogShown, 1);
    EXPECT_TRUE(run->sink.shown().empty());
    // The language reaches the file before any window is used; the part table at shutdown.
    ASSERT_EQ(settingsBytes().size(), 775);
    EXPECT_EQ(byteAt(RecordPos::Language), 2);
    EXPECT_EQ(byteAt(RecordPos::PartParam(1, PartRow::Channel)), 0);
    run->window->close();
    EXPECT_EQ(byteAt(RecordPos::PartParam(1, PartRow::Channel)), 1);
    EXPECT_EQ(run->port->count(RecordingPort::Call::Close), 1);
    EXPECT_FALSE(QFile::exists(path("QuintaroV10.ini.bad"))) << "an empty file is not kept";

    auto second = start(1);
    ASSERT_TRUE(second->window);
    EXPECT_EQ(dialogShown, 1) << "the second run reads the file";
    EXPECT_EQ(second->state.LanguageCode, 2);
}

// A record cut short (a crash, an interrupted copy, a full disk) or a foreign file is no
// settings: the first run follows, and the file is kept beside the new one.
TEST_F(Startup, ShortOrForeignFileLeadsToTheFirstRunAndIsKeptAsBad) {
    start(2)->window->close();
    const QByteArray whole = settingsBytes();
    ASSERT_EQ(whole.size(), 775);
    int dialogs = dialogShown;
    for (const QByteArray& content : {whole.left(300), QByteArray(775, 'x')}) {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        auto aborted = start(0); // closing the dialog ends the program and leaves the file
        EXPECT_FALSE(aborted->window);
        EXPECT_EQ(aborted->port, nullptr) << "the device is never opened";
        EXPECT_EQ(settingsBytes(), content);

        auto run = start(1);
        ASSERT_TRUE(run->window);
        EXPECT_EQ(dialogShown, dialogs += 2) << "language dialog for " << content.size();
        EXPECT_TRUE(run->sink.shown().empty());
        EXPECT_EQ(run->state.PartParams[1][PartRow::Pan], 64) << "first-run values";
        EXPECT_EQ(settingsBytes("QuintaroV10.ini.bad"), content);
        EXPECT_EQ(settingsBytes().left(11), QByteArray("QuintaroV10"));
        EXPECT_EQ(byteAt(RecordPos::Language), 1);
    }
}

// Started in a folder that was removed while the terminal sat in it: no program folder, so the
// start-up stops with "Path not found" and writes nothing anywhere.
TEST_F(Startup, RemovedCurrentFolderStopsTheStartUp) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    ASSERT_TRUE(QDir::setCurrent(path("gone")));
    ASSERT_TRUE(QDir(folder.path()).rmdir("gone"));
    const bool rootHad[] = {QFile::exists("/QuintaroV10.ini"),
                            QFile::exists("/QuintaroProgGM.txt")};
    const QString current = QDir::currentPath();
    auto run = start(2, &current);
    QDir::setCurrent(previous);
    // Should the start-up have written at the root, clean up after it.
    EXPECT_FALSE(!rootHad[0] && QFile::remove("/QuintaroV10.ini")) << "written at the root";
    EXPECT_FALSE(!rootHad[1] && QFile::remove("/QuintaroProgGM.txt")) << "written at the root";

    EXPECT_FALSE(run->window);
    EXPECT_EQ(dialogShown, 0);
    EXPECT_EQ(run->sink.texts({}), Texts{"Impossibile trovare il percorso"}) << "path not found";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1) << "only the names file";
}

// A settings file the user made read-only is left as it is at shutdown, and the failure is
// reported; checked as an ordinary user, since root may write any file.
TEST_F(Startup, ReadOnlySettingsFileIsKeptAndReported) {
    auto run = start(2);
    ASSERT_TRUE(run->window);
    const QByteArray before = settingsBytes();
    run->state.PartParams[2][PartRow::Volume] = 33;
    ASSERT_TRUE(GiveToUnprivilegedUser(folder.path()));
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadOther));
    const int result = RunUnprivileged([&] {
        if (!QFileInfo(path()).isReadable())
            return 100;
        if (SaveSettings(run->state))
            return 1;
        return run->sink.texts("Opening QuintaroV10.ini") == Texts{"Disk reading error"} ? 0 : 2;
    });
    if (result == CannotDropPrivileges || result == 100)
        GTEST_SKIP() << "no ordinary user can run this test here (result " << result << ")";
    EXPECT_EQ(result, 0) << "1: written anyway, 2: not reported as a write failure";
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_EQ(QFileInfo(path()).permissions() & QFile::WriteOwner, 0);
}

TEST_F(Startup, MissingProgramNameFileStopsWithFileNotFound) {
    QFile::remove(path("QuintaroProgGM.txt"));
    auto run = start(2);
    EXPECT_FALSE(run->window);
    EXPECT_EQ(run->sink.texts("Opening QuintaroProgGM.txt"), Texts{"File not found"});
}

TEST_F(Startup, DeviceErrorsAreReportedAndTheSettingsAreStillWritten) {
    openResult = MidiError::Allocated;
    auto refused = start(2);
    ASSERT_TRUE(refused->window);
    const Texts expected{"Output MIDI Device already in use",
                         "[title Opening MIDI out device] Output MIDI Device error"};
    EXPECT_EQ(refused->sink.texts(), expected);
    EXPECT_FALSE(refused->state.midi.outputEnabled());

    openResult = 0;
    closeResult = MidiError::Error;
    auto run = start(2);
    ASSERT_TRUE(run->window);
    run->state.PartParams[4][PartRow::Volume] = 77;
    run->window->close();
    EXPECT_EQ(run->sink.texts(), Texts{"Output MIDI Device closing error"});
    EXPECT_EQ(byteAt(RecordPos::PartParam(4, PartRow::Volume)), 77);

    // The settings file turns into a folder while the program runs: the failure is reported.
    auto blocked = start(2);
    ASSERT_TRUE(blocked->window);
    ASSERT_TRUE(QFile::remove(path()) && QDir(folder.path()).mkdir("QuintaroV10.ini"));
    blocked->window->close();
    ASSERT_EQ(blocked->sink.shown().size(), 2u);
    EXPECT_EQ(blocked->sink.shown()[1].title, "Opening QuintaroV10.ini");
}

// The status bar switch, the language, the placements and the open windows reach the next start;
// the Window menu lists the open windows and brings the one picked to the front.
TEST_F(Startup, StatusBarLanguagePlacementsAndOpenWindowsReachTheNextStart) {
    auto run = start(1);
    ASSERT_TRUE(run->window);
    MainWindowDriver ui(*run->window);
    EXPECT_TRUE(ui.statusBarShown());
    ui.toggleStatusBar();
    EXPECT_FALSE(ui.statusBarShown());
    ui.chooseLanguage(2);
    ui.chooseLanguage(2); // the language in use: nothing happens
    EXPECT_EQ(run->sink.texts("Cambio lingua"),
              Texts{"Il cambio avrà effetto alla prossima esecuzione del programma"});
    EXPECT_EQ(ui.viewMenuTitle(), "&Visualizza") << "captions change only at the next start";
    run->window->showNormal();
    run->window->resize(1200, 900);
    frmPart* part = ui.openPart(3);
    ASSERT_TRUE(part);
    part->move(20, 22);
    part->resize(part->width() - 40, part->height() + 30);
    const QRect where = part->geometry();
    frmPart* seven = ui.openPart(7);
    ASSERT_TRUE(seven);
    seven->close();                     // closed by hand: stays closed
    run->state.WindowRecs[18].Open = 1; // a reserved kind: reopens nothing
    run->window->close();
    EXPECT_EQ(byteAt(RecordPos::MainState), 0) << "normal state";
    EXPECT_EQ(wordAt(RecordPos::MainHeight), 900 * 15);
    EXPECT_EQ(wordAt(RecordPos::MainWidth), 1200 * 15);

    auto next = start(1);
    ASSERT_TRUE(next->window);
    MainWindowDriver again(*next->window);
    EXPECT_EQ(again.viewMenuTitle(), "&View");
    EXPECT_FALSE(again.statusBarChecked());
    EXPECT_FALSE(again.statusBarShown());
    EXPECT_EQ(next->window->size(), QSize(1200, 900));
    QTRY_VERIFY_WITH_TIMEOUT(next->window->PartWindow(3) != nullptr, 2000);
    QTest::qWait(30);
    EXPECT_FALSE(next->state.restoringWindows());
    EXPECT_EQ(next->window->PartWindow(3)->geometry(), where);
    EXPECT_FALSE(again.partMenuItemEnabled(3));
    EXPECT_TRUE(again.windowMenuEnabled());
    again.openPart(5);
    EXPECT_EQ(again.windowMenu(), (QStringList{"&Cascade", "-", "&1 Part  3", "&2 Part  5*"}));
    again.pickFromWindowMenu(2);
    EXPECT_EQ(next->window->mdiArea()->activeSubWindow(), next->window->PartWindow(3));
    EXPECT_EQ(next->state.currentPart(), 3);
    next->window->PartWindow(5)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(again.windowMenu(), (QStringList{"&Cascade", "-", "&1 Part  3*"}));
    next->window->showMaximized();
    next->window->close();
    EXPECT_EQ(byteAt(RecordPos::MainState), 2) << "maximized";
    EXPECT_EQ(wordAt(RecordPos::MainWidth), 1200 * 15) << "the normal size is kept";
}

// A synthesizer made at the start knows nothing: before any window loads it is given every
// part's stored state (here part 2's program 41 and its attack time 0, which no window's load
// sends); an external device gets only what the windows' loads send.
TEST_F(Startup, ADeviceThatStartsEmptyGetsEveryStoredStateAtOnce) {
    auto first = start(2);
    first->state.PartParams.at(2).at(PartRow::ProgramFlag) = 1;
    first->state.PartParams.at(2).at(PartRow::ProgramNumber) = 41;
    first->window->close();
    for (const bool empty : {true, false}) {
        emptyAtOpen = empty;
        auto run = start(2);
        const std::vector<std::string> sent = run->port->messageLines();
        const auto has = [&sent](const char* line) {
            return std::find(sent.begin(), sent.end(), line) != sent.end();
        };
        EXPECT_EQ(has("c1 28"), empty);
        EXPECT_EQ(has("b1 49 00"), empty);
        EXPECT_EQ(sent.size(), empty ? 16u * 10 : 0u);
        run->window->close();
    }
}

// A termination signal reaches the program as one call on its event loop, where it can close the
// main window and so keep the settings.
TEST(QuitSignals, EachTerminationSignalBecomesOneCallOnTheEventLoop) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        int calls = 0;
        QuitSignals quit([&calls] { ++calls; });
        ASSERT_TRUE(quit.installed());
        std::raise(signal);
        EXPECT_EQ(calls, 0) << "nothing runs inside the signal handler";
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 2000);
        QTest::qWait(20);
        EXPECT_EQ(calls, 1) << "signal " << signal;
    }
}

// The style the start-up installs hands out each title-bar icon read once, and the same picture
// as the style it wraps; the icons it does not keep still come from that style.
TEST(IconCacheStyle, TitleBarIconsAreTheWrappedStylesReadOnce) {
    const QString key = QApplication::style()->name();
    IconCacheStyle cached(key);
    std::unique_ptr<QStyle> plain(QStyleFactory::create(key));
    auto image = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
    for (int sp = QStyle::SP_TitleBarMenuButton; sp <= int(QStyle::SP_TitleBarContextHelpButton);
         ++sp) {
        const auto kind = static_cast<QStyle::StandardPixmap>(sp);
        const QIcon first = cached.standardIcon(kind);
        EXPECT_EQ(image(first), image(plain->standardIcon(kind))) << sp;
        EXPECT_EQ(cached.standardIcon(kind).cacheKey(), first.cacheKey()) << sp;
    }
    EXPECT_NE(image(cached.standardIcon(QStyle::SP_TitleBarCloseButton)),
              image(cached.standardIcon(QStyle::SP_TitleBarMinButton)));
    EXPECT_EQ(image(cached.standardIcon(QStyle::SP_DirIcon)),
              image(plain->standardIcon(QStyle::SP_DirIcon)));
}
