#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "platform/shell_menubar.h"
#include "resources/resource.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/screen_capture.h"
#include "tests/support/screen_reading.h"
#include "tests/support/stylus.h"
#include "tests/support/test_device.h"

namespace {

struct ReceivedCommand {
    WORD id;
    WORD code;
    LPARAM from;
};

// A program window for the bar: full screen, records what reaches it.
class MenuBarTest : public ::testing::Test {
protected:
    MenuBarTest()
    {
        Current = this;
        static const bool registered = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = ParentProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            wc.lpszClassName = L"MenuBarTestParent";
            return RegisterClassW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        const RECT screen = HandheldScreenRect();
        parent = CreateWindowExW(0, L"MenuBarTestParent", L"Parent", WS_POPUP | WS_VISIBLE,
                                 screen.left, screen.top, screen.right - screen.left,
                                 screen.bottom - screen.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(parent);
        PumpMessagesFor(50);
        deactivations = 0;
    }

    ~MenuBarTest() override
    {
        if (IsWindow(bar))
            DestroyWindow(bar);
        DestroyWindow(parent);
        PumpMessages();
        Current = nullptr;
    }

    BOOL Create(UINT id = IDR_MENUBAR, HINSTANCE module = GetModuleHandleW(nullptr),
                DWORD size = sizeof(SHMENUBARINFO))
    {
        SHMENUBARINFO info = {};
        info.cbSize = size;
        info.hwndParent = parent;
        info.nToolBarId = id;
        info.hInstRes = module;
        const BOOL made = SHCreateMenuBar(&info);
        bar = info.hwndMB;
        return made;
    }

    RECT ButtonRect(int index) const
    {
        RECT r = {};
        SendMessageW(bar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        return r;
    }

    bool Received(WORD id) const
    {
        for (const ReceivedCommand& c : commands)
            if (c.id == id)
                return true;
        return false;
    }

    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        MenuBarTest* test = Current;
        if (test && window == test->parent) {
            switch (message) {
            case WM_COMMAND:
                test->commands.push_back({ LOWORD(wParam), HIWORD(wParam), lParam });
                return 0;
            case WM_INITMENUPOPUP:
                test->popups.push_back(reinterpret_cast<HMENU>(wParam));
                break;
            case WM_ACTIVATE:
                if (LOWORD(wParam) == WA_INACTIVE)
                    ++test->deactivations;
                break;
            case WM_ENTERIDLE:
                if (wParam == MSGF_MENU && test->inMenu) {
                    auto action = std::move(test->inMenu);
                    test->inMenu = nullptr;
                    action(window);
                }
                break;
            default:
                break;
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static inline MenuBarTest* Current = nullptr;

    TestDevice device;
    HWND parent = nullptr;
    HWND bar = nullptr;
    std::vector<ReceivedCommand> commands;
    std::vector<HMENU> popups;
    int deactivations = 0;
    std::function<void(HWND)> inMenu;   // runs once while a menu of the parent is open
};

std::wstring ButtonText(HWND bar, WORD command)
{
    WCHAR text[64] = {};
    if (SendMessageW(bar, TB_GETBUTTONTEXTW, command, reinterpret_cast<LPARAM>(text)) < 0)
        return L"(none)";
    return text;
}

struct MenuEntry {
    std::wstring text;
    UINT id;
    bool separator;
    bool operator==(const MenuEntry& other) const
    {
        return text == other.text && id == other.id && separator == other.separator;
    }
};

std::vector<MenuEntry> Entries(HMENU menu)
{
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        WCHAR text[64] = {};
        GetMenuStringW(menu, i, text, ARRAYSIZE(text), MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        entries.push_back({ text, GetMenuItemID(menu, i), (state & MF_SEPARATOR) != 0 });
    }
    return entries;
}

TEST_F(MenuBarTest, BarIsAnOwnedWindowAlongTheBottomWithTheProgramsLabels)
{
    ASSERT_TRUE(Create());
    ASSERT_TRUE(IsWindow(bar));

    EXPECT_FALSE(GetWindowLongW(bar, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetAncestor(bar, GA_PARENT), GetDesktopWindow());
    EXPECT_EQ(GetWindow(bar, GW_OWNER), parent);
    EXPECT_TRUE(IsWindowVisible(bar));
    RECT r;
    GetWindowRect(bar, &r);
    const RECT expected = { 0, HandheldScreenHeight - HandheldMenuBarHeight, HandheldScreenWidth,
                            HandheldScreenHeight };
    EXPECT_TRUE(EqualRect(&r, &expected))
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;

    ASSERT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 3);
    const struct {
        WORD command;
        const wchar_t* label;
    } buttons[] = { { IDM_REFRESH, L"Refresh" }, { IDM_OPTIONS, L"Options" }, { IDM_EXIT, L"Exit" } };
    int right = 0;
    for (int i = 0; i < 3; ++i) {
        TBBUTTON button = {};
        ASSERT_TRUE(SendMessageW(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)));
        EXPECT_EQ(button.idCommand, buttons[i].command);
        EXPECT_EQ(ButtonText(bar, buttons[i].command), buttons[i].label);
        const RECT b = ButtonRect(i);
        EXPECT_GE(b.left, right) << "button " << i << " overlaps the one before";
        EXPECT_GT(b.right, b.left);
        right = b.right;
    }
    EXPECT_LE(right, HandheldScreenWidth);
}

TEST_F(MenuBarTest, BarStaysAboveTheFullScreenProgramWindow)
{
    ASSERT_TRUE(Create());
    SetWindowPos(parent, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(parent);
    PumpMessagesFor(50);
    EXPECT_EQ(WindowFromPoint(POINT{ 120, HandheldScreenHeight - 5 }), bar);
    EXPECT_EQ(WindowFromPoint(POINT{ 120, 100 }), parent);
}

TEST_F(MenuBarTest, TappedButtonsSendTheirCommandsAndLeaveTheProgramActive)
{
    ASSERT_TRUE(Create());
    EXPECT_TRUE(TapAt(ScreenCentre(bar, ButtonRect(0))));
    ASSERT_TRUE(PumpUntil([&] { return Received(IDM_REFRESH); }));
    EXPECT_TRUE(TapAt(ScreenCentre(bar, ButtonRect(2))));
    ASSERT_TRUE(PumpUntil([&] { return Received(IDM_EXIT); }));

    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].code, BN_CLICKED);
    EXPECT_EQ(commands[0].from, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(GetForegroundWindow(), parent);
    EXPECT_EQ(deactivations, 0);
}

TEST_F(MenuBarTest, SlidingOffAButtonOrTappingWhileTheProgramIsDisabledSendsNothing)
{
    ASSERT_TRUE(Create());
    const RECT refresh = ButtonRect(0);
    SlideTap(ScreenCentre(bar, refresh), POINT{ HandheldScreenWidth - 5, HandheldScreenHeight - 5 });
    PumpMessagesFor(100);

    EnableWindow(parent, FALSE);
    EXPECT_TRUE(TapAt(ScreenCentre(bar, refresh)));
    EXPECT_TRUE(TapAt(ScreenCentre(bar, ButtonRect(1))));
    PumpMessagesFor(150);
    EnableWindow(parent, TRUE);

    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(popups.empty());
}

TEST_F(MenuBarTest, OptionsOpensItsDropDownAboveTheBarAndTheChoiceReachesTheProgram)
{
    ASSERT_TRUE(Create());
    const HMENU options = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_OPTIONS));
    ASSERT_NE(options, nullptr);
    std::vector<MenuEntry> shown;
    LONG lowestItem = 0;
    inMenu = [&](HWND) {
        shown = Entries(options);
        RECT item = {};
        for (int i = 0; i < GetMenuItemCount(options); ++i) {
            GetMenuItemRect(nullptr, options, i, &item);
            lowestItem = std::max(lowestItem, item.bottom);
        }
        GetMenuItemRect(nullptr, options, 2, &item);
        EXPECT_TRUE(TapAt(POINT{ (item.left + item.right) / 2, (item.top + item.bottom) / 2 }));
    };

    EXPECT_TRUE(TapAt(ScreenCentre(bar, ButtonRect(1))));
    ASSERT_TRUE(PumpUntil([&] { return Received(IDM_ABOUT); }));

    const std::vector<MenuEntry> expected = {
        { L"Settings...", IDM_SETTINGS, false }, { L"", 0, true }, { L"About...", IDM_ABOUT, false }
    };
    EXPECT_EQ(shown, expected);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], options);
    EXPECT_LE(lowestItem, HandheldScreenHeight - HandheldMenuBarHeight);
    EXPECT_FALSE(Received(IDM_OPTIONS)) << "the drop-down button sent its own command";
}

