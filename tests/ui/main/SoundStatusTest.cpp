// What the output says of its sound (a synthesizer whose server went and came back) reaches the
// main window's status line in the program's language, and stops reaching it when it is gone.
#include "support/drivers/MainWindowDriver.h"

#include <gtest/gtest.h>

TEST(SoundStatus, ThePortsWordIsShownInTheProgramsLanguage) {
    TestState t;
    {
        frmMain main{t.state};
        MainWindowDriver ui{main};
        ASSERT_TRUE(t.port->statusHandler);
        t.port->statusHandler(SoundStatus::ServerGone);
        EXPECT_EQ(ui.midiStatus(), "Sound gone: the sound server stopped, waiting for it…");
        t.state.LanguageCode = 1;
        t.port->statusHandler(SoundStatus::Back);
        EXPECT_EQ(ui.midiStatus(), "Suono tornato: l'uscita audio suona di nuovo…");
    }
    EXPECT_FALSE(t.port->statusHandler);
}
