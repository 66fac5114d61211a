#pragma once

// What every child window's driver does alike: open the window from its menu item and close it by
// its close box, as a user does. `Driver` gives menuItem() and window().
#include <QAction>
#include <QCoreApplication>
#include <QTest>

template <class Driver> class MenuWindow {
  public:
    // Opens the window from its menu item; false when none came up.
    bool open() {
        self().menuItem()->trigger();
        return self().window() != nullptr;
    }
    // Closes the window by its close box; true when it went.
    bool close() {
        self().window()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return self().window() == nullptr;
    }

  private:
    Driver& self() { return static_cast<Driver&>(*this); }
};
