#pragma once

#include <QPixmap>

// The program's 32 x 32 picture: a battery pack with its bus lines, drawn in
// a 16-colour palette. Shown on the main window and in the About box.
QPixmap ProgramIcon();
