// Placeholder until the dialogs land.
#include "settings/dialogs.h"
LRESULT ShowAboutDialog(HWND, WORD, HWND, WORD) { return 0; }
LRESULT ShowSettingsDialog(HWND, WORD, HWND, WORD) { return 0; }
INT_PTR CALLBACK AboutDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK SettingsDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
