// What every child window does with its window record, kind by kind as WindowKindTable says:
// a record without a size at load, the place and size kept at resizes and while maximized, and
// the loading flag that nested loads share.
#include "ui/child/ChildWindow.h"
#include "support/TestState.h"
#include "ui/Twips.h"
#include "ui/main/frmMain.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ChildWindow, RecordRulesOfEachKind) {
    const struct {
        int kind;
        QSize loaded;   // width, height taken from a record {Width 0, Height 6000}
        bool placement; // a resize stores Top and Left too, and so does a maximize
    } kinds[] = {
        // A part window keeps the frame's own width: only the height is checked.
        {3, QSize(-1, 6000), false},
        {WindowKind::MasterKb, QSize(MasterKbWidth, MasterKbHeight), false},
        {WindowKind::VolumeAll, QSize(VolumeAllWidth, 6000), false},
        {WindowKind::GMPage2, QSize(GMPageWidth, 6000), true},
        {WindowKind::Notepad, QSize(NotepadWidth, NotepadHeight), false},
    };
    for (const auto& k : kinds) {
        TestState t;
        frmMain main(t.state);
        main.resize(1400, 1000);
        main.show();
        WindowRec& rec = t.state.WindowRecs.at(k.kind);
        rec = WindowRec{0, 150, 300, 0, 6000};
        ChildWindow* w = main.OpenWindowKind(k.kind);
        ASSERT_NE(w, nullptr) << k.kind;
        if (k.loaded.width() >= 0)
            EXPECT_EQ(w->Width(), k.loaded.width()) << k.kind;
        else
            EXPECT_LT(w->Width(), PartWindowWidth) << k.kind;
        EXPECT_EQ(w->Height(), k.loaded.height()) << k.kind;
        EXPECT_EQ(rec, (WindowRec{1, 150, 300, w->Width(), w->Height()})) << k.kind;

        // Moved, then made taller: the record takes the new height, and the new place where
        // the kind says so.
        w->move(twips::point(600, 900));
        w->setHeight(w->Height() + 300);
        EXPECT_EQ(rec.Height, k.loaded.height() + 300) << k.kind;
        EXPECT_EQ(QPoint(rec.Left, rec.Top), k.placement ? QPoint(600, 900) : QPoint(300, 150))
            << k.kind;
        // Moved again and maximized: the same, from the normal placement.
        w->move(twips::point(1200, 1500));
        w->showMaximized();
        EXPECT_EQ(QPoint(rec.Left, rec.Top), k.placement ? QPoint(1200, 1500) : QPoint(300, 150))
            << k.kind;
        EXPECT_EQ(rec.Height, k.loaded.height() + 300) << k.kind;
        EXPECT_EQ(rec.Open, 1) << k.kind;
    }
}

TEST(ChildWindow, ALoadInsideAnotherLeavesTheOuterLoadsFlagSet) {
    TestState t;
    EXPECT_FALSE(t.state.windowLoading());
    {
        const AppState::WindowLoadingScope outer(t.state);
        {
            const AppState::WindowLoadingScope inner(t.state);
            EXPECT_TRUE(t.state.windowLoading());
        }
        EXPECT_TRUE(t.state.windowLoading());
    }
    EXPECT_FALSE(t.state.windowLoading());
}

} // namespace
