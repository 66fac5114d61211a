#pragma once

#include "ui/Twips.h"

#include <QWidget>

// Places a control inside its parent at a rectangle given in twips.
inline void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twips::rect(left, top, width, height));
}
