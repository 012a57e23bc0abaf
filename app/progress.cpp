// The busy cursor and the progress window that every long pass shows while it
// runs without pumping messages.
#include "app/progress.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "resources/resource.h"

HCURSOR SavedCursor = nullptr;
HWND ProgressWindow = nullptr;

void BusyCursor(int on)
{
    if (on == 1) {
        SavedCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        // The display count goes up here and down again when the cursor goes
        // off, so a cursor hidden before the pass stays hidden after it.
        ShowCursor(TRUE);
        return;
    }
    ShowCursor(FALSE);
    SetCursor(SavedCursor);
    SavedCursor = nullptr;
}

HWND ProgressOpen(HWND owner)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(IDD_PROGRESS), RT_DIALOG);
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(AppInstance, found);
    if (!loaded)
        return nullptr;
    // The template's own style makes the dialog visible and centred at once.
    auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(LockResource(loaded));
    return CreateDialogIndirectParamW(AppInstance, dialogTemplate, owner, ProgressDialogProc, 0);
}

// The pass pumps no messages, so each changed line is repainted at once.
static void SetLine(HWND dialog, int id, const WCHAR* text)
{
    HWND line = GetDlgItem(dialog, id);
    SetWindowTextW(line, text);
    UpdateWindow(line);
}

void ProgressStart(HWND dialog, const WCHAR* status, const WCHAR* title, int low, int high)
{
    if (!dialog)
        return;
    SetLine(dialog, IDC_PROGRESS_STATUS, status);
    SetLine(dialog, IDC_PROGRESS_TITLE, title);
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    // The bar keeps 16-bit bounds: each is cut to its low word.
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(low, high));
    SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void ProgressStep(HWND dialog, const WCHAR* status, int position)
{
    if (!dialog)
        return;
    SetLine(dialog, IDC_PROGRESS_STATUS, status);
    SendMessageW(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ProgressClose(HWND dialog)
{
    if (dialog)
        DestroyWindow(dialog);
}

// The dialog takes no input of its own: everything gets the default handling.
INT_PTR CALLBACK ProgressDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

void ResetProgressStateForTests()
{
    if (ProgressWindow && IsWindow(ProgressWindow))
        DestroyWindow(ProgressWindow);
    ProgressWindow = nullptr;
    SavedCursor = nullptr;
}
