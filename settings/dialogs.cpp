// The About and Settings dialogs: full-screen in the handheld manner, each with
// a bold blue heading and coloured notes.
#include "settings/dialogs.h"

#include <aygshell.h>

#include <cwchar>

#include "app/app_state.h"
#include "app/dialog_template.h"
#include "base/unique_handles.h"
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

LRESULT RunDialog(HWND owner, int templateId, DLGPROC procedure)
{
    if (const DLGTEMPLATE* dialogTemplate = LoadDialogTemplate(templateId))
        DialogBoxIndirectParamW(AppInstance, dialogTemplate, owner, procedure, 0);
    return 0;
}

void AboutOnInitDialog(HWND dialog)
{
    SetWindowTextW(GetDlgItem(dialog, IDC_ABOUT_NAME), L"Tallyvane");
    SetWindowTextW(GetDlgItem(dialog, IDC_ABOUT_VERSION), L"Version 2.0");
}

// 1000 closes the dialog like the shell's OK.
constexpr int AboutCloseCommand = 1000;

INT_PTR AboutOnCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
    case AboutCloseCommand:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

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

void SettingsOnInitDialog(HWND dialog)
{
    CheckWhenOn(dialog, IDC_REMOVE_DUPLICATES, RemoveDuplicates);
    CheckWhenOn(dialog, IDC_REMOVE_SCRIPT, RemoveScriptEvents);
}

// The check boxes' own clicks need nothing: they toggle themselves.
INT_PTR SettingsOnCommand(HWND dialog, WORD id)
{
    switch (id) {
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

// What sets the two dialogs apart: the bold blue heading, the notes in one
// colour (a note id of 0 is none: GetDlgCtrlID gives 0 only when it fails),
// what opening the dialog sets up and what its commands do.
struct DialogKind {
    int headingId;
    HeadingFont heading;
    COLORREF noteColour;
    int notes[2];
    void (*onInitDialog)(HWND dialog);
    INT_PTR (*onCommand)(HWND dialog, WORD id);
};

DialogKind AboutDialog = {
    IDC_ABOUT_NAME, { 14, nullptr }, HeadingBlue, { IDC_ABOUT_WEB, 0 },
    AboutOnInitDialog, AboutOnCommand,
};
DialogKind SettingsDialog = {
    IDC_SETTINGS_HEADING, { 13, nullptr }, NoteRed, { IDC_DUPLICATES_NOTE, IDC_SCRIPT_NOTE },
    SettingsOnInitDialog, SettingsOnCommand,
};

// Controls the dialog does not colour get what the system gives them.
INT_PTR ColourStatic(DialogKind& kind, HWND dialog, WPARAM wParam, LPARAM lParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (id == kind.headingId)
        return ColourHeading(kind.heading, dc);
    for (int note : kind.notes) {
        if (note != 0 && note == id)
            return ColourText(dc, kind.noteColour);
    }
    return static_cast<INT_PTR>(DefWindowProcW(dialog, WM_CTLCOLORSTATIC, wParam, lParam));
}

// Messages the dialog does not handle get the dialog manager's default.
INT_PTR HandleDialogMessage(DialogKind& kind, HWND dialog, UINT message, WPARAM wParam,
                            LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitShellDialog(dialog);
        kind.onInitDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        return kind.onCommand(dialog, LOWORD(wParam));
    case WM_CTLCOLORSTATIC:
        return ColourStatic(kind, dialog, wParam, lParam);
    case WM_DESTROY:
        ReleaseHeadingFont(dialog, kind.heading);
        return FALSE;
    default:
        return FALSE;
    }
}

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
    return HandleDialogMessage(AboutDialog, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleDialogMessage(SettingsDialog, dialog, message, wParam, lParam);
}
