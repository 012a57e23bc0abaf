#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "tests/support/stylus.h"
#include "tests/support/test_device.h"

namespace {

// What the test dialog's procedure saw, and how it answers colours.
struct DialogLog {
    DWORD flags = 0;               // SHInitDialog flags used at WM_INITDIALOG
    BOOL initResult = FALSE;
    std::vector<WORD> commands;
    HFONT selectFor1011 = nullptr; // selected into 1011's DC when it asks for colours
    HBRUSH answerFor1013 = nullptr;
};
DialogLog* Log = nullptr;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO info = { SHIDIM_FLAGS, dialog, Log->flags };
        Log->initResult = SHInitDialog(&info);
        return FALSE;
    }
    case WM_COMMAND:
        Log->commands.push_back(LOWORD(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == IDC_DUPLICATES_NOTE && Log->selectFor1011)
            SelectObject(reinterpret_cast<HDC>(wParam), Log->selectFor1011);
        if (id == IDC_SCRIPT_NOTE && Log->answerFor1013)
            return reinterpret_cast<INT_PTR>(Log->answerFor1013);
        return FALSE;
    }
    default:
        return FALSE;
    }
}

class ShellDialogTest : public ::testing::Test {
protected:
    ShellDialogTest() { Log = &log; }
    ~ShellDialogTest() override
    {
        for (HWND d : dialogs)
            DestroyWindow(d);
        PumpMessages();
        Log = nullptr;
    }

