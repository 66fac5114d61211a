// The main window: its status bar switch, the windows reopened at start, closing, the Window
// menu, and the style that caches the title-bar icons.
#include "ui/main/frmMain.h"
#include "startup/Main.h"
#include "support/TestState.h"
#include "ui/main/IconCacheStyle.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QStyleFactory>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

TEST(frmMain, StatusBarSwitchIsShownAndStored) {
    TestState t;
    t.state.StatusBarVisible = false;
    frmMain w(t.state, [&t] { Shutdown(t.state); });
    w.show();
    EXPECT_FALSE(w.Picture1->isVisible());
    EXPECT_FALSE(w.mnuVisBarraStato->isChecked());
    w.mnuVisBarraStato->trigger();
    EXPECT_TRUE(w.Picture1->isVisible());
    w.mnuPart_Click(5);
    w.close();
    EXPECT_TRUE(t.state.StatusBarVisible);
    // Closing the program keeps its windows open for the next start, and closes the port.
    EXPECT_TRUE(t.state.appClosing());
    EXPECT_EQ(t.state.WindowRecs[5].Open, 1);
    EXPECT_EQ(t.port->count(RecordingPort::Call::Close), 1);
}

TEST(frmMain, WindowsOpenAtTheLastExitReopen) {
    TestState t;
    t.state.WindowRecs[3].Open = 1;
    t.state.WindowRecs[18].Open = 1; // reserved kind: reopens nothing
    frmMain w(t.state);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(w.PartWindow(3) != nullptr, 1000);
    QTest::qWait(30);
    EXPECT_EQ(w.mdiArea()->subWindowList().size(), 1);
    EXPECT_FALSE(t.state.restoringWindows());
    EXPECT_TRUE(w.mnuWindow->menuAction()->isEnabled());
    EXPECT_FALSE(w.mnuPart[3]->isEnabled());
}

TEST(frmMain, WindowMenuListsTheOpenChildWindowsAndActivatesThem) {
    TestState t;
    frmMain w(t.state);
    w.show();
    w.mnuPart_Click(2);
    w.mnuPart_Click(5);
    auto items = [&w] {
        emit w.mnuWindow->aboutToShow();
        QStringList out;
        for (const QAction* a : w.mnuWindow->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text()) +
                       (a->isChecked() ? "*" : "");
        return out;
    };
    EXPECT_EQ(items(), (QStringList{"&Cascade", "-", "&1 Part  2", "&2 Part  5*"}));
    w.mnuWindow->actions()[2]->trigger();
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), w.PartWindow(2));
    EXPECT_EQ(t.state.currentPart(), 2);
    w.PartWindow(5)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(items(), (QStringList{"&Cascade", "-", "&1 Part  2*"}));
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
