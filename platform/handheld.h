// The handheld's screen, and the handheld idioms that desktop Win32 reads
// differently. The program calls CreateWindowExW and SetForegroundWindow
// exactly as on the handheld; handheld.cpp takes the place of those two
// imports when the program is linked, so that the desktop gives them the
// handheld's meaning without the program calling anything of its own:
//
// - a top-level window created with CW_USEDEFAULT gets the whole screen and
//   no caption (the desktop would give it three quarters of the screen, with
//   a caption);
// - SetForegroundWindow with the handle's lowest bit set brings the window
//   forward together with the windows it owns (desktop Win32 would return
//   TRUE and do nothing).
// MessageBoxW's import is taken the same way, for the shell's message box
// (shell_message_box.cpp).
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

// MessageBoxW as the handheld's shell shows it: user32's box, laid out for
// the screen above the menu bar with its text wrapped to the screen's width.
int WINAPI MessageBoxAsHandheld(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Fills an area with a plain colour through the DC's own brush, so that no
// brush is made and freed for each paint.
void FillWithColour(HDC dc, const RECT& area, COLORREF colour);
