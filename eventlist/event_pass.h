// The walk over every notification: fill the event list, or append the log.
#pragma once

#include <windows.h>

enum EventPassMode : int {
    Log = 0,    // any value other than Load acts as Log
    Load = 1,
};

extern const WCHAR LogFileName[];   // "notify_logfile.txt", in the working folder

// Whether every piece appended since the last ResetLogWriteFailure() reached
// the file.
extern bool LogWriteFailed;
void ResetLogWriteFailure();

DWORD EventPass(int mode);
DWORD CountNotifications();

enum TotalSource : int { TotalFromLoad, TotalCountedFirst };
enum ColumnFit : int { KeepColumns, FitColumns };

// Refills the list and sets TotalEvents; how much of the main window to
// repaint is the caller's choice. The four reloads differ on purpose:
// - Clear and Refresh count the database first, so that the total line says
//   what it holds even when the load then stops short (with no room for the
//   handles the load's result is 0). Start-up and a single delete take the
//   count the load made itself: one count instead of two, and after a delete
//   the total is the count of the reload.
// - The columns are fitted to their texts when the list is first filled and
//   when the user asks for Refresh. Clear and a delete only take rows away,
//   and the columns keep the widths they have.
void ReloadEvents(TotalSource total, ColumnFit columns);

void AppendToLog(const WCHAR* piece);
