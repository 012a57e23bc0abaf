// Placeholder until the event pass lands.
#include "eventlist/event_pass.h"
const WCHAR LogFileName[] = L"notify_logfile.txt";
const WCHAR VersionText[] = L"Version 2.0";
bool LogWriteFailed = false;
void ResetLogWriteFailure() { LogWriteFailed = false; }
DWORD EventPass(int) { return 0; }
DWORD CountNotifications() { return 0; }
void AppendToLog(const WCHAR*) {}
