// The start-up and shutdown as a user meets them: first run, messages, the device failures, the
// settings and windows kept from one run to the next, a termination signal, the title-bar icons.
#include "startup/QuitSignals.h"
#include "support/Unprivileged.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/main/IconCacheStyle.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyleFactory>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using Texts = std::vector<QString>;

class Startup : public ::testing::Test, protected ProgramFolder {};

} // namespace

// A record cut short (a crash, a full disk) or a foreign file is no settings: the first run
// follows, and the file is kept beside the new one; closing the language dialog ends the program.
// Started in a folder removed while the terminal sat in it, the start-up stops with "Path not
// found" and writes nothing anywhere; without the program-name file, with "File not found".
TEST_F(Startup, ASpoiledFileLeadsToTheFirstRunAMissingFolderOrNameFileStopsIt) {
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

    start(2)->window->close();
    const QByteArray whole = settingsBytes();
    for (const QByteArray& content : {whole.left(300), QByteArray(775, 'x')}) {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        auto aborted = start(0);
        EXPECT_FALSE(aborted->window);
        EXPECT_EQ(aborted->port, nullptr) << "the device is never opened";
        EXPECT_EQ(settingsBytes(), content);
        auto again = start(2);
        ASSERT_TRUE(again->window);
        EXPECT_EQ(again->state.PartParams[1][PartRow::Pan], 64) << "first-run values";
        EXPECT_EQ(settingsBytes("QuintaroV10.ini.bad"), content);
        EXPECT_EQ(settingsBytes().left(11), QByteArray("QuintaroV10"));
        EXPECT_EQ(byteAt(RecordPos::Language), 2);
    }
    EXPECT_EQ(dialogShown, 5);

    QFile::remove(path("QuintaroProgGM.txt"));
    auto noNames = start(2);
    EXPECT_FALSE(noNames->window);
    EXPECT_EQ(noNames->sink.texts("Opening QuintaroProgGM.txt"), Texts{"File not found"});
}

// A device that refuses to open or to close is reported and the settings are still written; a
// settings file that became a folder, or that the user made read-only, is reported and left as
// it is (checked as an ordinary user, since root may write any file).
TEST_F(Startup, DeviceAndSettingsFileFailuresAreReported) {
    openResult = MidiError::Allocated;
    auto refused = start(2);
    ASSERT_TRUE(refused->window);
    EXPECT_EQ(refused->sink.texts(),
              (Texts{"Output MIDI Device already in use",
                     "[title Opening MIDI out device] Output MIDI Device error"}));
    EXPECT_FALSE(refused->state.midi.outputEnabled());
    openResult = 0;
    closeResult = MidiError::Error;
    auto run = start(2);
    ASSERT_TRUE(run->window);
    run->state.PartParams[4][PartRow::Volume] = 77;
    run->window->close();
    EXPECT_EQ(run->sink.texts(), Texts{"Output MIDI Device closing error"});
    EXPECT_EQ(byteAt(RecordPos::PartParam(4, PartRow::Volume)), 77);

    auto blocked = start(2);
    ASSERT_TRUE(blocked->window);
    ASSERT_TRUE(QFile::remove(path()) && QDir(folder.path()).mkdir("QuintaroV10.ini"));
    blocked->window->close();
    ASSERT_EQ(blocked->sink.shown().size(), 2u);
    EXPECT_EQ(blocked->sink.shown()[1].title, "Opening QuintaroV10.ini");

    ASSERT_TRUE(QDir(folder.path()).rmdir("QuintaroV10.ini"));
    auto readOnly = start(2);
    ASSERT_TRUE(readOnly->window);
    const QByteArray before = settingsBytes();
    readOnly->state.PartParams[2][PartRow::Volume] = 33;
    ASSERT_TRUE(GiveToUnprivilegedUser(folder.path()));
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadOther));
    const int result = RunUnprivileged([&] {
        if (!QFileInfo(path()).isReadable())
            return 100;
        if (SaveSettings(readOnly->state))
            return 1;
        return readOnly->sink.texts("Opening QuintaroV10.ini") == Texts{"Disk reading error"} ? 0
                                                                                              : 2;
    });
    if (result == CannotDropPrivileges || result == 100)
        GTEST_SKIP() << "no ordinary user can run the read-only check here (" << result << ")";
    EXPECT_EQ(result, 0) << "1: written anyway, 2: not reported as a write failure";
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_EQ(QFileInfo(path()).permissions() & QFile::WriteOwner, 0);
}

// A first run asks the language and stores it at once, the rest at shutdown. The status bar
// switch, the language, the placements and the open windows reach the next start; the Window menu
// lists the open windows and brings the one picked to the front. A synthesizer made at the start
// knows nothing: before any window loads it is given every part's stored state (here part 2's
// program 41 and its attack time 0, which no window's load sends); an external device is not.
TEST_F(Startup, ASessionIsKeptForTheNextStart) {
    auto run = start(1);
    ASSERT_TRUE(run->window);
    EXPECT_EQ(dialogShown, 1);
    EXPECT_TRUE(run->sink.shown().empty());
    EXPECT_EQ(run->port->messageLines().size(), 0u);
    ASSERT_EQ(settingsBytes().size(), 775);
    EXPECT_EQ(byteAt(RecordPos::Language), 1);
    EXPECT_EQ(byteAt(RecordPos::PartParam(1, PartRow::Channel)), 0);
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
    ui.openPart(7)->close();            // closed by hand: stays closed
    run->state.WindowRecs[18].Open = 1; // a reserved kind: reopens nothing
    run->state.PartParams.at(2).at(PartRow::ProgramFlag) = 1;
    run->state.PartParams.at(2).at(PartRow::ProgramNumber) = 41;
    run->window->close();
    EXPECT_EQ(byteAt(RecordPos::PartParam(1, PartRow::Channel)), 1);
    EXPECT_EQ(run->port->count(RecordingPort::Call::Close), 1);
    EXPECT_FALSE(QFile::exists(path("QuintaroV10.ini.bad"))) << "an empty file is not kept";
    EXPECT_EQ(byteAt(RecordPos::MainState), 0) << "normal state";
    EXPECT_EQ(wordAt(RecordPos::MainHeight), 900 * 15);
    EXPECT_EQ(wordAt(RecordPos::MainWidth), 1200 * 15);

    emptyAtOpen = true;
    auto next = start(1);
    ASSERT_TRUE(next->window);
    EXPECT_EQ(dialogShown, 1) << "the second run reads the file";
    const std::string sent = Joined(next->port->messageLines());
    EXPECT_NE(sent.find("c1 28, b1 07 64, b1 0a 40, b1 49 00"), std::string::npos);
    EXPECT_EQ(next->port->messageLines().size(), 16u * 10);
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
    // Fusion, built into Qt: after a start-up the application's own style is already the wrapper.
    const QString key = QStringLiteral("Fusion");
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
    EXPECT_EQ(image(cached.standardIcon(QStyle::SP_DirIcon)),
              image(plain->standardIcon(QStyle::SP_DirIcon)));
}
