// The import slots: how the desktop layer takes four of user32's functions
// from under the program.
//
// Why. The program calls CreateWindowExW, SetForegroundWindow and MessageBoxW
// exactly as on the handheld, where they mean something desktop Win32 does
// not: a top-level window left to the shell's placement (CW_USEDEFAULT) gets
// the whole screen without a caption; a handle with its lowest bit set brings
// the window forward with the windows it owns; a message box is laid out for
// the 240 x 320 screen above the menu bar. The program may call nothing but
// the handheld's API (docs/device-api.txt), so nothing of ours in their
// place: the desktop layer has to take the calls themselves. CallWindowProcW
// is taken for speed alone (CallWindowProcDirect below).
//
// How. Code compiled against <windows.h> calls a user32 function through a
// pointer named after it, its import slot: __imp__ and the function's
// decorated name (__imp__CreateWindowExW@48). user32's import library
// defines the slots and the loader fills them in. Defined here, a slot
// points at the desktop's function instead, for every call in the linked
// program: the program's own, its tests' and this layer's (which is why the
// functions behind the slots reach user32's own by name, User32Function).
// The linker takes a symbol from the first library on the link line that
// defines it, when something still needs it, so this library must come
// before user32's import library: CMakeLists.txt links handheld ahead of
// user32. Linked after it, the program gets user32's slots and this file is
// never pulled in, without a word from the linker; the import-slot test
// (tests/shell/import_slots_test.cpp) fails then.
#include "platform/import_slots.h"

namespace {

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
        static const auto convert = User32Function<decltype(&CallWindowProcW)>("CallWindowProcW");
        return convert(procedure, window, message, wParam, lParam);
    }
    return procedure(window, message, wParam, lParam);
}

}  // namespace

// Each slot has the type of user32's function, so that the desktop's must match it.
extern "C" {
decltype(&CreateWindowExW) ImportedCreateWindowExW __asm__("__imp__CreateWindowExW@48") =
    CreateWindowAsHandheld;
decltype(&SetForegroundWindow) ImportedSetForegroundWindow __asm__("__imp__SetForegroundWindow@4") =
    SetForegroundAsHandheld;
decltype(&CallWindowProcW) ImportedCallWindowProcW __asm__("__imp__CallWindowProcW@20") =
    CallWindowProcDirect;
decltype(&MessageBoxW) ImportedMessageBoxW __asm__("__imp__MessageBoxW@16") = MessageBoxAsHandheld;
}
