// Tap-and-hold on a list row: the "Delete" popup and the single delete.
#pragma once

#include <windows.h>

extern POINT TapPoint;   // last pen-down on the list, in the list's client coordinates

constexpr UINT_PTR TapHoldTimerId = 1;
constexpr UINT TapHoldDelay = 300;   // ms the stylus must stay down

LRESULT CALLBACK EventListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT TapHoldTimerHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DeleteSelectedEvent(HWND window, WORD id, HWND control, WORD code);

void ResetTapHoldStateForTests();
