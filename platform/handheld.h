// Handheld idioms that desktop Win32 reads differently. Each function here
// gives the desktop the meaning that the handheld gives the same gesture; the
// program calls them only where the handheld's own call would not do, and says
// why at the call.
#pragma once

#include <windows.h>

// The handheld's screen.
constexpr int HandheldScreenWidth = 240;
constexpr int HandheldScreenHeight = 320;
// Height of the shell's menu bar strip along the bottom of the screen.
constexpr int HandheldMenuBarHeight = 24;

// The screen the handheld shell lays windows out on (the desktop's work area;
// 240 x 320 on the emulated device).
RECT HandheldScreenRect();

// A handheld shell gives the next top-level window created with CW_USEDEFAULT
// the whole screen and no caption; the desktop would give it three quarters of
// the screen with a caption. Call before CreateWindowExW: the next such window
// created on this thread is placed as on the handheld.
void HandheldPlaceNextDefaultWindow();

// SetForegroundWindow with the handle's lowest bit set: the handheld brings the
// window forward together with the windows it owns. Desktop Win32 would return
// TRUE and do nothing.
BOOL HandheldSetForegroundWindow(HWND hwndWithLowBit);
