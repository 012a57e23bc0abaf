// The main window: start-up, the single-instance rule, the two buttons, the
// total line, the list's reloads, the menu bar and the two dispatch tables.
#include "app/main_window.h"

#include <aygshell.h>
#include <commctrl.h>

#include "cleanup/cleanup_pass.h"
#include "eventlist/duplicates.h"
#include "eventlist/event_list.h"
#include "eventlist/event_pass.h"
#include "eventlist/tap_hold.h"
#include "resources/resource.h"
#include "settings/dialogs.h"
#include "settings/settings_store.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
HWND MenuBarWindow = nullptr;
HWND EventListWindow = nullptr;
HFONT ListFont = nullptr;
int TotalEvents = 0;

const WCHAR MainWindowClass[] = L"Tallyvane";

namespace {

// The total line, in pixels of the client area.
constexpr RECT TotalLineRect = { 3, 2, 183, 17 };

HWND CreateMenuBar(HWND window)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof info;
    info.hwndParent = window;
    info.nToolBarId = IDR_MENUBAR;
    info.hInstRes = AppInstance;
    return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

// A push button of the top line: 50 x 16 pixels at y 2 of the client area.
void CreateButton(HWND window, const WCHAR* text, int id, int x)
{
    CreateWindowExW(0, L"button", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 2, 50, 16, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance, nullptr);
}

// OnCreate -- build the buttons, the list and the menu bar, then load the list
// with the window already on screen.
LRESULT OnCreate(HWND window, UINT, WPARAM, LPARAM)
{
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_PROGRESS_CLASS };
    InitCommonControlsEx(&controls);

    MenuBarWindow = CreateMenuBar(window);

    RECT r;
    GetWindowRect(window, &r);

    CreateButton(window, L"Clear", IDC_CLEAR, 125);
    CreateButton(window, L"Log", IDC_LOG, 185);

    EventListWindow = CreateEventList(window, 0, 20, r.right - r.left + 1, r.bottom - r.top - 45);
    for (int i = 0; i < EventColumnCount; ++i)
        AddEventColumn(EventListWindow, EventColumns[i].format, i, EventColumns[i].title);

    ListFont = CreateListFont(FW_NORMAL, 12);
    SendMessageW(EventListWindow, WM_SETFONT, reinterpret_cast<WPARAM>(ListFont), TRUE);

    ShowWindow(window, SW_SHOW);
    ReloadEvents(TotalFromLoad, FitColumns);
    return 0;
}

// OnPaint -- the total line; the white class brush erases the rest.
LRESULT OnPaint(HWND window, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    WCHAR text[80];
    wsprintfW(text, L"Total Events = %d", TotalEvents);
    RECT line = TotalLineRect;
    DrawTextW(dc, text, -1, &line, 0);
    EndPaint(window, &ps);
    return 0;
}

// OnHibernate -- memory is low: a program in the background gives up its menu bar.
LRESULT OnHibernate(HWND window, UINT, WPARAM, LPARAM)
{
    if (GetForegroundWindow() != window) {
        DestroyWindow(MenuBarWindow);
        MenuBarWindow = nullptr;
    }
    return 0;
}

// OnActivate -- bring back a menu bar that hibernation took away.
LRESULT OnActivate(HWND window, UINT, WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) != WA_INACTIVE && MenuBarWindow == nullptr)
        MenuBarWindow = CreateMenuBar(window);
    return 0;
}

LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM)
{
    DeleteObject(ListFont);
    ListFont = nullptr;
    FreeDuplicateFlags();
    DestroyWindow(MenuBarWindow);
    PostQuitMessage(0);
    return 0;
}

