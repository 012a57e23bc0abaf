// Placeholder until the event list lands.
#include "eventlist/event_list.h"
#include <commctrl.h>
WNDPROC PrevListProc = nullptr;
const EventColumn EventColumns[EventColumnCount] = {};
HWND CreateEventList(HWND, int, int, int, int) { return nullptr; }
LRESULT AddEventColumn(HWND, int, int, const WCHAR*) { return -1; }
LRESULT SetEventCell(HWND, int, int, const WCHAR*, HANDLE) { return -1; }
void SetListRedraw(HWND, BOOL) {}
void FitEventColumns(HWND, int) {}
HFONT CreateListFont(LONG, LONG) { return nullptr; }
const WCHAR* NotifyTypeName(DWORD) { return L"UKNOWN"; }
const WCHAR* EventTypeName(LONG) { return L"UKNOWN"; }
const WCHAR* EventStatusName(DWORD) { return L"InActive"; }
LRESULT EventListCustomDraw(HWND, UINT, WPARAM, LPARAM) { return 0; }
void ResetEventListStateForTests() {}
