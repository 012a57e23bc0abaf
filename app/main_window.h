// The main window: start-up, the single-instance rule, the two buttons, the
// total line, the menu bar and the two dispatch tables.
#pragma once

#include <windows.h>

#include "app/app_state.h"

extern HWND MenuBarWindow;      // the menu bar, or null while there is none
extern HFONT ListFont;          // the event list's font

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

// Puts the state above and that of app/app_state.h back to their start values
// (tests only).
void ResetMainWindowStateForTests();
