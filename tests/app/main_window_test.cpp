#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "eventlist/event_list.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/program_process.h"
#include "tests/support/screen_capture.h"
#include "tests/support/screen_reading.h"

namespace {

RECT WindowRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// A top-level window of this test that can take the foreground from the
// program's main window.
struct OtherWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50,
                                  nullptr, nullptr, nullptr, nullptr);
    ~OtherWindow() { DestroyWindow(window); }
};

}  // namespace

TEST_F(MainWindowTest, FillsTheScreenAndLeavesTheBottomStripToTheMenuBar)
{
    device.Add(TestEntry());
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_NE(MenuBarWindow, nullptr);

    const RECT screen = HandheldScreenRect();
    const RECT main = WindowRect(MainWindow);
    EXPECT_EQ(main.left, screen.left);
    EXPECT_EQ(main.top, screen.top);
    EXPECT_EQ(main.right, screen.right);
    EXPECT_EQ(main.bottom, screen.bottom - HandheldMenuBarHeight);

    // The list was sized from the window before the shrink.
    const RECT list = WindowRect(EventListWindow);
    EXPECT_EQ(list.bottom - list.top, (screen.bottom - screen.top) - 45);
    EXPECT_EQ(list.right - list.left, (screen.right - screen.left) + 1);
    EXPECT_EQ(GetDlgCtrlID(EventListWindow), IDC_EVENT_LIST);

    // The menu bar is a window of its own along the bottom, not a child.
    EXPECT_EQ(GetParent(MenuBarWindow) == MainWindow && (GetWindowLongW(MenuBarWindow, GWL_STYLE) & WS_CHILD), false);
    EXPECT_EQ(WindowRect(MenuBarWindow).bottom, screen.bottom);
}

TEST_F(MainWindowTest, ButtonsSitWhereTheHandheldPutsThem)
{
    ASSERT_NE(CreateMain(), nullptr);
    struct Expected { int id; const wchar_t* text; int x; };
    for (const Expected& button : { Expected{ IDC_CLEAR, L"Clear", 125 }, Expected{ IDC_LOG, L"Log", 185 } }) {
        HWND control = GetDlgItem(MainWindow, button.id);
        ASSERT_NE(control, nullptr) << button.id;
        WCHAR text[16] = {};
        GetWindowTextW(control, text, 16);
        EXPECT_STREQ(text, button.text);
        RECT r = WindowRect(control);
        MapWindowPoints(HWND_DESKTOP, MainWindow, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, button.x);
        EXPECT_EQ(r.top, 2);
        EXPECT_EQ(r.right - r.left, 50);
        EXPECT_EQ(r.bottom - r.top, 16);
    }
}

TEST_F(MainWindowTest, WithoutMenuBarTheWindowKeepsItsFullHeight)
{
    // A module without the menu-bar resource makes the shell's bar fail.
    HINSTANCE bare = GetModuleHandleW(L"kernel32.dll");
    WNDCLASSW existing;
    if (!GetClassInfoW(bare, MainWindowClass, &existing)) {
        ASSERT_EQ(RegisterMainClass(bare), 0);
    }
    HWND window = CreateMainWindow(bare, SW_SHOW);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(MenuBarWindow, nullptr);
    const RECT screen = HandheldScreenRect();
    EXPECT_EQ(WindowRect(window).bottom - WindowRect(window).top, screen.bottom - screen.top);
    DestroyWindow(window);
    PumpMessages();
    UnregisterClassW(MainWindowClass, bare);
}

