// Handheld idioms on the desktop: the screen with the shell's lettering and
// fills, the whole screen for a window left to the shell's placement, and
// bringing a window forward with the windows it owns. The last two take the
// place of user32's own CreateWindowExW and SetForegroundWindow through their
// import slots (import_slots.cpp), so that the program calls them as on a
// handheld.
#include "platform/handheld.h"
#include "platform/import_slots.h"

#include <commctrl.h>

namespace {

// The caption and frame bits desktop Win32 gives an overlapped window on its
// own; a handheld's top-level windows have none of them.
constexpr LONG DesktopFrameStyles =
    WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr LONG DesktopFrameExStyles = WS_EX_WINDOWEDGE;

// The whole screen, without the frame, from the window's WM_NCCREATE on: the
// non-client sizing that follows and the program's WM_CREATE see the
// handheld's window.
void PlaceOnScreen(HWND window)
{
    SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~DesktopFrameStyles);
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~DesktopFrameExStyles);
    const RECT screen = HandheldScreenRect();
    SetWindowPos(window, nullptr, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

constexpr NewWindowReshape WholeScreen = { nullptr, WM_NCCREATE, true, PlaceOnScreen };

thread_local HHOOK CreationHook = nullptr;
thread_local const NewWindowReshape* PendingReshape = nullptr;

void RemoveCreationHook()
{
    if (CreationHook) {
        UnhookWindowsHookEx(CreationHook);
        CreationHook = nullptr;
    }
}

LRESULT CALLBACK ReshapeAtMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data)
{
    const auto* reshape = reinterpret_cast<const NewWindowReshape*>(data);
    if (message != reshape->message)
        return DefSubclassProc(window, message, wParam, lParam);
    RemoveWindowSubclass(window, ReshapeAtMessage, 0);
    if (reshape->beforeOwn)
        reshape->reshape(window);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (!reshape->beforeOwn)
        reshape->reshape(window);
    return result;
}

LRESULT CALLBACK OnWindowCreated(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        HWND window = reinterpret_cast<HWND>(wParam);
        const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        WCHAR name[16] = {};
        if (!(create->lpcs->style & WS_CHILD) &&
            (!PendingReshape->windowClass ||
             (GetClassNameW(window, name, ARRAYSIZE(name)) && !lstrcmpiW(name, PendingReshape->windowClass)))) {
            SetWindowSubclass(window, ReshapeAtMessage, 0, reinterpret_cast<DWORD_PTR>(PendingReshape));
            RemoveCreationHook();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

ReshapingNewWindow::ReshapingNewWindow(const NewWindowReshape* reshape)
{
    RemoveCreationHook();
    PendingReshape = reshape;
    CreationHook = SetWindowsHookExW(WH_CBT, OnWindowCreated, nullptr, GetCurrentThreadId());
}

// A call that failed before the hook saw its window leaves the hook behind.
ReshapingNewWindow::~ReshapingNewWindow()
{
    RemoveCreationHook();
}

// CreateWindowExW as a handheld reads it: a top-level window whose place and
// size are left to the shell (CW_USEDEFAULT) gets the whole screen and no
// caption. Every other window is created as asked.
HWND WINAPI CreateWindowAsHandheld(DWORD exStyle, LPCWSTR className, LPCWSTR windowName,
                                   DWORD style, int x, int y, int width, int height, HWND parent,
                                   HMENU menu, HINSTANCE instance, LPVOID param)
{
    static const auto create = User32Function<decltype(&CreateWindowAsHandheld)>("CreateWindowExW");
    if ((style & WS_CHILD) || x != CW_USEDEFAULT || width != CW_USEDEFAULT)
        return create(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance,
                      param);
    const ReshapingNewWindow placing(&WholeScreen);
    return create(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}

// SetForegroundWindow as a handheld reads it: with the handle's lowest bit set
// the window comes forward together with the windows it owns, and the one the
// user last worked in (an open dialog) takes the foreground.
BOOL WINAPI SetForegroundAsHandheld(HWND requested)
{
    static const auto setForeground = User32Function<decltype(&SetForegroundAsHandheld)>("SetForegroundWindow");
    const auto bits = reinterpret_cast<ULONG_PTR>(requested);
    if (!(bits & 1))
        return setForeground(requested);

    HWND window = reinterpret_cast<HWND>(bits & ~ULONG_PTR{ 1 });
    if (!IsWindow(window))
        return FALSE;

    // A window of another program may be busy: do not wait for it.
    const bool ours = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    if (IsIconic(window))
        (ours ? ShowWindow : ShowWindowAsync)(window, SW_RESTORE);

    // Raising the window raises the windows it owns with it.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | (ours ? 0 : SWP_ASYNCWINDOWPOS));
    HWND target = GetLastActivePopup(window);
    if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = window;
    return setForeground(target);
}

RECT HandheldScreenRect()
{
    RECT area = {};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) && area.right > area.left &&
        area.bottom > area.top)
        return area;
    return RECT{ 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
}

UniqueFont CreateShellFont(int pixels)
{
    return UniqueFont(CreateFontW(-pixels, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                  L"Tahoma"));
}

void FillWithColour(HDC dc, const RECT& area, COLORREF colour)
{
    SetDCBrushColor(dc, colour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}
