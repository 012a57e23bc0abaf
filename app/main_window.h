// The main window: start-up, the single-instance rule, the two buttons, the
// total line, the menu bar and the two dispatch tables.
#pragma once

#include <windows.h>

extern HINSTANCE AppInstance;   // the program's module: owner of the class, source of every resource
extern HWND MainWindow;         // the main window; null until CreateWindowExW returns
extern HWND MenuBarWindow;      // the menu bar, or null while there is none
extern HWND EventListWindow;    // the event list
extern HFONT ListFont;          // the event list's font
extern int TotalEvents;         // the number shown in "Total Events = %d"

extern const WCHAR MainWindowClass[];  // "Tallyvane": class name and title

struct MessageHandler {
    UINT message;
    LRESULT (*handle)(HWND, UINT, WPARAM, LPARAM);
};

struct CommandHandler {
    UINT id;
    LRESULT (*handle)(HWND, WORD, HWND, WORD);
};

extern const MessageHandler MessageHandlers[9];
extern const CommandHandler CommandHandlers[7];

// The GUI entry's work: register, create, run the message loop. Returns the
// process exit code (1: class not registered, 16: second instance or no window).
int TallyvaneMain(HINSTANCE instance, int showCommand);

int RegisterMainClass(HINSTANCE instance);  // 0 on success, 1 on failure
HWND CreateMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND CreateMenuBar(HWND window);

// Puts the state above back to its start values (tests only).
void ResetMainWindowStateForTests();
