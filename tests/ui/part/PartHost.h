#pragma once

// A main window with part windows opened as their menu items open them, the pointer and the
// computer keys delivered as the platform delivers them, every MIDI message recorded.
#include "support/TestState.h"
#include "support/drivers/PartWindowDriver.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QMdiArea>
#include <optional>

struct PartHost {
    explicit PartHost(int languageCode = 2) : t(languageCode), main(t.state), pointer(main) {
        main.resize(1400, 1000);
        main.show();
        // Qt drops a move to the position the pointer already has: park it first.
        QTest::mouseMove(main.windowHandle(), QPoint(1, 1));
    }

    // Opens part window n as its menu item does, forgetting what the opening sent; part() and
    // keys() drive it from then on.
    frmPart* open(int n, bool forget = true) {
        main.mnuPart_Click(n);
        w = main.PartWindow(n);
        driver.emplace(pointer, w);
        QCoreApplication::processEvents();
        if (forget)
            t.port->clear();
        return w;
    }
    // Opens the master keyboard as its menu item does; what the opening sent is kept.
    MasterKbDriver openMaster() {
        main.mnuMasterKb->trigger();
        return MasterKbDriver(pointer, main.MasterKbWindow());
    }
    void close(QWidget* which = nullptr) {
        (which ? which : w.data())->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    PartWindowDriver& part() { return *driver; }
    KeyboardDriver& keys() { return driver->keys; }

    std::vector<std::string> sent() const { return t.port->messageLines(); }
    // What was sent since the last call, and forgets it.
    std::vector<std::string> take() {
        auto lines = sent();
        t.port->clear();
        return lines;
    }
    // The same as one string, every message's bytes in order: "90 3c 50 80 3c 40".
    std::string out() {
        std::string all;
        for (const std::string& m : take())
            all += (all.empty() ? "" : " ") + m;
        return all;
    }
    // The notes latched in the part windows' shared table, in ascending order.
    std::vector<int> latched() const {
        std::vector<int> notes;
        for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
            if (t.state.HeldNotes[n])
                notes.push_back(n);
        return notes;
    }
    std::uint8_t& row(int part, int r) { return t.state.PartParams.at(part).at(r); }

    TestState t;
    frmMain main;
    Pointer pointer;
    QPointer<frmPart> w;
    std::optional<PartWindowDriver> driver;
};
