#include "ui/part/frmPart.h"

frmPart::frmPart(AppState& state, frmMain& main, int part) : ChildWindow(state, main, part) {}
void frmPart::Form_Load() {}
