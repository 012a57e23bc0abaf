// The busy cursor and the progress window that every long pass shows while it
// runs without pumping messages.
#pragma once

#include <windows.h>

extern HCURSOR SavedCursor;    // the cursor to restore while the busy cursor is on; null when off
extern HWND ProgressWindow;    // the progress dialog of the running pass

void BusyCursor(int on);       // 1: wait cursor on; any other value: off

HWND ProgressOpen(HWND owner);
void ProgressStart(HWND dialog, const WCHAR* status, const WCHAR* title, int low, int high);
void ProgressStep(HWND dialog, const WCHAR* status, int position);
void ProgressClose(HWND dialog);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void ResetProgressStateForTests();
