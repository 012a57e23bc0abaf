#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/dialogs.h"
#include "settings/settings_store.h"
#include "tests/dialogs/gdi_count.h"
#include "tests/dialogs/modal_script.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/program_process.h"
#include "tests/support/stylus.h"

namespace {

constexpr COLORREF HeadingBlue = 0x00990000;
constexpr COLORREF NoteRed = 0x000000C8;

std::optional<DWORD> StoredOption(const wchar_t* name)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0, size = sizeof value, type = 0;
    const LONG read = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

void StoreOption(const wchar_t* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

bool IsChecked(HWND dialog, int box)
{
    return SendDlgItemMessageW(dialog, box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Press(HWND dialog, int id)
{
    SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
}

void Cancel(HWND dialog)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
}

// The program on a device with two entries, so that its first load has
// nothing to report.
class DialogsTest : public MainWindowTest {
protected:
    HWND Start()
    {
        device.Add(TestEntry{});
        device.Add(TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Meeting", L"Room 4"));
        return CreateMain();
    }
    void OpenAbout(std::function<void(HWND)> script)
    {
        ModalScript driver(std::move(script));
        EXPECT_EQ(Command(IDM_ABOUT), 0);
        Check(driver);
    }
    void OpenSettings(std::function<void(HWND)> script)
    {
        ModalScript driver(std::move(script));
        EXPECT_EQ(Command(IDM_SETTINGS), 0);
        Check(driver);
    }
    static void Check(const ModalScript& driver)
    {
        EXPECT_TRUE(driver.Ran()) << "no dialog came up";
        EXPECT_FALSE(driver.TimedOut()) << "the dialog stayed open";
        EXPECT_FALSE(IsWindow(driver.Dialog())) << "the dialog outlived its show operation";
    }
};

TEST_F(DialogsTest, AboutFillsTheScreenAboveTheBarAndTheShellsOkClosesIt)
{
    ASSERT_NE(Start(), nullptr);
    OpenAbout([&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), MainWindow);
        RECT r;
        GetWindowRect(dialog, &r);
        const RECT expected = { 0, 0, HandheldScreenWidth, HandheldScreenHeight - HandheldMenuBarHeight };
        EXPECT_TRUE(EqualRect(&r, &expected));
        EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_NAME)), L"Tallyvane");
        EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_VERSION)), L"Version 2.0");
        EXPECT_FALSE(TextOf(GetDlgItem(dialog, IDC_ABOUT_WEB)).empty());
        HWND ok = GetDlgItem(dialog, IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(TextOf(ok), L"ok");
        Press(dialog, IDOK);
    });
}

TEST_F(DialogsTest, AboutClosesOnCancelAndOnCommand1000ButNotOnOtherCommands)
{
    ASSERT_NE(Start(), nullptr);
    for (WORD id : { WORD{ IDCANCEL }, WORD{ 1000 } }) {
        OpenAbout([&](HWND dialog) {
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_WEB, 0), 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
            EXPECT_TRUE(IsWindowVisible(dialog)) << "closed by a command that is not its own";
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        });
    }
}

