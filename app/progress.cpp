// The busy cursor and the progress window that every long pass shows while it
// runs without pumping messages.
#include "app/progress.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "app/dialog_template.h"
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

DWORD StopPass(BusyCursorScope& busy, const PassFailure& failure)
{
    busy.End();
    MessageBoxW(nullptr, failure.text, failure.caption, MB_OK);
    return 0;
}

// The template's own style makes the dialog visible and centred at once.
HWND ProgressOpen(HWND owner)
{
    const DLGTEMPLATE* dialogTemplate = LoadDialogTemplate(IDD_PROGRESS);
    if (!dialogTemplate)
        return nullptr;
    return CreateDialogIndirectParamW(AppInstance, dialogTemplate, owner, ProgressDialogProc, 0);
}

namespace {

// The controls of the dialog that the last call served. A pass steps once
// per notification, and every GetDlgItem walks the dialog's children (under
// Wine a round trip to the server each time), so they are looked up once
// per dialog instead of twice per step. The dialog procedure forgets them
// when that dialog is destroyed, whoever destroys it.
struct ProgressControls {
    HWND dialog = nullptr;
    HWND status = nullptr;
    HWND title = nullptr;
    HWND bar = nullptr;
};
ProgressControls Controls;

const ProgressControls& ControlsOf(HWND dialog)
{
    if (Controls.dialog != dialog) {
        Controls.dialog = dialog;
        Controls.status = GetDlgItem(dialog, IDC_PROGRESS_STATUS);
        Controls.title = GetDlgItem(dialog, IDC_PROGRESS_TITLE);
        Controls.bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    }
    return Controls;
}

// The pass pumps no messages, so each changed line is repainted at once.
void SetLine(HWND line, const WCHAR* text)
{
    SetWindowTextW(line, text);
    UpdateWindow(line);
}

// A pass's status line, with room to spare for any two counts.
struct StatusLine {
    StatusLine(DWORD done, DWORD total)
    {
        wsprintfW(text, L"Processing %d of %d events...", static_cast<int>(done),
                  static_cast<int>(total));
    }
    WCHAR text[100];
};

}  // namespace

void ProgressStart(HWND dialog, const WCHAR* status, const WCHAR* title, int low, int high)
{
    if (!dialog)
        return;
    const ProgressControls& controls = ControlsOf(dialog);
    SetLine(controls.status, status);
    SetLine(controls.title, title);
    // The bar keeps 16-bit bounds: each is cut to its low word.
    SendMessageW(controls.bar, PBM_SETRANGE, 0, MAKELPARAM(low, high));
    SendMessageW(controls.bar, PBM_SETPOS, 0, 0);
}

void ProgressStep(HWND dialog, const WCHAR* status, int position)
{
    if (!dialog)
        return;
    const ProgressControls& controls = ControlsOf(dialog);
    SetLine(controls.status, status);
    SendMessageW(controls.bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ProgressClose(HWND dialog)
{
    if (dialog)
        DestroyWindow(dialog);
}

// The dialog takes no input of its own: everything gets the default handling.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_DESTROY && dialog == Controls.dialog)
        Controls = {};
    return FALSE;
}

void PassProgressOpen(const WCHAR* title, DWORD total)
{
    ProgressWindow = ProgressOpen(MainWindow);
    ProgressStart(ProgressWindow, StatusLine(0, total).text, title, 0, static_cast<int>(total));
}

void PassProgressStep(DWORD done, DWORD total)
{
    ProgressStep(ProgressWindow, StatusLine(done, total).text, static_cast<int>(done));
}

void PassProgressClose()
{
    ProgressClose(ProgressWindow);
    ProgressWindow = nullptr;
}

void ResetProgressStateForTests()
{
    if (ProgressWindow && IsWindow(ProgressWindow))
        DestroyWindow(ProgressWindow);
    ProgressWindow = nullptr;
    SavedCursor = nullptr;
    Controls = {};
}
