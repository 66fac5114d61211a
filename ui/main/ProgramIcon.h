#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

// The program's icon, drawn rather than shipped: an octave of piano keys.
QIcon ProgramIcon();

// The same drawing, `size` pixels square on a transparent background: the pictures the desktop
// menu shows are made from it when the program is installed.
QImage ProgramIconImage(int size);

// The same drawing as an SVG document, 64 units square, for the desktop's scalable icon.
QByteArray ProgramIconSvg();
