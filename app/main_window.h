// The main window: start-up, the single-instance rule, the two buttons, the
// total line, the list's reloads, the menu bar and the two dispatch tables.
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

enum TotalSource : int { TotalFromLoad, TotalCountedFirst };
enum ColumnFit : int { KeepColumns, FitColumns };

// Refills the list, sets TotalEvents and repaints the line that shows it;
// whether to repaint the rest of the main window is the caller's choice. The
// four reloads differ on purpose:
// - Clear and Refresh count the database first, so that the total line says
//   what it holds even when the load then stops short (with no room for the
//   handles the load's result is 0). Start-up and a single delete take the
//   count the load made itself: one count instead of two, and after a delete
//   the total is the count of the reload.
// - The columns are fitted to their texts when the list is first filled and
//   when the user asks for Refresh. Clear and a delete only take rows away,
//   and the columns keep the widths they have.
void ReloadEvents(TotalSource total, ColumnFit columns);

// Puts the state above and that of app/app_state.h back to their start values
// (tests only).
void ResetMainWindowStateForTests();
