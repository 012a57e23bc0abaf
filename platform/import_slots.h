// What the import slots (import_slots.cpp) lead to, for the desktop layer's
// own files: the program calls these functions by user32's names.
#pragma once

#include <windows.h>

// CreateWindowExW and SetForegroundWindow as a handheld reads them (handheld.cpp).
HWND WINAPI CreateWindowAsHandheld(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                                   int x, int y, int width, int height, HWND parent, HMENU menu,
                                   HINSTANCE instance, LPVOID param);
BOOL WINAPI SetForegroundAsHandheld(HWND requested);

// MessageBoxW as the handheld's shell shows it (shell_message_box.cpp).
int WINAPI MessageBoxAsHandheld(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Reshapes the first top-level window that a call (CreateWindowExW, MessageBoxW)
// makes on this thread, at one of the window's first messages. When a hook
// sees a window being made, Wine has already turned CW_USEDEFAULT into its
// own rectangle and keeps its own copy of the window's style, so changing the
// CREATESTRUCT would be lost: the window is wrapped instead from its making
// until `message`.
struct NewWindowReshape {
    const wchar_t* windowClass;    // only a window of this class; null: any
    UINT message;
    bool beforeOwn;                // before the window's own procedure handles `message`, or after
    void (*reshape)(HWND window);
};

// Reshapes the first such window made while it lives.
class ReshapingNewWindow {
public:
    explicit ReshapingNewWindow(const NewWindowReshape* reshape);
    ~ReshapingNewWindow();
    ReshapingNewWindow(const ReshapingNewWindow&) = delete;
    ReshapingNewWindow& operator=(const ReshapingNewWindow&) = delete;
};

// user32's own function of that name. A call by the name itself reaches the
// slot, from this layer too, so the functions behind the slots look user32's
// up by name.
template <typename Function>
Function User32Function(const char* name)
{
    static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}
