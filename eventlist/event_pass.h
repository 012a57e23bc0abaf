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

void AppendToLog(const WCHAR* piece);
