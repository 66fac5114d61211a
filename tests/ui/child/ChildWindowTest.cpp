// What every child window does with its window record, kind by kind: a record without a size at
// load, the place and size kept at resizes and while maximized.
#include "ui/child/ChildWindow.h"
#include "support/TestState.h"
#include "ui/Twips.h"
#include "ui/main/frmMain.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(ChildWindow, RecordRulesOfEachKind) {
    const struct {
        int kind;
        int width, height; // taken from a record {Width 0, Height 6000}; a part window keeps
                           // the frame's own width, narrower than its standard one
        bool placement;    // a resize stores Top and Left too, and so does a maximize
    } kinds[] = {{3, -1, 6000, false},
                 {WindowKind::MasterKb, MasterKbWidth, MasterKbHeight, false},
                 {WindowKind::VolumeAll, VolumeAllWidth, 6000, false},
                 {WindowKind::GMPage2, GMPageWidth, 6000, true},
                 {WindowKind::Notepad, NotepadWidth, NotepadHeight, false}};
    for (const auto& k : kinds) {
        TestState t;
        frmMain main(t.state);
        main.resize(1400, 1000);
        main.show();
        WindowRec& rec = t.state.WindowRecs.at(k.kind);
        rec = WindowRec{0, 150, 300, 0, 6000};
        ChildWindow* w = main.OpenWindowKind(k.kind);
        ASSERT_NE(w, nullptr) << k.kind;
        EXPECT_TRUE(k.width >= 0 ? w->Width() == k.width : w->Width() < PartWindowWidth);
        EXPECT_EQ(rec, (WindowRec{1, 150, 300, w->Width(), k.height})) << k.kind;
        // Moved and made taller, then moved again and maximized: the record takes the new
        // height, and the normal place where the kind says so.
        const QPoint stored = QPoint(300, 150);
        for (QPoint to : {QPoint(600, 900), QPoint(1200, 1500)}) {
            w->move(twips::point(to.x(), to.y()));
            if (to.x() == 600)
                w->setHeight(w->Height() + 300);
            else
                w->showMaximized();
            EXPECT_EQ(rec, (WindowRec{1, (k.placement ? to : stored).y(),
                                      (k.placement ? to : stored).x(), w->Width(), k.height + 300}))
                << k.kind;
        }
    }
}

TEST(ChildWindow, ALoadInsideAnotherLeavesTheOuterLoadsFlagSet) {
    TestState t;
    {
        const AppState::WindowLoadingScope outer(t.state);
        { const AppState::WindowLoadingScope inner(t.state); }
        EXPECT_TRUE(t.state.windowLoading());
    }
    EXPECT_FALSE(t.state.windowLoading());
}