TEST_F(MainWindowTest, UnknownCommandsReturnZeroAndChangeNothing)
{
    device.Add(TestEntry());
    device.Add(TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Lunch", L"With Ana"));
    ASSERT_NE(CreateMain(), nullptr);
    const auto rowsBefore = ListRows();
    const int totalBefore = TotalEvents;
    const size_t storeBefore = device.Count();

    for (WORD id : { WORD(IDM_OPTIONS), WORD(12345), WORD(0) })
        EXPECT_EQ(Command(id), 0) << id;

    EXPECT_EQ(ListRows(), rowsBefore);
    EXPECT_EQ(TotalEvents, totalBefore);
    EXPECT_EQ(device.Count(), storeBefore);
    EXPECT_TRUE(IsWindow(MainWindow));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MainWindowTest, OtherMessagesReachTheDefaultProcedureUnchanged)
{
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_TRUE(SendMessageW(MainWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Renamed")));
    WCHAR text[32] = {};
    EXPECT_EQ(SendMessageW(MainWindow, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text)), 7);
    EXPECT_STREQ(text, L"Renamed");
    // A hit test answered by the default procedure: the client area.
    RECT r = WindowRect(MainWindow);
    EXPECT_EQ(SendMessageW(MainWindow, WM_NCHITTEST, 0, MAKELPARAM(r.left + 100, r.top + 100)), HTCLIENT);
}

TEST_F(MainWindowTest, HibernateInTheBackgroundDropsTheMenuBarUntilNextActivation)
{
    ASSERT_NE(CreateMain(), nullptr);
    HWND bar = MenuBarWindow;
    ASSERT_NE(bar, nullptr);
    const RECT before = WindowRect(MainWindow);

    OtherWindow other;
    SetForegroundWindow(other.window);
    PumpMessages();
    ASSERT_NE(GetForegroundWindow(), MainWindow);
    EXPECT_EQ(SendMessageW(MainWindow, WM_HIBERNATE, 0, 0), 0);
    EXPECT_EQ(MenuBarWindow, nullptr);
    EXPECT_FALSE(IsWindow(bar));

    // Deactivation alone does not bring it back; activation does, in place.
    SendMessageW(MainWindow, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(MenuBarWindow, nullptr);
    SendMessageW(MainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_NE(MenuBarWindow, nullptr);
    EXPECT_TRUE(IsWindow(MenuBarWindow));
    const RECT after = WindowRect(MainWindow);
    EXPECT_TRUE(EqualRect(&before, &after));

    // Activation while a bar exists keeps that bar.
    HWND current = MenuBarWindow;
    SendMessageW(MainWindow, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(MenuBarWindow, current);
}

TEST_F(MainWindowTest, HibernateInTheForegroundKeepsTheMenuBar)
{
    ASSERT_NE(CreateMain(), nullptr);
    SetForegroundWindow(MainWindow);
    PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), MainWindow);
    HWND bar = MenuBarWindow;
    SendMessageW(MainWindow, WM_HIBERNATE, 0, 0);
    EXPECT_EQ(MenuBarWindow, bar);
    EXPECT_TRUE(IsWindow(bar));
}

TEST_F(MainWindowTest, ExitCommandClosesTheWindowAndPostsQuitZero)
{
    ASSERT_NE(CreateMain(), nullptr);
    HWND window = MainWindow;
    HWND bar = MenuBarWindow;
    EXPECT_EQ(Command(IDM_EXIT), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(ListFont, nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(MainWindowTest, EntryEndsWithOneWhenTheClassCannotBeRegistered)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing;
    if (!GetClassInfoW(instance, MainWindowClass, &existing)) {
        ASSERT_EQ(RegisterMainClass(instance), 0);
    }
    // Registering the same class again fails, so the entry gives up at once.
    EXPECT_EQ(TallyvaneMain(instance, SW_SHOW), 1);
    EXPECT_EQ(FindWindowW(MainWindowClass, MainWindowClass), nullptr);
    EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(MainWindowTest, ProgramExitsWithZeroAfterExit)
{
    device.Add(TestEntry());
    ProgramProcess program(device.StorePath(), device.Folder());
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitForWindow(10000);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    // It read its options: the key exists now.
    EXPECT_TRUE(SettingsKeyExists());
}

TEST_F(MainWindowTest, SecondInstanceBringsTheFirstForwardAndEndsWithSixteen)
{
    device.Add(TestEntry());
    ASSERT_NE(CreateMain(), nullptr);
    OtherWindow other;
    SetForegroundWindow(other.window);
    PumpMessages();
    ASSERT_NE(GetForegroundWindow(), MainWindow);
    DeleteSettingsKey();

    ProgramProcess second(device.StorePath(), device.Folder());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitForExit(10000), 16u);
    PumpUntil([] { return GetForegroundWindow() == MainWindow; });

    EXPECT_EQ(GetForegroundWindow(), MainWindow);
    EXPECT_FALSE(SettingsKeyExists()) << "the second instance read its settings";
}

TEST_F(MainWindowTest, TotalLineShowsTheFirstCountEvenAfterTheWarningBox)
{
    // From 300 entries the first load warns first. While the box is up its
    // message loop paints the window behind it, with the total still 0.
    ASSERT_EQ(device.AddAlarms(300).size(), 300u);
    boxes.onShow = [](HWND) { UpdateWindow(FindWindowW(MainWindowClass, nullptr)); };
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(TotalEvents, 300);

    // Idle once, so that Wine hands what was painted to the X screen.
    PumpMessages();
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(CaptureScreen(L"", &shot, &error)) << error;
    EXPECT_EQ(TotalShown(shot, MainWindow), 300);
}
