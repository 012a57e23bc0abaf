// The stylus as the system's input queue sees it, without GoogleTest: shared
// by the tests' stylus and by windowctl, which drives the program from scripts.
#pragma once

#include <windows.h>

#include <functional>

// One stylus event at a screen point: the position travels with the event,
// so it cannot race a separate cursor move.
INPUT StylusAt(POINT screen, DWORD flags);

// Puts the pointer at the point and waits until it stays there; `wait` passes
// the time between looks. False when it never settled.
bool SettlePointer(POINT screen, const std::function<void(DWORD)>& wait);

// Down and up in one go at the point, as a quick tap does: a menu the down
// opens finds the up already waiting.
void SendTap(POINT screen);
