// Handheld idioms on the desktop: the screen, default window placement, and
// bringing a window forward with the windows it owns.
#include "platform/handheld.h"

namespace {

// The caption and frame bits desktop Win32 gives an overlapped window on its
// own; a handheld's top-level windows have none of them.
constexpr LONG DesktopFrameStyles =
    WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr LONG DesktopFrameExStyles = WS_EX_WINDOWEDGE;

thread_local HHOOK PlacementHook = nullptr;
thread_local WNDPROC PlacedWindowProc = nullptr;

// PlaceOnCreate -- first look at the window's own messages. At WM_NCCREATE the
// frame is taken away and the window given the whole screen, so that the
// non-client sizing that follows and the program's WM_CREATE see the
// handheld's window. Everything else passes through untouched.
LRESULT CALLBACK PlaceOnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = PlacedWindowProc;
    if (message != WM_NCCREATE)
        return CallWindowProcW(original, window, message, wParam, lParam);

    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    PlacedWindowProc = nullptr;

    SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~DesktopFrameStyles);
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~DesktopFrameExStyles);
    const RECT screen = HandheldScreenRect();
    SetWindowPos(window, nullptr, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return CallWindowProcW(original, window, message, wParam, lParam);
}

void RemovePlacementHook()
{
    if (PlacementHook) {
        UnhookWindowsHookEx(PlacementHook);
        PlacementHook = nullptr;
    }
}

// Wine has already turned CW_USEDEFAULT into its three-quarter rectangle and
// keeps its own copy of the window's style when the hook runs, so changing the
// CREATESTRUCT here would be lost: the window's procedure is wrapped instead
// until its WM_NCCREATE.
LRESULT CALLBACK PlacementCbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (!(create->lpcs->style & WS_CHILD)) {
            HWND window = reinterpret_cast<HWND>(wParam);
            RemovePlacementHook();
            PlacedWindowProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PlaceOnCreate)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

RECT HandheldScreenRect()
{
    RECT area = {};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) && area.right > area.left &&
        area.bottom > area.top)
        return area;
    return RECT{ 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
}

void HandheldPlaceNextDefaultWindow()
{
    if (PlacementHook)
        return;
    PlacementHook = SetWindowsHookExW(WH_CBT, PlacementCbtProc, nullptr, GetCurrentThreadId());
}

BOOL HandheldSetForegroundWindow(HWND hwndWithLowBit)
{
    HWND window = reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(hwndWithLowBit) & ~ULONG_PTR{ 1 });
    if (!IsWindow(window))
        return FALSE;

    if (IsIconic(window)) {
        // A window of another program may be busy: do not wait for it.
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
            ShowWindow(window, SW_RESTORE);
        else
            ShowWindowAsync(window, SW_RESTORE);
    }

    // Raising the window raises the windows it owns with it; the one the user
    // last worked in (an open dialog) then takes the foreground.
    UINT raise = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        raise |= SWP_ASYNCWINDOWPOS;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, raise);
    HWND target = GetLastActivePopup(window);
    if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = window;
    return SetForegroundWindow(target);
}
