// The running program's windows as another program on the device finds them:
// by class, owner and place on the screen (input.h taps and types on them). A
// control's state is only read, with messages that ask; where such a message
// needs a buffer, the buffer is put in the program's own memory.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The visible top-level windows for which `is` holds, front to back, and the
// first of them that belongs to the process.
std::vector<HWND> VisibleTopLevels(const std::function<bool(HWND)>& is);
HWND FindTopLevel(DWORD process, const std::function<bool(HWND)>& is);

// The windows the program opens, each found by what only it has.
HWND OpenMessageBox(DWORD process);
HWND OpenSettingsDialog(DWORD process);
HWND OpenPopupMenu(DWORD process);
HWND MenuBarOf(DWORD process, HWND mainWindow);

std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// The message of a message box, in this process or another: its longest
// static text that is not the icon.
std::wstring MessageBoxText(HWND box);
// A text as UTF-8, for printing it.
std::string Narrow(const std::wstring& text);

RECT ScreenRectOf(HWND window);
POINT CentreOf(const RECT& r);

// Whether the window's thread takes messages again within the time: its
// handler has ended, or it waits in a modal loop (a box, a menu).
bool Responds(HWND window, DWORD milliseconds);

// Asks `done` until it holds (true) or the time is up (false); `pause` passes
// the 10 ms between two questions (Sleep, or taking the caller's messages).
bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds,
               const std::function<void(DWORD)>& pause = Sleep);

// The program's event list, read from outside.
class OutsideList {
public:
    OutsideList(HANDLE process, HWND list);

    HWND Window() const { return list_; }
    int Count() const;
    int SelectionMark() const;
    // A row's rectangle on the screen (the whole row, beyond the screen's edge too).
    bool RowOnScreen(int row, RECT* rect) const;
    // The part of the screen where rows show: the list's client area under its header.
    RECT RowArea() const;
    std::wstring Cell(int row, int column) const;
    // The row's item data (the notification handle), or 0.
    LPARAM ItemData(int row) const;

private:
    HANDLE process_;
    HWND list_;
};

// The menu bar's buttons, read from outside.
int MenuBarButtonCount(HWND bar);
bool MenuBarButtonOnScreen(HANDLE process, HWND bar, int index, RECT* rect);
