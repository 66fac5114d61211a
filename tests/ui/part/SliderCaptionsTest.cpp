// The sliders' captions on the part window and the master keyboard at the default font, in both
// languages: a screen reader reads every caption whole, and no caption's drawn text runs into
// another's or out of its label.
#include "PartHost.h"

#include <QLabel>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

TEST(SliderCaptions, AreReadWholeAndNoneRunsIntoAnotherOnEitherKeyboardWindow) {
    const QStringList captions = {"Volume", "Pan",   "Vel On", "Vel Off", "Att Time", "Rel Time",
                                  "Bend",   "Mod 1", "Mod 2",  "Reverb",  "Chorus"};
    for (int language : {1, 2}) {
        PartHost h(language);
        h.open(3);
        h.openMaster();
        for (QWidget* window : std::initializer_list<QWidget*>{h.w, h.main.MasterKbWindow()}) {
            QStringList read;
            std::vector<QRect> drawn;
            for (int k = 0; k < 11; ++k) {
                auto* label = window->findChild<QLabel*>(QStringLiteral("Label2_%1").arg(k));
                read << label->accessibleName();
                // Where QLabel draws its text: the text's size aligned in the label's contents.
                const QRect text = label->style()
                                       ->itemTextRect(label->fontMetrics(), label->contentsRect(),
                                                      label->alignment(), true, label->text())
                                       .translated(label->pos());
                const std::string where =
                    window->windowTitle().toStdString() + ", " + label->text().toStdString();
                EXPECT_TRUE(label->geometry().contains(text)) << where;
                for (const QRect& other : drawn)
                    EXPECT_FALSE(text.intersects(other)) << where << " runs into its neighbour";
                drawn.push_back(text);
            }
            EXPECT_EQ(read, captions);
        }
    }
}

} // namespace
