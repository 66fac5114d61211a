// The main window as the user sees it: captions in both languages, the menu tree, the disabled
// items, the status bar, the reopening timers and the About box.
#include "ui/main/frmMain.h"
#include "app/Main.h"
#include "app/strings/StringTable.h"
#include "support/TestState.h"
#include "ui/accessories/frmAbout.h"
#include "ui/main/IconCacheStyle.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* action : menu->actions())
        out << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

} // namespace

TEST(frmMain, MenuTreeCaptionsInEnglishAndItalian) {
    TestState english(2);
    frmMain w(english.state);
    EXPECT_EQ(w.windowTitle(), "QuintaroV10 - Quin Taro v 1.0    Versione beta");
    EXPECT_EQ(captions(w.mnuFile), (QStringList{"&Close", "-", "E&xit"}));
    EXPECT_EQ(w.mnuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(w.mnuModifica->title(), "&Modifica");
    EXPECT_EQ(captions(w.mnuModifica), (QStringList{"Maximize"}));
    EXPECT_EQ(w.mnuView->title(), "&View");
    EXPECT_EQ(captions(w.mnuView), (QStringList{"Volume All", "-", "Part", "-", "GM Page 1 ",
                                                "GM Page 2", "-", "Master Keyboard", "Notebook"}));
    QStringList parts;
    for (int n = 1; n <= 16; ++n)
        parts << QStringLiteral("Part %1").arg(n);
    EXPECT_EQ(captions(w.mnuParti), parts);
    EXPECT_EQ(w.mnuPreferenze->title(), "&Preferences");
    EXPECT_EQ(captions(w.mnuPreferenze), (QStringList{"&Language", "-", "Show Status Bar"}));
    EXPECT_EQ(captions(w.mnuLingua), (QStringList{"Italian", "English"}));
    EXPECT_EQ(w.mnuWindow->title(), "&Window");
    EXPECT_EQ(w.mnuCascade->text(), "&Cascade");
    EXPECT_EQ(w.mnuHelp->title(), "&?");
    EXPECT_EQ(captions(w.mnuHelp), (QStringList{"Guida Utente", "-", "&About QuintaroV1.0", "-"}));

    // Disabled at load, and the check marks of the language and the status bar.
    EXPECT_FALSE(w.mnuChiudi->isEnabled());
    EXPECT_FALSE(w.mnuWindow->menuAction()->isEnabled());
    EXPECT_TRUE(w.mnuInglese->isChecked());
    EXPECT_FALSE(w.mnuItaliano->isChecked());
    EXPECT_TRUE(w.mnuVisBarraStato->isChecked());

    TestState italian(1);
    frmMain i(italian.state);
    EXPECT_EQ(captions(i.mnuFile), (QStringList{"&Chiudi", "-", "&Esci"}));
    EXPECT_EQ(captions(i.mnuModifica), (QStringList{"Ingrandisci"}));
    EXPECT_EQ(i.mnuView->title(), "&Visualizza");
    EXPECT_EQ(captions(i.mnuView).last(), "Blocco Note");
    EXPECT_EQ(captions(i.mnuPreferenze),
              (QStringList{"&Lingua", "-", "Visualizza Barra di Stato"}));
    EXPECT_EQ(captions(i.mnuLingua), (QStringList{"Italiano", "Inglese"}));
    EXPECT_EQ(i.mnuWindow->title(), "Fi&nestra");
    EXPECT_EQ(i.mnuCascade->text(), "&Sovrapponi");
    EXPECT_EQ(captions(i.mnuHelp).at(2), "Informazioni su QuintaroV1.0");
    EXPECT_TRUE(i.mnuItaliano->isChecked());
    EXPECT_FALSE(i.mnuInglese->isChecked());
}

TEST(frmMain, StatusBarSwitchAndPartNumber) {
    TestState t;
    frmMain w(t.state);
    w.show();
    EXPECT_EQ(w.Label2->text(), ProductTitle);
    EXPECT_TRUE(w.Picture1->isVisible());
    w.ShowPartNumber(4);
    EXPECT_EQ(w.Label3->text(), "5");
    w.mnuVisBarraStato->trigger();
    EXPECT_FALSE(w.Picture1->isVisible());
    w.mnuVisBarraStato->trigger();
    EXPECT_TRUE(w.Picture1->isVisible());
    EXPECT_TRUE(w.mnuVisBarraStato->isChecked());

    // A hidden status bar at start stays hidden and unchecked.
    TestState hidden;
    hidden.state.StatusBarVisible = false;
    frmMain h(hidden.state);
    h.show();
    EXPECT_FALSE(h.Picture1->isVisible());
    EXPECT_FALSE(h.mnuVisBarraStato->isChecked());
}

TEST(frmMain, WindowsOpenAtTheLastExitReopenThroughTheirTimers) {
    TestState t;
    t.state.WindowRecs[3].Open = 1;
    t.state.WindowRecs[18].Open = 1; // reserved kind: reopens nothing
    frmMain w(t.state);
    w.show();
    EXPECT_TRUE(w.Timer1[3]->isActive());
    EXPECT_TRUE(w.Timer1[18]->isActive());
    EXPECT_FALSE(w.Timer1[4]->isActive());
    EXPECT_TRUE(w.mdiArea()->subWindowList().isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(w.PartWindow(3) != nullptr, 1000);
    QTest::qWait(30);
    EXPECT_FALSE(w.Timer1[3]->isActive()) << "fires once";
    EXPECT_FALSE(w.Timer1[18]->isActive());
    EXPECT_EQ(w.mdiArea()->subWindowList().size(), 1);
    EXPECT_FALSE(t.state.RestoringWindows);
    EXPECT_TRUE(w.mnuWindow->menuAction()->isEnabled());
    EXPECT_FALSE(w.mnuPart[3]->isEnabled());
}

TEST(frmMain, ClosingSetsAppClosingBeforeTheChildrenUnloadAndKeepsThemOpenForNextTime) {
    TestState t;
    frmMain w(t.state, [&t] { Shutdown(t.state); });
    w.show();
    w.mnuPart_Click(5);
    ASSERT_TRUE(w.PartWindow(5));
    EXPECT_EQ(t.state.WindowRecs[5].Open, 1);
    w.close();
    EXPECT_TRUE(t.state.AppClosing);
    EXPECT_EQ(t.state.WindowRecs[5].Open, 1) << "reopens at the next start";
    EXPECT_TRUE(w.unloaded());
    EXPECT_EQ(t.port->count(RecordingPort::Call::Close), 1);
}

TEST(frmAbout, ItalianTextsInEveryLanguageAndEscCloses) {
    TestState t(2);
    frmMain w(t.state);
    w.show();
    w.mnuInfo->trigger();
    ASSERT_TRUE(w.AboutBox);
    frmAbout* about = w.AboutBox;
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "Informazioni su QuintaroV10");
    EXPECT_EQ(about->lblTitle->text(), "Quin Taro v 1.0");
    EXPECT_EQ(about->lblVersion->text(), "Versione V 1.0 2002");
    EXPECT_EQ(about->lblDescription->text(), "Interfaccia MIDI GM");
    EXPECT_EQ(about->cmdOK->text(), "OK");
    EXPECT_TRUE(about->cmdOK->isDefault());

    w.mnuInfo->trigger(); // a second opening brings the same dialog forward
    EXPECT_EQ(w.AboutBox.data(), about);

    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_FALSE(about->isVisible());
    w.mnuInfo->trigger();
    EXPECT_TRUE(about->isVisible());
    QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
}

TEST(frmMain, WindowMenuListsTheOpenChildWindowsAndActivatesThem) {
    TestState t;
    frmMain w(t.state);
    w.resize(1000, 800);
    w.show();
    w.mnuPart_Click(2);
    w.mnuPart_Click(5);
    emit w.mnuWindow->aboutToShow();
    QStringList items = captions(w.mnuWindow);
    EXPECT_EQ(items, (QStringList{"&Cascade", "-", "&1 Part  2", "&2 Part  5"}));
    const QList<QAction*> actions = w.mnuWindow->actions();
    EXPECT_FALSE(actions[2]->isChecked());
    EXPECT_TRUE(actions[3]->isChecked()) << "the active window is checked";

    actions[2]->trigger();
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), w.PartWindow(2));
    EXPECT_EQ(t.state.CurrentPart, 2);

    w.PartWindow(5)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    emit w.mnuWindow->aboutToShow();
    EXPECT_EQ(captions(w.mnuWindow), (QStringList{"&Cascade", "-", "&1 Part  2"}));
}

