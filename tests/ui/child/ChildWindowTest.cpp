// What every child window does with its window record, kind by kind: a record without a size at
// load, the place and size kept at resizes and while maximized.
#include "ui/child/ChildWindow.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/Twips.h"
#include "ui/main/CachingStyle.h"

#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>
#include <optional>

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
        MainHost h;
        WindowRec& rec = h.t.state.WindowRecs.at(k.kind);
        rec = WindowRec{0, 150, 300, 0, 6000};
        ChildWindow* w = h.main.OpenWindowKind(k.kind);
        ASSERT_NE(w, nullptr) << k.kind;
        EXPECT_TRUE(k.width >= 0 ? w->Width() == k.width : w->Width() < PartWindowWidth);
        EXPECT_EQ(rec, (WindowRec{1, 150, 300, w->Width(), k.height})) << k.kind;
        // Moved and made taller: the record takes the new height, and the new place where the
        // kind says so; moved again and maximized, it keeps them.
        w->move(twips::point(600, 900));
        w->setHeight(w->Height() + 300);
        const WindowRec moved{1, k.placement ? 900 : 150, k.placement ? 600 : 300, w->Width(),
                              k.height + 300};
        EXPECT_EQ(rec, moved) << k.kind;
        w->move(twips::point(1200, 1500));
        w->showMaximized();
        EXPECT_EQ(rec, k.placement ? (WindowRec{1, 1500, 1200, w->Width(), k.height + 300}) : moved)
            << k.kind;
    }
}

TEST(ChildWindow, ALoadInsideAnotherLeavesTheOuterLoadsFlagSet) {
    TestState t;
    std::optional<AppState::WindowLoadingScope> outer(std::in_place, t.state);
    { const AppState::WindowLoadingScope inner(t.state); }
    EXPECT_TRUE(t.state.windowLoading());
    outer.reset();
    EXPECT_FALSE(t.state.windowLoading());
}

// A text box's panel comes from a picture kept per look: the box must look as the style draws it,
// pixel for pixel, through a resize, while disabled and while it has the focus.
TEST(CachingStyle, TextBoxesLookAsTheStyleDrawsThem) {
    CachingStyle cached(QStringLiteral("Fusion"));
    QWidget window;
    QLineEdit plain(QStringLiteral("C4 (60)"), &window), kept(QStringLiteral("C4 (60)"), &window);
    kept.setStyle(&cached);
    plain.setStyle(cached.baseStyle());
    window.show();
    QApplication::setActiveWindow(&window);
    for (const QSize size : {QSize(60, 20), QSize(120, 26), QSize(36, 16)}) {
        for (QLineEdit* box : {&plain, &kept}) {
            box->clearFocus();
            box->resize(size);
        }
        EXPECT_EQ(plain.grab().toImage(), kept.grab().toImage()) << "resized";
        plain.setEnabled(false);
        kept.setEnabled(false);
        EXPECT_EQ(plain.grab().toImage(), kept.grab().toImage()) << "disabled";
        plain.setEnabled(true);
        kept.setEnabled(true);
        plain.setFocus();
        const QImage focused = plain.grab().toImage();
        kept.setFocus();
        EXPECT_EQ(focused, kept.grab().toImage()) << "focused";
        EXPECT_NE(focused, plain.grab().toImage()) << "the focus shows";
    }
}