TEST_F(DialogsTest, SettingsShowsTheOptionsAndItsOkSavesBoth)
{
    StoreOption(L"script", 1);
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(RemoveScriptEvents, 1u);
    OpenSettings([&](HWND dialog) {
        EXPECT_FALSE(IsChecked(dialog, IDC_REMOVE_DUPLICATES));
        EXPECT_TRUE(IsChecked(dialog, IDC_REMOVE_SCRIPT));
        Press(dialog, IDC_REMOVE_DUPLICATES);
        EXPECT_EQ(RemoveDuplicates, 0u) << "saved before the dialog was confirmed";
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RemoveDuplicates, 1u);
    EXPECT_EQ(RemoveScriptEvents, 1u);
    EXPECT_EQ(StoredOption(L"duplicates"), 1u);
    EXPECT_EQ(StoredOption(L"script"), 1u);
}

TEST_F(DialogsTest, EscapeCancelsSettingsAndNothingIsSaved)
{
    ASSERT_NE(Start(), nullptr);
    OpenSettings([&](HWND dialog) {
        Press(dialog, IDC_REMOVE_DUPLICATES);
        Press(dialog, IDC_REMOVE_SCRIPT);
        PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    });
    EXPECT_EQ(RemoveDuplicates, 0u);
    EXPECT_EQ(RemoveScriptEvents, 0u);
    EXPECT_EQ(StoredOption(L"duplicates"), std::nullopt);
    EXPECT_EQ(StoredOption(L"script"), std::nullopt);
}

TEST_F(DialogsTest, AnOptionHoldingTwoShowsUncheckedAndConfirmingStoresZero)
{
    StoreOption(L"duplicates", 2);
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(RemoveDuplicates, 2u);
    OpenSettings([&](HWND dialog) {
        EXPECT_FALSE(IsChecked(dialog, IDC_REMOVE_DUPLICATES));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RemoveDuplicates, 0u);
    EXPECT_EQ(StoredOption(L"duplicates"), 0u);
    EXPECT_EQ(StoredOption(L"script"), 0u) << "the untouched option was not written";
}

TEST_F(DialogsTest, ConfirmingWithTheKeyGoneChangesTheOptionsForThisRunOnly)
{
    ASSERT_NE(Start(), nullptr);
    OpenSettings([&](HWND dialog) {
        DeleteSettingsKey();
        Press(dialog, IDC_REMOVE_SCRIPT);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RemoveScriptEvents, 1u);
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS)
        << "the key was made again";
}

// What one control's colour question leaves in a device context.
struct Colours {
    HBRUSH brush;
    COLORREF text;
    int mode;
    HFONT font;
    bool fontChanged;   // a font was selected into the context
    LOGFONTW logfont;
};

Colours AskColours(HWND dialog, HWND control)
{
    HDC dc = CreateCompatibleDC(nullptr);
    Colours c = {};
    const HGDIOBJ initialFont = GetCurrentObject(dc, OBJ_FONT);
    c.brush = reinterpret_cast<HBRUSH>(SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(control)));
    c.text = GetTextColor(dc);
    c.mode = GetBkMode(dc);
    c.font = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    c.fontChanged = c.font != initialFont;
    GetObjectW(c.font, sizeof c.logfont, &c.logfont);
    DeleteDC(dc);
    return c;
}

std::vector<HWND> Controls(HWND dialog)
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) != IDOK)
            controls.push_back(child);
    return controls;
}

struct ColouredControl {
    int id;
    COLORREF text;
    LONG headingHeight;   // 0: no heading font
};

// Named controls get their colour on a white brush, transparent; every other
// control gets what the system gives (the dialog procedure returns
// DefWindowProc's answer; the shell draws that on the handheld's white).
void ExpectOnlyTheseColoured(HWND dialog, DLGPROC procedure, const std::vector<ColouredControl>& named)
{
    for (HWND control : Controls(dialog)) {
        const int id = GetDlgCtrlID(control);
        const Colours c = AskColours(dialog, control);
        const ColouredControl* entry = nullptr;
        for (const ColouredControl& n : named)
            if (n.id == id)
                entry = &n;
        if (!entry) {
            EXPECT_EQ(c.text, GetSysColor(COLOR_WINDOWTEXT)) << "control " << id;
            EXPECT_EQ(c.mode, OPAQUE) << "control " << id;
            EXPECT_FALSE(c.fontChanged) << "control " << id;
            HDC dc = CreateCompatibleDC(nullptr);
            EXPECT_EQ(procedure(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(control)),
                      DefWindowProcW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(control)))
                << "control " << id;
            DeleteDC(dc);
            continue;
        }
        EXPECT_EQ(c.text, entry->text) << "control " << id;
        EXPECT_EQ(c.mode, TRANSPARENT) << "control " << id;
        EXPECT_EQ(c.brush, GetStockObject(WHITE_BRUSH)) << "control " << id;
        EXPECT_EQ(c.fontChanged, entry->headingHeight != 0) << "control " << id;
        if (entry->headingHeight) {
            EXPECT_EQ(c.logfont.lfHeight, entry->headingHeight) << "control " << id;
            EXPECT_EQ(c.logfont.lfWeight, FW_BOLD) << "control " << id;
            EXPECT_STREQ(c.logfont.lfFaceName, L"Tahoma") << "control " << id;
        }
    }
}