TEST(frmMain, CascadeStacksOpenWindowsByKindAndMaximizeRestoresTheStandardSize) {
    TestState t;
    frmMain w(t.state);
    w.resize(1200, 900);
    w.show();
    w.mnuPart_Click(7);
    w.mnuPart_Click(3);
    w.mnuPart_Click(9);
    w.PartWindow(9)->close(); // closed windows are not arranged
    w.PartWindow(3)->setHeight(6000);

    w.mnuCascade->trigger();
    frmPart* three = w.PartWindow(3);
    frmPart* seven = w.PartWindow(7);
    EXPECT_EQ(QPoint(three->Left(), three->Top()), QPoint(0, 0));
    EXPECT_EQ(QPoint(seven->Left(), seven->Top()), QPoint(300, 330));
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), seven) << "the last one moved is in front";
    EXPECT_EQ(three->Height(), 6000) << "sizes are kept";

    w.mdiArea()->setActiveSubWindow(three);
    w.mnuIngrandisci->trigger();
    EXPECT_EQ(three->Height(), PartWindowHeight);
    EXPECT_EQ(three->Width(), PartWindowWidth);
    EXPECT_EQ(QPoint(three->Left(), three->Top()), QPoint(0, 0));
    EXPECT_EQ(t.state.WindowRecs[3].Height, PartWindowHeight);
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