    // The Settings template, modeless, initialised with these flags.
    HWND Open(DWORD flags)
    {
        log.flags = flags;
        HMODULE self = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDD_SETTINGS), RT_DIALOG);
        auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(self, found)));
        HWND dialog = CreateDialogIndirectParamW(self, dialogTemplate, nullptr, TestDialogProc, 0);
        dialogs.push_back(dialog);
        PumpMessagesFor(30);
        return dialog;
    }

    static RECT ChildRect(HWND dialog, int id)
    {
        RECT r = {};
        GetWindowRect(GetDlgItem(dialog, id), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    TestDevice device;
    DialogLog log;
    std::vector<HWND> dialogs;
};

TEST_F(ShellDialogTest, FullScreenFillsTheScreenAboveTheMenuBar)
{
    HWND dialog = Open(SHIDIF_SIZEDLGFULLSCREEN);
    EXPECT_TRUE(log.initResult);
    RECT r;
    GetWindowRect(dialog, &r);
    const RECT expected = { 0, 0, HandheldScreenWidth, HandheldScreenHeight - HandheldMenuBarHeight };
    EXPECT_TRUE(EqualRect(&r, &expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(GetDlgItem(dialog, IDOK), nullptr) << "an ok button without SHIDIF_DONEBUTTON";
}

TEST_F(ShellDialogTest, DoneButtonSitsInTheTitleStripAndSendsIdok)
{
    HWND plain = Open(SHIDIF_SIZEDLGFULLSCREEN);
    HWND dialog = Open(SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN);
    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(ok, nullptr);
    WCHAR text[16] = {};
    GetWindowTextW(ok, text, ARRAYSIZE(text));
    EXPECT_STREQ(text, L"ok");
    EXPECT_TRUE(IsWindowVisible(ok));
    const RECT button = ChildRect(dialog, IDOK);
    EXPECT_GE(button.left, HandheldScreenWidth / 2);
    EXPECT_LE(button.right, HandheldScreenWidth);
    EXPECT_LE(button.bottom, ChildRect(dialog, IDC_SETTINGS_HEADING).top)
        << "the button overlaps the dialog's first control";

    // The template's controls moved down under the strip, all by the same.
    const int shift = ChildRect(dialog, IDC_SETTINGS_HEADING).top - ChildRect(plain, IDC_SETTINGS_HEADING).top;
    EXPECT_GT(shift, 0);
    EXPECT_EQ(ChildRect(dialog, IDC_SCRIPT_NOTE).top - ChildRect(plain, IDC_SCRIPT_NOTE).top, shift);
    EXPECT_LE(ChildRect(dialog, IDC_SCRIPT_NOTE).bottom, HandheldScreenHeight - HandheldMenuBarHeight);

    SetForegroundWindow(dialog);
    EXPECT_TRUE(TapAt(ScreenCentre(ok, RECT{ 0, 0, button.right - button.left, button.bottom - button.top })));
    ASSERT_TRUE(PumpUntil([&] { return !log.commands.empty(); }));
    EXPECT_EQ(log.commands, std::vector<WORD>{ IDOK });
}

TEST_F(ShellDialogTest, EscapeStillCancels)
{
    HWND dialog = Open(SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN);
    MSG escape = {};
    escape.hwnd = dialog;
    escape.message = WM_KEYDOWN;
    escape.wParam = VK_ESCAPE;
    escape.lParam = 0x00010001;
    EXPECT_TRUE(IsDialogMessageW(dialog, &escape));
    EXPECT_EQ(log.commands, std::vector<WORD>{ IDCANCEL });
}

TEST_F(ShellDialogTest, DoneButtonAloneGrowsTheDialogByTheStrip)
{
    HWND plain = Open(0);
    HWND dialog = Open(SHIDIF_DONEBUTTON);
    RECT before, after;
    GetWindowRect(plain, &before);
    GetWindowRect(dialog, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    const int shift = ChildRect(dialog, IDC_SETTINGS_HEADING).top - ChildRect(plain, IDC_SETTINGS_HEADING).top;
    EXPECT_EQ((after.bottom - after.top) - (before.bottom - before.top), shift);
}

TEST_F(ShellDialogTest, InitialisingTwiceKeepsOneOkButton)
{
    HWND dialog = Open(SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN);
    const int top = ChildRect(dialog, IDC_SETTINGS_HEADING).top;
    SHINITDLGINFO again = { SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN };
    EXPECT_TRUE(SHInitDialog(&again));
    int okButtons = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        okButtons += GetDlgCtrlID(child) == IDOK;
    EXPECT_EQ(okButtons, 1);
    EXPECT_EQ(ChildRect(dialog, IDC_SETTINGS_HEADING).top, top);
}

TEST_F(ShellDialogTest, BadArgumentsFail)
{
    EXPECT_FALSE(SHInitDialog(nullptr));
    HWND dialog = Open(0);
    SHINITDLGINFO noMask = { 0, dialog, SHIDIF_DONEBUTTON };
    EXPECT_FALSE(SHInitDialog(&noMask));
    EXPECT_EQ(GetDlgItem(dialog, IDOK), nullptr);
    SHINITDLGINFO noWindow = { SHIDIM_FLAGS, nullptr, SHIDIF_DONEBUTTON };
    EXPECT_FALSE(SHInitDialog(&noWindow));
}

// What a control's colour question leaves in a fresh device context.
struct ColourAnswer {
    HBRUSH brush;
    COLORREF text;
    COLORREF background;
    HGDIOBJ font;
};

ColourAnswer AskColours(HWND dialog, int id)
{
    HDC dc = CreateCompatibleDC(nullptr);
    ColourAnswer answer;
    answer.brush = reinterpret_cast<HBRUSH>(
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))));
    answer.text = GetTextColor(dc);
    answer.background = GetBkColor(dc);
    answer.font = GetCurrentObject(dc, OBJ_FONT);
    DeleteDC(dc);
    return answer;
}

TEST_F(ShellDialogTest, DrawnOnWhiteWhereTheDialogLeavesColoursToTheSystem)
{
    log.answerFor1013 = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    HWND dialog = Open(SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN);

    const ColourAnswer left = AskColours(dialog, IDC_SETTINGS_HEADING);
    EXPECT_EQ(left.brush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(left.background, RGB(255, 255, 255));
    EXPECT_EQ(left.text, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(AskColours(dialog, IDC_SCRIPT_NOTE).brush, GetStockObject(BLACK_BRUSH));

    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(dialog))),
              GetStockObject(WHITE_BRUSH));
    DeleteDC(dc);
}

TEST_F(ShellDialogTest, StaticDrawsWithTheFontTheDialogSelectsForIt)
{
    HFONT bold = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    log.selectFor1011 = bold;
    HWND dialog = Open(SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN);
    UpdateWindow(GetDlgItem(dialog, IDC_DUPLICATES_NOTE));

    // The control would draw over the dialog's font with its own; the others
    // keep the template's.
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_DUPLICATES_NOTE, WM_GETFONT, 0, 0), 0);
    EXPECT_NE(SendDlgItemMessageW(dialog, IDC_SCRIPT_NOTE, WM_GETFONT, 0, 0), 0);
    EXPECT_NE(SendDlgItemMessageW(dialog, IDC_SETTINGS_HEADING, WM_GETFONT, 0, 0), 0);
    EXPECT_EQ(AskColours(dialog, IDC_DUPLICATES_NOTE).font, bold);
    DestroyWindow(dialog);
    DeleteObject(bold);
}

TEST_F(ShellDialogTest, ControlsClipEachOtherAsOnTheHandheld)
{
    HWND dialog = Open(SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN);
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_STYLE) & WS_CLIPCHILDREN);
    for (int id : { IDC_SETTINGS_HEADING, IDC_REMOVE_DUPLICATES, IDC_DUPLICATES_NOTE })
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_CLIPSIBLINGS) << id;
}

}  // namespace
