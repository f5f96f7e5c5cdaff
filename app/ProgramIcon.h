#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <array>

// The program's 32 x 32 picture: a battery pack with its bus lines, drawn in
// a 16-colour palette. Shown on the main window and in the About box.
QPixmap ProgramIcon();

// The same picture as an image; needs no display, so build tools can render it.
QImage ProgramIconImage();

// The picture at size x size pixels, without new colours along the edges where
// the size allows it: a whole multiple of 32 enlarges every pixel to a square
// block; any other size averages equal square blocks of the enlargement to
// the least common multiple of both sizes (16 pixels: each 2 x 2 block).
QImage ProgramIconImage(int size);

// The sizes the desktop's icon theme receives.
inline constexpr std::array<int, 8> kProgramIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

// The picture at every icon theme size, for title bars and task bars, drawn
// when asked for.
QIcon ProgramWindowIcon();
