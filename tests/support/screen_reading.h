// Reading a screenshot as a person reads the screen: the number on the total
// line, whether a row is written in red, where the lines of a menu are.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/support/screen_capture.h"

// The number the main window's total line ("Total Events = %d") shows, or -1
// when it shows no such line. The line is compared with the same text drawn
// here the way the program draws it (the default font of a device context,
// black on white), as far as the Clear button leaves it visible.
int TotalShown(const Screenshot& shot, HWND mainWindow);

// How much text of each colour a part of the screen holds, in pixels.
struct Ink {
    int red = 0;    // strong red, little green and blue
    int dark = 0;   // black or nearly
};
Ink InkIn(const Screenshot& shot, const RECT& area);

// Whether a window's part of the screen has been painted: a window that has
// not painted itself yet shows black there.
bool LooksDrawn(const Screenshot& shot, const RECT& area);

// The lines of text in a part of the screen (a menu), top to bottom: each
// band of pixel rows that holds dark ink, spanning the area's width.
std::vector<RECT> TextLines(const Screenshot& shot, const RECT& area);
