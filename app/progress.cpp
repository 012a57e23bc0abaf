// Placeholder until the busy cursor and progress window land.
#include "app/progress.h"
HCURSOR SavedCursor = nullptr;
HWND ProgressWindow = nullptr;
void BusyCursor(int) {}
HWND ProgressOpen(HWND) { return nullptr; }
void ProgressStart(HWND, const WCHAR*, const WCHAR*, int, int) {}
void ProgressStep(HWND, const WCHAR*, int) {}
void ProgressClose(HWND) {}
INT_PTR CALLBACK ProgressDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void ResetProgressStateForTests() {}
