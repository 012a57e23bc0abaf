// Real input, through the system's input queue, as a person gives it: stylus
// taps and keys. For the tools that drive the program from scripts and for
// the tests.
#pragma once

#include <windows.h>

#include <functional>

// One stylus event at a screen point (MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP,
// or 0 for a move): the position travels with the event, so it cannot race a
// separate cursor move.
void SendStylus(POINT screen, DWORD flags);

// Puts the pointer at the point and waits until it stays there; `wait` passes
// the time between looks. False when it never settled.
bool SettlePointer(POINT screen, const std::function<void(DWORD)>& wait);

// Puts the stylus down at a screen point and lifts it again. The pointer is
// put there first, so that a late move left from an earlier tap cannot come
// between down and up and slide the tap off its button; false when it would
// not stay there (the tap is made all the same).
bool TapAt(POINT screen);
// A quick tap at the centre of a window (a button, a check box).
bool TapWindow(HWND window);

// A key pressed and released, as on the device's keyboard.
void PressKey(WORD virtualKey);