TEST_F(DialogsTest, OnlyTheNamedControlsAreColoured)
{
    ASSERT_NE(Start(), nullptr);
    OpenAbout([&](HWND dialog) {
        EXPECT_EQ(Controls(dialog).size(), 7u);
        ExpectOnlyTheseColoured(dialog, AboutDialogProc,
                                { { IDC_ABOUT_NAME, HeadingBlue, 14 }, { IDC_ABOUT_WEB, HeadingBlue, 0 } });
        Press(dialog, IDOK);
    });
    OpenSettings([&](HWND dialog) {
        EXPECT_EQ(Controls(dialog).size(), 5u);
        ExpectOnlyTheseColoured(dialog, SettingsDialogProc,
                                { { IDC_SETTINGS_HEADING, HeadingBlue, 13 },
                                  { IDC_DUPLICATES_NOTE, NoteRed, 0 },
                                  { IDC_SCRIPT_NOTE, NoteRed, 0 } });
        Cancel(dialog);
    });
}

// The heading font in use while the dialog is open, by asking as the heading does.
HFONT HeadingFontOf(HWND dialog, int heading)
{
    return AskColours(dialog, GetDlgItem(dialog, heading)).font;
}

TEST_F(DialogsTest, EachOpeningMakesOneHeadingFontAndDeletesItWithTheDialog)
{
    ASSERT_NE(Start(), nullptr);
    std::vector<HFONT> made;
    for (int round = 0; round < 2; ++round) {
        OpenAbout([&](HWND dialog) {
            const HFONT first = HeadingFontOf(dialog, IDC_ABOUT_NAME);
            EXPECT_EQ(HeadingFontOf(dialog, IDC_ABOUT_NAME), first) << "a second font for one dialog";
            made.push_back(first);
            Press(dialog, IDOK);
        });
        OpenSettings([&](HWND dialog) {
            made.push_back(HeadingFontOf(dialog, IDC_SETTINGS_HEADING));
            Press(dialog, IDOK);
        });
    }
    for (HFONT font : made)
        EXPECT_EQ(GetObjectType(font), 0u) << "font " << font << " outlived its dialog";
}

TEST_F(DialogsTest, FiftyOpeningsOfEachDialogLeaveNoGdiObjectBehind)
{
    ASSERT_NE(Start(), nullptr);
    const std::function<void()> open[] = {
        [&] { OpenAbout([](HWND dialog) { Press(dialog, IDOK); }); },
        [&] { OpenSettings([](HWND dialog) { Cancel(dialog); }); },
    };
    for (const auto& openAndClose : open) {
        openAndClose();   // the system's own first-use objects
        PumpMessages();
        const long before = LiveGdiObjects();
        if (before < 0)
            GTEST_SKIP() << "this system does not tell the number of GDI objects";
        for (int i = 0; i < 50; ++i)
            openAndClose();
        PumpMessages();
        EXPECT_EQ(LiveGdiObjects(), before) << (&openAndClose == &open[0] ? "About" : "Settings");
    }
}

