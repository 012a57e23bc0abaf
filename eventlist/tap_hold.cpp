// Placeholder until tap-and-hold lands.
#include "eventlist/tap_hold.h"
POINT TapPoint = {};
LRESULT CALLBACK EventListSubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }
LRESULT TapHoldTimerHandler(HWND, UINT, WPARAM, LPARAM) { return 0; }
void ShowEventPopup(HWND, POINT) {}
LRESULT DeleteSelectedEvent(HWND, WORD, HWND, WORD) { return 0; }
void ListFollowUp() {}
void ResetTapHoldStateForTests() {}