TEST_F(MenuBarTest, AnswersForItsDropDownsAndFreesItsMenuWhenDestroyed)
{
    ASSERT_TRUE(Create());
    const HMENU options = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_OPTIONS));
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETMENU, 0, 0));
    ASSERT_TRUE(IsMenu(options));
    ASSERT_TRUE(IsMenu(menu));
    EXPECT_EQ(options, GetSubMenu(menu, 1));
    EXPECT_EQ(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_REFRESH), 0);
    EXPECT_EQ(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 12345), 0);

    DestroyWindow(bar);
    EXPECT_FALSE(IsMenu(options));
    EXPECT_FALSE(IsMenu(menu));
}

TEST_F(MenuBarTest, BadArgumentsFailWithoutABar)
{
    EXPECT_FALSE(SHCreateMenuBar(nullptr));
    for (DWORD size : { 0u, 35u, 37u }) {
        EXPECT_FALSE(Create(IDR_MENUBAR, GetModuleHandleW(nullptr), size)) << "cbSize " << size;
        EXPECT_EQ(bar, nullptr);
    }
    EXPECT_FALSE(Create(999)) << "no such resource";
    EXPECT_EQ(bar, nullptr);

    SHMENUBARINFO info = {};
    info.cbSize = sizeof info;
    info.nToolBarId = IDR_MENUBAR;
    info.hInstRes = GetModuleHandleW(nullptr);
    EXPECT_FALSE(SHCreateMenuBar(&info)) << "no parent";
    HWND gone = CreateWindowExW(0, L"static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    info.hwndParent = gone;
    EXPECT_FALSE(SHCreateMenuBar(&info)) << "destroyed parent";
    EXPECT_EQ(info.hwndMB, nullptr);
}

std::vector<BYTE> Bytes(std::initializer_list<WORD> words)
{
    std::vector<BYTE> bytes(words.size() * sizeof(WORD));
    size_t i = 0;
    for (WORD w : words) {
        bytes[i++] = LOBYTE(w);
        bytes[i++] = HIBYTE(w);
    }
    return bytes;
}

TEST(MenuBarResource, RefusesMalformedDefinitions)
{
    const struct {
        const char* fault;
        std::vector<BYTE> bytes;
    } cases[] = {
        { "empty", {} },
        { "no button count", Bytes({ 103 }) },
        { "no buttons", Bytes({ 103, 0 }) },
        { "one word short", Bytes({ 103, 1, 0xFFFE, 40022, 4, 0x10, 40024, 0 }) },
        { "one word too many", Bytes({ 103, 1, 0xFFFE, 40022, 4, 0x10, 40024, 0, 0xFFFF, 0 }) },
        { "count larger than the data", Bytes({ 103, 2, 0xFFFE, 40022, 4, 0x10, 40024, 0, 0xFFFF }) },
        { "drop-down without a sub-menu", Bytes({ 103, 1, 0xFFFE, 40004, 4, 0x18, 40006, 0, 0xFFFF }) },
    };
    for (const auto& c : cases) {
        MenuBarResource parsed;
        EXPECT_FALSE(ParseMenuBarResource(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &parsed))
            << c.fault;
    }
    const std::vector<BYTE> good = Bytes({ 103, 1, 0xFFFE, 40022, 4, 0x10, 40024, 0, 0xFFFF });
    MenuBarResource parsed;
    EXPECT_TRUE(ParseMenuBarResource(good.data(), static_cast<DWORD>(good.size()), &parsed));
}

// A copy of this test program with extra menu-bar definitions written into
// its resources, loaded as data: the program's strings and menus are there,
// the definitions name what is not.
class CraftedModule {
public:
    explicit CraftedModule(const std::vector<std::pair<WORD, std::vector<BYTE>>>& definitions)
    {
        WCHAR self[MAX_PATH], temp[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"tallyvane-crafted-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        if (!CopyFileW(self, path_.c_str(), FALSE))
            return;
        HANDLE update = BeginUpdateResourceW(path_.c_str(), FALSE);
        if (!update)
            return;
        for (const auto& [id, bytes] : definitions)
            UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                            const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
        if (EndUpdateResourceW(update, FALSE))
            module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~CraftedModule()
    {
        if (module_)
            FreeLibrary(module_);
        DeleteFileW(path_.c_str());
    }
    HMODULE Module() const { return module_; }

private:
    std::wstring path_;
    HMODULE module_ = nullptr;
};

TEST_F(MenuBarTest, DefinitionsNamingMissingLabelsMenusOrPopupsFail)
{
    const auto definition = [](WORD menu, WORD label, WORD subMenu) {
        return Bytes({ menu, 2, 0xFFFE, 40022, 4, 0x10, IDS_REFRESH, 0, 0xFFFF,   //
                       0xFFFE, 40004, 4, 0x18, label, 0, subMenu });
    };
    CraftedModule crafted({
        { 301, definition(IDR_MENUBAR, IDS_OPTIONS, 1) },   // sound: proves the copy works
        { 302, definition(IDR_MENUBAR, 7777, 1) },          // no such label string
        { 303, definition(999, IDS_OPTIONS, 1) },           // no such menu
        { 304, definition(IDR_MENUBAR, IDS_OPTIONS, 7) },   // no such sub-menu
        { 305, definition(IDR_MENUBAR, IDS_OPTIONS, 0) },   // "Refresh" is not a pop-up
    });
    ASSERT_NE(crafted.Module(), nullptr);

    ASSERT_TRUE(Create(301, crafted.Module()));
    EXPECT_EQ(ButtonText(bar, IDM_OPTIONS), L"Options");
    DestroyWindow(bar);
    for (UINT id : { 302u, 303u, 304u, 305u }) {
        EXPECT_FALSE(Create(id, crafted.Module())) << "definition " << id;
        EXPECT_EQ(bar, nullptr);
    }
}

class ProgramMenuBarTest : public MainWindowTest {};

TEST_F(ProgramMenuBarTest, MainWindowKeepsTheTopAndTheBarTheBottomStrip)
{
    device.Add(TestEntry{});
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_NE(MenuBarWindow, nullptr);
    RECT main, bar;
    GetWindowRect(MainWindow, &main);
    GetWindowRect(MenuBarWindow, &bar);
    const int strip = HandheldScreenHeight - HandheldMenuBarHeight;
    EXPECT_EQ(main.top, 0);
    EXPECT_EQ(main.bottom, strip);
    EXPECT_EQ(bar.top, strip);
    EXPECT_EQ(bar.bottom, HandheldScreenHeight);
    EXPECT_EQ(WindowFromPoint(POINT{ 200, HandheldScreenHeight - 4 }), MenuBarWindow);
    EXPECT_EQ(GetForegroundWindow(), MainWindow);
    EXPECT_EQ(GetWindow(MainWindow, GW_HWNDPREV), MenuBarWindow) << "the bar is not right above the program";
}

// Whether the screen's bottom strip shows the bar, as a person sees it: its
// face, which is not the white of the program's window, with its labels. The
// thread waits for messages first, for no time: that is when Wine hands what
// was painted to the X screen.
::testing::AssertionResult BarOnTheScreen(const char* moment)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    Screenshot shot;
    std::string error;
    if (!CaptureScreen(L"", &shot, &error))
        return ::testing::AssertionFailure() << moment << ": " << error;
    const RECT strip = { 0, HandheldScreenHeight - HandheldMenuBarHeight + 1, HandheldScreenWidth,
                         HandheldScreenHeight };
    int white = 0;
    for (int y = strip.top; y < strip.bottom; ++y)
        for (int x = strip.left; x < strip.right; ++x)
            white += shot.Pixel(x, y) == RGB(255, 255, 255);
    const int pixels = (strip.right - strip.left) * (strip.bottom - strip.top);
    const int labels = InkIn(shot, strip).dark;
    if (10 * white < pixels && labels > 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << moment << ": the strip holds " << white << " white pixels of " << pixels
                                         << " and " << labels << " of lettering";
}

// Halfway through a pass, as its progress bar moves there.
struct HalfwayLook {
    HalfwayLook() : hook(SetWindowsHookExW(WH_CALLWNDPROC, Look, nullptr, GetCurrentThreadId())) { Active = this; }
    ~HalfwayLook()
    {
        UnhookWindowsHookEx(hook);
        Active = nullptr;
    }
    HalfwayLook(const HalfwayLook&) = delete;
    HalfwayLook& operator=(const HalfwayLook&) = delete;

    static LRESULT CALLBACK Look(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && Active && !Active->seen && call->message == PBM_SETPOS && call->wParam == 150) {
            Active->seen = true;
            Active->result = BarOnTheScreen("halfway through the first load");
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HalfwayLook* Active = nullptr;
    HHOOK hook;
    bool seen = false;
    ::testing::AssertionResult result = ::testing::AssertionFailure();
};

// The look behind the warning, taken once the box is up, which it answers.
::testing::AssertionResult BehindWarning = ::testing::AssertionFailure();

void CALLBACK LookBehindTheBox(HWND box, UINT, UINT_PTR id, DWORD)
{
    KillTimer(box, id);
    BehindWarning = BarOnTheScreen("behind the warning");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The shell's bar shows from the moment it is made; the program makes it in
// WM_CREATE and shows its own window after, and the first load (its warning
// first, from 300 entries) runs before WM_CREATE returns.
TEST_F(ProgramMenuBarTest, BarIsOnTheScreenBehindTheWarningAndTheFirstLoad)
{
    ASSERT_EQ(device.AddAlarms(300).size(), 300u);
    BehindWarning = ::testing::AssertionFailure() << "no warning";
    // The recorder's own answer is no button; the look answers.
    boxes.AnswerAll(0);
    boxes.onShow = [](HWND box) { SetTimer(box, 1, 100, LookBehindTheBox); };
    HalfwayLook halfway;
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_TRUE(BehindWarning);
    EXPECT_TRUE(halfway.seen);
    EXPECT_TRUE(halfway.result);
}

}  // namespace