TEST_F(DialogsTest, SettingsNeitherReloadsNorRepaintsTheList)
{
    ASSERT_NE(Start(), nullptr);
    const auto rowsBefore = ListRows();
    const int totalBefore = TotalEvents;
    device.Add(TestEntry::Dialog(L"\\Windows\\alarm.exe", L"Wake", L"Up"));
    OpenSettings([&](HWND dialog) {
        Press(dialog, IDC_REMOVE_DUPLICATES);
        Press(dialog, IDOK);
    });
    PumpMessages();
    EXPECT_EQ(ListRows(), rowsBefore);
    EXPECT_EQ(TotalEvents, totalBefore);
}

TEST_F(DialogsTest, TheNextClearObeysTheNewOption)
{
    device.Add(TestEntry{});
    device.Add(TestEntry{});
    ASSERT_NE(CreateMain(), nullptr);
    Command(IDC_CLEAR);
    ASSERT_EQ(device.Count(), 2u) << "duplicates removed while the option was off";

    OpenSettings([&](HWND dialog) {
        Press(dialog, IDC_REMOVE_DUPLICATES);
        Press(dialog, IDOK);
    });
    Command(IDC_CLEAR);
    EXPECT_EQ(device.Count(), 1u);
}

HMENU OpenDropDown = nullptr;

// Runs inside the drop-down's own loop: taps its first item once it is shown.
void CALLBACK TapFirstItem(HWND, UINT, UINT_PTR id, DWORD)
{
    RECT item;
    if (!GetMenuItemRect(nullptr, OpenDropDown, 0, &item))
        return;
    KillTimer(nullptr, id);
    EXPECT_TRUE(TapAt(POINT{ (item.left + item.right) / 2, (item.top + item.bottom) / 2 }));
}

TEST_F(DialogsTest, OptionsThenSettingsOnTheMenuBarOpensTheDialogAboveTheBar)
{
    ASSERT_NE(Start(), nullptr);
    ASSERT_NE(MenuBarWindow, nullptr);
    RECT options = {};
    SendMessageW(MenuBarWindow, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&options));
    MapWindowPoints(MenuBarWindow, nullptr, reinterpret_cast<POINT*>(&options), 2);
    OpenDropDown = reinterpret_cast<HMENU>(SendMessageW(MenuBarWindow, SHCMBM_GETSUBMENU, 0, IDM_OPTIONS));
    const UINT_PTR chooser = SetTimer(nullptr, 0, 50, TapFirstItem);

    bool sawSettings = false;
    ModalScript driver([&](HWND dialog) {
        sawSettings = GetDlgItem(dialog, IDC_REMOVE_DUPLICATES) != nullptr;
        EXPECT_EQ(WindowFromPoint(POINT{ 120, HandheldScreenHeight - 4 }), MenuBarWindow);
        Press(dialog, IDC_REMOVE_DUPLICATES);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(TapAt(POINT{ (options.left + options.right) / 2, (options.top + options.bottom) / 2 }));
    PumpUntil([&] { return driver.Ran(); });
    KillTimer(nullptr, chooser);
    EXPECT_TRUE(sawSettings);
    EXPECT_EQ(RemoveDuplicates, 1u);
}

TEST_F(DialogsTest, AMissingTemplateShowsNothing)
{
    ASSERT_NE(Start(), nullptr);
    // A module with no dialog resources stands for the program's own.
    HMODULE bare = LoadLibraryExW(BuiltProgramPath(L"windowctl.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(bare, nullptr);
    ASSERT_EQ(FindResourceW(bare, MAKEINTRESOURCEW(IDD_ABOUT), RT_DIALOG), nullptr);
    const HINSTANCE program = AppInstance;
    AppInstance = bare;
    {
        ModalScript driver([](HWND dialog) { EndDialog(dialog, 0); });
        EXPECT_EQ(ShowAboutDialog(MainWindow, IDM_ABOUT, nullptr, 0), 0);
        EXPECT_EQ(ShowSettingsDialog(MainWindow, IDM_SETTINGS, nullptr, 0), 0);
        EXPECT_EQ(driver.DialogsCreated(), 0);
    }
    AppInstance = program;
    FreeLibrary(bare);
}

}  // namespace
