#pragma once

#include <QIcon>

// The program's icon, drawn rather than shipped: an octave of piano keys.
QIcon ProgramIcon();
