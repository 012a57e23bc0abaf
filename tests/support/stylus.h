// Real input for the shell tests: taps through the system's input queue, and
// waiting for what they cause.
#pragma once

#include <windows.h>

#include <functional>

// Puts the stylus down at a screen point and lifts it again.
void TapAt(POINT screen);
// Down at one point, up at another (a tap that slides off its button).
void SlideTap(POINT down, POINT up);
// Pumps this thread's messages until the condition holds; false after the timeout.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 2000);
// The centre of a rectangle given in a window's client coordinates, on the screen.
POINT ScreenCentre(HWND window, RECT client);
