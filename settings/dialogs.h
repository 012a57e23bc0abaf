// The About and Settings dialogs, both full-screen in the Pocket PC manner.
#pragma once

#include <windows.h>

LRESULT ShowAboutDialog(HWND window, WORD id, HWND control, WORD code);
LRESULT ShowSettingsDialog(HWND window, WORD id, HWND control, WORD code);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
