// Placeholder until tap-and-hold lands; the list's own procedure gets every message.
#include "eventlist/tap_hold.h"
#include "eventlist/event_list.h"
POINT TapPoint = {};
LRESULT CALLBACK EventListSubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(PrevListProc, h, m, w, l); }
LRESULT TapHoldTimerHandler(HWND, UINT, WPARAM, LPARAM) { return 0; }
void ShowEventPopup(HWND, POINT) {}
LRESULT DeleteSelectedEvent(HWND, WORD, HWND, WORD) { return 0; }
void ListFollowUp() {}
void ResetTapHoldStateForTests() {}
