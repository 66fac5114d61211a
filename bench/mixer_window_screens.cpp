// Saves pictures of the all-parts volume window and the two program pages rendered offscreen at
// their standard sizes, for a look by eye:
//   QT_QPA_PLATFORM=offscreen build/bench/mixer_window_screens [folder]   (default /tmp)
// quintaro-volumeall.png   parts with varied volumes, pans, effects, transpositions and
//                          programs; part 5 selected with its button lit
// quintaro-gmpage1.png     page 1 (programs 1..64) serving part 5, program 41 of page 2 chosen
// quintaro-gmpage2.png     page 2 (programs 65..128)
#include "Screenshots.h"
#include "support/TestState.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/frmMain.h"
#include "ui/mixer/frmGMPag.h"
#include "ui/mixer/frmVolumeAll.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>

int main(int argc, char** argv) {
    ShotApplication app(argc, argv);
    const QString folder = ShotFolder(argc, argv);

    TestState t;
    AppState& s = t.state;
    for (int p = 1; p <= 16; ++p) {
        s.PartParams[p][1] = static_cast<std::uint8_t>(127 - 7 * p);
        s.PartParams[p][2] = static_cast<std::uint8_t>(8 * p - 4);
        s.PartParams[p][10] = static_cast<std::uint8_t>(5 * p);
        s.PartParams[p][11] = static_cast<std::uint8_t>(p % 3 == 0 ? 90 : 0);
        s.PartParams[p][12] = static_cast<std::uint8_t>(p + 4);
        s.PartParams[p][18] = static_cast<std::uint8_t>(8 * p - 1);
    }
    s.PartParams[7][17] = 0; // no program: an empty name box

    frmMain main(s);
    main.resize(1300, 1000);
    main.show();

    main.mnuVolumeAll_Click();
    main.VolumeAllWindow()->PulsPart_Click(5);
    SaveShot(main.VolumeAllWindow(), folder, "quintaro-volumeall.png");

    main.mnuGMPag_Click(1);
    SaveShot(main.GMPage(1), folder, "quintaro-gmpage1.png");
    main.mnuGMPag_Click(2);
    SaveShot(main.GMPage(2), folder, "quintaro-gmpage2.png");
    return 0;
}
