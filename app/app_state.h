// The process-wide state that the main window sets up and the features share:
// the program's module, the two windows everything hangs from, and the total.
// The main window defines them (app/main_window.cpp) and resets them for tests.
#pragma once

#include <windows.h>

extern HINSTANCE AppInstance;   // the program's module: owner of the class, source of every resource
extern HWND MainWindow;         // the main window; null until CreateWindowExW returns
extern HWND EventListWindow;    // the event list
extern int TotalEvents;         // the number shown in "Total Events = %d"
