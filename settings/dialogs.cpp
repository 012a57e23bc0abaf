// The About and Settings dialogs: full-screen in the handheld manner, each with
// a bold blue heading and coloured notes.
#include "settings/dialogs.h"

#include <aygshell.h>

#include <cwchar>

#include "app/main_window.h"
#include "app/unique_handles.h"
#include "resources/resource.h"
#include "settings/settings_store.h"

namespace {

constexpr COLORREF HeadingBlue = 0x00990000;
constexpr COLORREF NoteRed = 0x000000C8;

// A dialog's heading font: made the first time the heading asks for its
// colours, kept while the dialog lives.
struct HeadingFont {
    LONG height;
    UniqueFont font;
    HFONT displaced = nullptr;   // what the heading font displaced at its latest selection
};

HeadingFont AboutHeading = { 14, nullptr };      // About's 1001
HeadingFont SettingsHeading = { 13, nullptr };   // Settings' 1008

UniqueFont MakeHeadingFont(LONG height)
{
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = OEM_CHARSET;
    font.lfPitchAndFamily = FF_ROMAN | DEFAULT_PITCH;
    wcscpy(font.lfFaceName, L"Tahoma");
    return UniqueFont(CreateFontIndirectW(&font));
}

INT_PTR ColourText(HDC dc, COLORREF colour)
{
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

INT_PTR ColourHeading(HeadingFont& heading, HDC dc)
{
    if (!heading.font)
        heading.font = MakeHeadingFont(heading.height);
    heading.displaced = static_cast<HFONT>(SelectObject(dc, heading.font.get()));
    return ColourText(dc, HeadingBlue);
}

// Puts the displaced font back and deletes the heading font, so that the next
// opening of the dialog makes its own.
void ReleaseHeadingFont(HWND dialog, HeadingFont& heading)
{
    if (!heading.font)
        return;
    HDC dc = GetDC(dialog);
    SelectObject(dc, heading.displaced);
    ReleaseDC(dialog, dc);
    heading.font.reset();
    heading.displaced = nullptr;
}

void InitShellDialog(HWND dialog)
{
    SHINITDLGINFO info = { SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN };
    SHInitDialog(&info);
}

// Controls the dialog does not colour get what the system gives them.
INT_PTR DefaultColours(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    return static_cast<INT_PTR>(DefWindowProcW(dialog, WM_CTLCOLORSTATIC, wParam, lParam));
}

LRESULT RunDialog(HWND owner, int templateId, DLGPROC procedure)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    if (!found)
        return 0;
    HGLOBAL loaded = LoadResource(AppInstance, found);
    if (!loaded)
        return 0;
    auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(LockResource(loaded));
    DialogBoxIndirectParamW(AppInstance, dialogTemplate, owner, procedure, 0);
    return 0;
}

struct DialogHandler {
    UINT message;
    INT_PTR (*handle)(HWND, WPARAM, LPARAM);
};

template <size_t N>
INT_PTR Dispatch(const DialogHandler (&handlers)[N], HWND dialog, UINT message, WPARAM wParam,
                 LPARAM lParam)
{
    for (const DialogHandler& entry : handlers) {
        if (entry.message == message)
            return entry.handle(dialog, wParam, lParam);
    }
    return FALSE;
}

INT_PTR AboutOnInitDialog(HWND dialog, WPARAM, LPARAM)
{
    InitShellDialog(dialog);
    SetWindowTextW(GetDlgItem(dialog, IDC_ABOUT_NAME), L"Tallyvane");
    SetWindowTextW(GetDlgItem(dialog, IDC_ABOUT_VERSION), L"Version 2.0");
    return FALSE;
}

// 1000 closes the dialog like the shell's OK.
constexpr int AboutCloseCommand = 1000;

INT_PTR AboutOnCommand(HWND dialog, WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
    case AboutCloseCommand:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR AboutOnCtlColorStatic(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    switch (GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) {
    case IDC_ABOUT_NAME:
        return ColourHeading(AboutHeading, dc);
    case IDC_ABOUT_WEB:
        return ColourText(dc, HeadingBlue);
    default:
        return DefaultColours(dialog, wParam, lParam);
    }
}

INT_PTR AboutOnDestroy(HWND dialog, WPARAM, LPARAM)
{
    ReleaseHeadingFont(dialog, AboutHeading);
    return FALSE;
}

constexpr DialogHandler AboutHandlers[] = {
    { WM_INITDIALOG, AboutOnInitDialog },
    { WM_COMMAND, AboutOnCommand },
    { WM_CTLCOLORSTATIC, AboutOnCtlColorStatic },
    { WM_DESTROY, AboutOnDestroy },
};

void CheckWhenOn(HWND dialog, int box, DWORD option)
{
    if (option == 1)
        SendMessageW(GetDlgItem(dialog, box), BM_SETCHECK, BST_CHECKED, 0);
}

DWORD BoxState(HWND dialog, int box)
{
    return static_cast<DWORD>(SendMessageW(GetDlgItem(dialog, box), BM_GETCHECK, 0, 0));
}

// Both options, in this order, each in memory first: a failed write still
// changes the option for this run.
void SaveOptions(HWND dialog)
{
    RemoveDuplicates = BoxState(dialog, IDC_REMOVE_DUPLICATES);
    WriteSettingValue(L"duplicates", RemoveDuplicates);
    RemoveScriptEvents = BoxState(dialog, IDC_REMOVE_SCRIPT);
    WriteSettingValue(L"script", RemoveScriptEvents);
}

INT_PTR SettingsOnInitDialog(HWND dialog, WPARAM, LPARAM)
{
    InitShellDialog(dialog);
    CheckWhenOn(dialog, IDC_REMOVE_DUPLICATES, RemoveDuplicates);
    CheckWhenOn(dialog, IDC_REMOVE_SCRIPT, RemoveScriptEvents);
    return FALSE;
}

// The check boxes' own clicks need nothing: they toggle themselves.
INT_PTR SettingsOnCommand(HWND dialog, WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        SaveOptions(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR SettingsOnCtlColorStatic(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    switch (GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) {
    case IDC_SETTINGS_HEADING:
        return ColourHeading(SettingsHeading, dc);
    case IDC_DUPLICATES_NOTE:
    case IDC_SCRIPT_NOTE:
        return ColourText(dc, NoteRed);
    default:
        return DefaultColours(dialog, wParam, lParam);
    }
}

INT_PTR SettingsOnDestroy(HWND dialog, WPARAM, LPARAM)
{
    ReleaseHeadingFont(dialog, SettingsHeading);
    return FALSE;
}

constexpr DialogHandler SettingsHandlers[] = {
    { WM_INITDIALOG, SettingsOnInitDialog },
    { WM_COMMAND, SettingsOnCommand },
    { WM_CTLCOLORSTATIC, SettingsOnCtlColorStatic },
    { WM_DESTROY, SettingsOnDestroy },
};

}  // namespace

LRESULT ShowAboutDialog(HWND window, WORD, HWND, WORD)
{
    return RunDialog(window, IDD_ABOUT, AboutDialogProc);
}

LRESULT ShowSettingsDialog(HWND window, WORD, HWND, WORD)
{
    return RunDialog(window, IDD_SETTINGS, SettingsDialogProc);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(AboutHandlers, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(SettingsHandlers, dialog, message, wParam, lParam);
}
