// The handheld's screen and the shell's look, for the desktop layer and the
// tests.
#pragma once

#include <windows.h>

#include "base/unique_handles.h"

// The handheld's screen.
constexpr int HandheldScreenWidth = 240;
constexpr int HandheldScreenHeight = 320;
// Height of the shell's menu bar strip along the bottom of the screen.
constexpr int HandheldMenuBarHeight = 24;

// The screen the handheld shell lays windows out on (the desktop's work area;
// 240 x 320 on the emulated device).
RECT HandheldScreenRect();

// The shell's lettering on the menu bar and the dialogs' title strips: bold
// Tahoma, `pixels` high.
UniqueFont CreateShellFont(int pixels);

// Fills an area with a plain colour through the DC's own brush, so that no
// brush is made and freed for each paint.
void FillWithColour(HDC dc, const RECT& area, COLORREF colour);
