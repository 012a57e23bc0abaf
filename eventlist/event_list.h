// The event list: a seven-column report-view list of the notifications, with
// duplicate rows drawn red.
#pragma once

#include <windows.h>

extern WNDPROC PrevListProc;   // the list's window procedure before subclassing

constexpr int EventColumnCount = 7;
constexpr int DialogTextColumn = 5;
constexpr int DialogTextColumnWidth = 150; // "Dialog Text" after every fit

struct EventColumn {
    int format;            // LVCFMT_LEFT or LVCFMT_CENTER
    const WCHAR* title;
};
extern const EventColumn EventColumns[EventColumnCount];

HWND CreateEventList(HWND parent, int x, int y, int width, int height);
LRESULT AddEventColumn(HWND list, int format, int index, const WCHAR* title);
LRESULT SetEventCell(HWND list, int row, int column, const WCHAR* text, HANDLE notification);
void SetListRedraw(HWND list, BOOL on);
void FitEventColumns(HWND list, int count);
HFONT CreateListFont(LONG weight, LONG height);

// Turns the list's drawing off, and on again at every way out of the scope.
class ListDrawingOff {
public:
    explicit ListDrawingOff(HWND list) : list_(list) { SetListRedraw(list_, FALSE); }
    ~ListDrawingOff() { SetListRedraw(list_, TRUE); }
    ListDrawingOff(const ListDrawingOff&) = delete;
    ListDrawingOff& operator=(const ListDrawingOff&) = delete;

private:
    HWND list_;
};

const WCHAR* NotifyTypeName(DWORD code);
const WCHAR* EventTypeName(LONG code);
const WCHAR* EventStatusName(DWORD eventStatus);  // "Active" for 1, else "InActive"

// WM_NOTIFY handler of the main window: custom draw of the list.
LRESULT EventListCustomDraw(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void ResetEventListStateForTests();
