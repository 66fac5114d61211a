#pragma once

#include "ui/main/ChildWindow.h"

// The window of one part (1..16). Built by the part-window work; this is its entry point.
class frmPart : public ChildWindow {
    Q_OBJECT
  public:
    frmPart(AppState& state, frmMain& main, int part);

    // Runs the load sequence; called once by the main window right after construction.
    void Form_Load();
};
