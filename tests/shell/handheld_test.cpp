#include <windows.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "tests/support/stylus.h"
#include "tests/support/program_process.h"
#include "tests/support/test_device.h"

namespace {

const WCHAR PlainClass[] = L"HandheldTestWindow";

struct SeenAtCreate {
    RECT window;
    RECT client;
    LONG style;
};
SeenAtCreate AtCreate;

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        GetWindowRect(window, &AtCreate.window);
        GetClientRect(window, &AtCreate.client);
        AtCreate.style = GetWindowLongW(window, GWL_STYLE);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class HandheldTest : public ::testing::Test {
protected:
    HandheldTest()
    {
        static const bool registered = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = PlainProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            wc.lpszClassName = PlainClass;
            return RegisterClassW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
    }
    ~HandheldTest() override
    {
        for (HWND w : windows)
            DestroyWindow(w);
        PumpMessages();
    }

    HWND Make(DWORD style, int x, int y, int cx, int cy, HWND owner = nullptr)
    {
        HWND w = CreateWindowExW(0, PlainClass, L"", style, x, y, cx, cy, owner, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        windows.push_back(w);
        return w;
    }
    HWND MakeDefault() { return Make(WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT); }
    HWND MakeFullScreen(HWND owner = nullptr)
    {
        return Make(WS_POPUP | WS_VISIBLE, 0, 0, HandheldScreenWidth, HandheldScreenHeight, owner);
    }

    TestDevice device;
    std::vector<HWND> windows;
};

HWND WithLowBit(HWND window)
{
    return reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(window) | 1);
}

constexpr LONG FrameStyles = WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU;

TEST_F(HandheldTest, ScreenIsTheHandheldsScreen)
{
    const RECT screen = HandheldScreenRect();
    const RECT expected = { 0, 0, HandheldScreenWidth, HandheldScreenHeight };
    EXPECT_TRUE(EqualRect(&screen, &expected));
}

TEST_F(HandheldTest, DefaultWindowHasTheWholeScreenAlreadyAtCreateAndNoFrame)
{
    const RECT whole = { 0, 0, HandheldScreenWidth, HandheldScreenHeight };
    HWND placed = MakeDefault();
    ASSERT_NE(placed, nullptr);
    EXPECT_TRUE(EqualRect(&AtCreate.window, &whole));
    EXPECT_TRUE(EqualRect(&AtCreate.client, &whole)) << "client " << AtCreate.client.right << "x"
                                                     << AtCreate.client.bottom;
    EXPECT_EQ(AtCreate.style & FrameStyles, 0);
    EXPECT_EQ(GetWindowLongW(placed, GWL_STYLE) & FrameStyles, 0);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(placed, GWLP_WNDPROC)), PlainProc);
}

TEST_F(HandheldTest, OnlyTopLevelWindowsLeftToTheShellArePlaced)
{
    HWND holder = MakeFullScreen();
    Make(WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, holder);
    EXPECT_EQ(AtCreate.window.right - AtCreate.window.left, 20);
    Make(WS_VISIBLE, 10, 10, 150, 100);   // a window that asks for its place keeps it
    EXPECT_EQ(AtCreate.window.right - AtCreate.window.left, 150);
    EXPECT_NE(AtCreate.style & WS_CAPTION, 0);

    MakeDefault();
    EXPECT_EQ(AtCreate.window.right - AtCreate.window.left, HandheldScreenWidth);
    MakeDefault();
    EXPECT_EQ(AtCreate.window.right - AtCreate.window.left, HandheldScreenWidth)
        << "the second default window was not placed";
}

TEST_F(HandheldTest, ForegroundWithLowBitBringsTheLastActivePopupWithItsOwner)
{
    HWND program = MakeFullScreen();
    SetForegroundWindow(program);
    HWND dialog = Make(WS_POPUP | WS_VISIBLE, 60, 100, 120, 80, program);
    SetForegroundWindow(dialog);
    HWND other = MakeFullScreen();
    SetForegroundWindow(other);
    PumpMessagesFor(50);
    ASSERT_EQ(GetForegroundWindow(), other);

    EXPECT_TRUE(SetForegroundWindow(WithLowBit(program)));
    PumpMessagesFor(50);
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_EQ(WindowFromPoint(POINT{ 120, 140 }), dialog);
    EXPECT_EQ(WindowFromPoint(POINT{ 5, 5 }), program) << "the owner stayed behind the other window";
}

TEST_F(HandheldTest, ForegroundRestoresAMinimisedWindow)
{
    HWND program = MakeFullScreen();
    HWND other = MakeFullScreen();
    ShowWindow(program, SW_MINIMIZE);
    SetForegroundWindow(other);
    PumpMessagesFor(50);

    EXPECT_TRUE(SetForegroundWindow(WithLowBit(program)));
    PumpMessagesFor(50);
    EXPECT_FALSE(IsIconic(program));
    EXPECT_EQ(GetForegroundWindow(), program);
    EXPECT_FALSE(SetForegroundWindow(WithLowBit(nullptr)));
}

// The running program is another process, as when a second copy starts.
class OtherProgramTest : public HandheldTest {
protected:
    OtherProgramTest() : first(device.StorePath(), device.Folder()) {}

    // The program starts on a device with an entry, so that its first load
    // has nothing to report.
    HWND StartFirst()
    {
        device.Add(TestEntry{});
        if (!first.Start())
            return nullptr;
        HWND window = first.WaitForWindow(10000);
        // Started means waiting for input in its message loop.
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, first.Id());
        if (process) {
            WaitForInputIdle(process, 10000);
            CloseHandle(process);
        }
        return window;
    }
    HWND MakeOursForeground()
    {
        HWND ours = MakeFullScreen();
        SetForegroundWindow(ours);
        PumpMessagesFor(50);
        return ours;
    }
    static HWND ForegroundOnceItIs(HWND expected)
    {
        PumpUntil([&] { return GetForegroundWindow() == expected; });
        return GetForegroundWindow();
    }

    ProgramProcess first;
};

TEST_F(OtherProgramTest, SecondCopyBringsTheFirstForwardWithItsMenuBar)
{
    HWND running = StartFirst();
    ASSERT_NE(running, nullptr);
    HWND ours = MakeOursForeground();
    ASSERT_EQ(GetForegroundWindow(), ours);

    ProgramProcess second(device.StorePath(), device.Folder());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitForExit(10000), 16u);
    EXPECT_EQ(ForegroundOnceItIs(running), running);

    // The raise is carried out by the other program's thread, after it is
    // already the foreground: wait for it.
    const auto barOnTop = [&] {
        return GetWindow(WindowFromPoint(POINT{ 200, HandheldScreenHeight - 4 }), GW_OWNER) == running;
    };
    EXPECT_TRUE(PumpUntil(barOnTop)) << "the program's menu bar is not on top";
}

TEST_F(OtherProgramTest, AnOpenDialogOfTheOtherProgramComesForward)
{
    HWND running = StartFirst();
    ASSERT_NE(running, nullptr);
    PostMessageW(running, WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_TRUE(PumpUntil([&] { return GetLastActivePopup(running) != running; }, 5000));
    HWND about = GetLastActivePopup(running);
    MakeOursForeground();

    EXPECT_TRUE(SetForegroundWindow(WithLowBit(running)));
    EXPECT_EQ(ForegroundOnceItIs(about), about);
    PostMessageW(about, WM_COMMAND, IDOK, 0);
}

}  // namespace
