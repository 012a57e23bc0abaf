// Handheld idioms on the desktop: the screen with the shell's lettering and
// fills, the whole screen for a window left to the shell's placement, and
// bringing a window forward with the windows it owns. The last two take the
// place of user32's own CreateWindowExW and SetForegroundWindow when the
// program is linked (see the import slots at the end), so that the program
// calls them as on a handheld. CallWindowProcW is replaced the same way, to
// spare it a detour Wine takes, and MessageBoxW, for the shell's message box.
#include "platform/handheld.h"

namespace {

using CreateWindowExWFunction = HWND(WINAPI*)(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int,
                                              HWND, HMENU, HINSTANCE, LPVOID);
using SetForegroundWindowFunction = BOOL(WINAPI*)(HWND);
using CallWindowProcWFunction = LRESULT(WINAPI*)(WNDPROC, HWND, UINT, WPARAM, LPARAM);
using MessageBoxWFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);

// Every call of the four names in the linked program reaches this layer,
// this file's own calls included: user32's functions are looked up by name.
template <typename Function>
Function User32Function(const char* name)
{
    static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

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

// CreateWindowExW as a handheld reads it: a top-level window whose place and
// size are left to the shell (CW_USEDEFAULT) gets the whole screen and no
// caption. Every other window is created as asked.
HWND WINAPI CreateWindowAsHandheld(DWORD exStyle, LPCWSTR className, LPCWSTR windowName,
                                   DWORD style, int x, int y, int width, int height, HWND parent,
                                   HMENU menu, HINSTANCE instance, LPVOID param)
{
    const bool shellPlaces = !(style & WS_CHILD) && x == CW_USEDEFAULT && width == CW_USEDEFAULT;
    if (shellPlaces && !PlacementHook)
        PlacementHook = SetWindowsHookExW(WH_CBT, PlacementCbtProc, nullptr, GetCurrentThreadId());
    static const auto create = User32Function<CreateWindowExWFunction>("CreateWindowExW");
    HWND window = create(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                         instance, param);
    // A creation that failed before the hook saw the window leaves it behind.
    if (shellPlaces)
        RemovePlacementHook();
    return window;
}

// SetForegroundWindow as a handheld reads it: with the handle's lowest bit set
// the window comes forward together with the windows it owns, and the one the
// user last worked in (an open dialog) takes the foreground.
BOOL WINAPI SetForegroundAsHandheld(HWND requested)
{
    static const auto setForeground =
        User32Function<SetForegroundWindowFunction>("SetForegroundWindow");
    const auto bits = reinterpret_cast<ULONG_PTR>(requested);
    if (!(bits & 1))
        return setForeground(requested);

    HWND window = reinterpret_cast<HWND>(bits & ~ULONG_PTR{ 1 });
    if (!IsWindow(window))
        return FALSE;

    if (IsIconic(window)) {
        // A window of another program may be busy: do not wait for it.
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
            ShowWindow(window, SW_RESTORE);
        else
            ShowWindowAsync(window, SW_RESTORE);
    }

    // Raising the window raises the windows it owns with it.
    UINT raise = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        raise |= SWP_ASYNCWINDOWPOS;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, raise);
    HWND target = GetLastActivePopup(window);
    if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = window;
    return setForeground(target);
}

// CallWindowProcW without Wine's detour: Wine takes every call into its win32u
// layer and back before it calls the procedure, which made the duplicate
// marking (millions of cell reads through the list's own procedure on a large
// store) up to three times slower. A procedure that is a plain address is
// called at once, as CallWindowProcW does in the end; a procedure handle
// (0xFFFF in its high word: Wine's stand-in for a procedure of the other
// character set) still goes to user32, which converts the message.
LRESULT WINAPI CallWindowProcDirect(WNDPROC procedure, HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam)
{
    if (procedure == nullptr)
        return 0;
    if (HIWORD(reinterpret_cast<ULONG_PTR>(procedure)) == 0xFFFF) {
        static const auto convert = User32Function<CallWindowProcWFunction>("CallWindowProcW");
        return convert(procedure, window, message, wParam, lParam);
    }
    return procedure(window, message, wParam, lParam);
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

UniqueFont CreateShellFont(int pixels)
{
    LOGFONTW font = {};
    font.lfHeight = -pixels;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(font.lfFaceName, L"Tahoma");
    return UniqueFont(CreateFontIndirectW(&font));
}

void FillWithColour(HDC dc, const RECT& area, COLORREF colour)
{
    SetDCBrushColor(dc, colour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// The import slots. Code compiled against <windows.h> calls a user32 function
// through a pointer named after it (__imp__ + the function's decorated name),
// which user32's import library defines. Defining the four slots here, and
// linking this library ahead of user32's import library, points every call in
// the program, its tests and this layer at the functions above instead.
extern "C" {
CreateWindowExWFunction ImportedCreateWindowExW __asm__("__imp__CreateWindowExW@48") =
    CreateWindowAsHandheld;
SetForegroundWindowFunction ImportedSetForegroundWindow __asm__("__imp__SetForegroundWindow@4") =
    SetForegroundAsHandheld;
CallWindowProcWFunction ImportedCallWindowProcW __asm__("__imp__CallWindowProcW@20") =
    CallWindowProcDirect;
MessageBoxWFunction ImportedMessageBoxW __asm__("__imp__MessageBoxW@16") = MessageBoxAsHandheld;
}