LRESULT OnCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam)
{
    const WORD id = LOWORD(wParam);
    for (const CommandHandler& entry : CommandHandlers) {
        if (entry.id == id)
            return entry.handle(window, id, reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    }
    return 0;
}

LRESULT OnClose(HWND window, UINT, WPARAM, LPARAM)
{
    DestroyWindow(window);
    return 0;
}

LRESULT OnExit(HWND window, WORD, HWND, WORD)
{
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnClear(HWND window, WORD, HWND, WORD)
{
    CleanupPass();
    ReloadEvents(TotalCountedFirst, KeepColumns);
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

LRESULT OnLog(HWND window, WORD, HWND, WORD)
{
    ResetLogWriteFailure();
    EventPass(Log);
    // Only claim the file was written when every piece reached it.
    if (LogWriteFailed)
        MessageBoxW(window, L"Unable to write \"notify_logfile.txt\"", L"Error", MB_OK);
    else
        MessageBoxW(window, L"Generated file \"notify_logfile.txt\" in main folder", L"Message", MB_OK);
    return 0;
}

LRESULT OnRefresh(HWND window, WORD, HWND, WORD)
{
    ReloadEvents(TotalCountedFirst, FitColumns);
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

}  // namespace

void ReloadEvents(TotalSource total, ColumnFit columns)
{
    if (total == TotalCountedFirst) {
        TotalEvents = static_cast<int>(CountNotifications());
        EventPass(Load);
    } else {
        TotalEvents = static_cast<int>(EventPass(Load));
    }
    if (columns == FitColumns) {
        FitEventColumns(EventListWindow, EventColumnCount);
        SendMessageW(EventListWindow, LVM_SETCOLUMNWIDTH, DialogTextColumn, DialogTextColumnWidth);
    }
    // The load repaints the list, not the line above it, which may already
    // show the total from before: a box of the load (the warning from 300
    // entries) paints the window while the total is still 0, and a delete
    // leaves the old count. The list's parent is the main window, which at
    // start-up is not yet in MainWindow.
    InvalidateRect(GetParent(EventListWindow), &TotalLineRect, TRUE);
}

const MessageHandler MessageHandlers[9] = {
    { WM_CREATE, OnCreate },
    { WM_PAINT, OnPaint },
    { WM_HIBERNATE, OnHibernate },
    { WM_ACTIVATE, OnActivate },
    { WM_DESTROY, OnDestroy },
    { WM_COMMAND, OnCommand },
    { WM_CLOSE, OnClose },
    { WM_NOTIFY, EventListCustomDraw },
    { WM_TIMER, TapHoldTimerHandler },
};

const CommandHandler CommandHandlers[7] = {
    { IDM_EXIT, OnExit },
    { IDM_ABOUT, ShowAboutDialog },
    { IDM_SETTINGS, ShowSettingsDialog },
    { IDC_CLEAR, OnClear },
    { IDC_LOG, OnLog },
    { IDM_DELETE, DeleteSelectedEvent },
    { IDM_REFRESH, OnRefresh },
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandler& entry : MessageHandlers) {
        if (entry.message == message)
            return entry.handle(window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = MainWindowClass;
    return LOWORD(RegisterClassW(&wc)) == 0 ? 1 : 0;
}

HWND CreateMainWindow(HINSTANCE instance, int showCommand)
{
    AppInstance = instance;

    HWND running = FindWindowW(MainWindowClass, MainWindowClass);
    if (running) {
        // The handle's lowest bit set: the handheld brings the window forward
        // together with the windows it owns (a dialog it has open).
        SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | 1));
        return nullptr;
    }

    // CW_USEDEFAULT: the handheld's shell gives the window the whole screen,
    // without a caption.
    HWND window = CreateWindowExW(0, MainWindowClass, MainWindowClass, WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  AppInstance, nullptr);
    MainWindow = window;
    if (!IsWindow(window))
        return nullptr;

    RECT r;
    GetWindowRect(window, &r);
    // The width passed is the right edge, as on the handheld where the window
    // starts at x 0; the bottom 24 pixels are left to the menu bar.
    if (MenuBarWindow != nullptr)
        MoveWindow(window, r.left, r.top, r.right, r.bottom - r.top - 24, FALSE);

    CreateSettingsKey();
    ReadSettingValues(&RemoveDuplicates, &RemoveScriptEvents);

    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

int TallyvaneMain(HINSTANCE instance, int showCommand)
{
    if (RegisterMainClass(instance) != 0)
        return 1;
    if (CreateMainWindow(instance, showCommand) == nullptr)
        return 16;

    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void ResetMainWindowStateForTests()
{
    AppInstance = nullptr;
    MainWindow = nullptr;
    MenuBarWindow = nullptr;
    EventListWindow = nullptr;
    ListFont = nullptr;
    TotalEvents = 0;
}
